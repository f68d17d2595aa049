// What the libFuzzer harnesses share: fuzz input read as an argument list, numbers bounded so
// that every run stays fast, and a finding reported as an abort with its context (a harness
// never exits, so libFuzzer sees the abort and keeps the input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace quorvel::fuzz {

[[noreturn]] inline void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "quorvel fuzz: %s\n%s\n", what, detail.c_str());
    std::abort();
}

inline void check(bool condition, const char* what, const std::string& detail = {}) {
    if (!condition) {
        fail(what, detail);
    }
}

// Arguments separated by NUL, and by '\n' too when `newlineSeparates` (which keeps a corpus
// readable, but no value can then hold a line break); a trailing separator adds no empty
// argument.
inline std::vector<std::string> splitArguments(const uint8_t* data, std::size_t size,
                                               bool newlineSeparates = true) {
    std::vector<std::string> parts;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\0' || (newlineSeparates && c == '\n')) {
            parts.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) {
        parts.push_back(current);
    }
    return parts;
}

// Lowers a readable number above `bound` to `bound`, keeping whatever followed the number.
inline void boundValue(std::string& value, int bound) {
    try {
        std::size_t end = 0;
        if (std::stoi(value, &end) > bound) {
            value = std::to_string(bound) + value.substr(end);
        }
    } catch (const std::exception&) {
        // Unreadable: the run fails on it before building anything.
    }
}

// The arguments in brackets, for a finding's context.
inline std::string joined(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args) {
        text += "[" + arg + "] ";
    }
    return text;
}

}  // namespace quorvel::fuzz
