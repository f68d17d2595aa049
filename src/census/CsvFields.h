// The pieces of reading the census's CSV files that every reader shares: a line at a time with
// a bound on its length, its comma-separated fields (double-quoted when they hold a comma), and
// numbers that must be the whole field.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace quorvel {

template <typename Number>
bool readNumber(const std::string& text, Number& value) {
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    return !text.empty() && error == std::errc() && end == last;
}

// Fields split at commas; a field in double quotes (a rule text such as "B2,5/S1") runs to the
// next quote, which must end it. Returns no fields for a line whose quotes do not close so.
inline std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        std::size_t end = line.find(',', start);
        if (start < line.size() && line[start] == '"') {
            const std::size_t close = line.find('"', start + 1);
            if (close == std::string::npos ||
                (close + 1 != line.size() && line[close + 1] != ',')) {
                return {};
            }
            fields.push_back(line.substr(start + 1, close - start - 1));
            end = close + 1 == line.size() ? std::string::npos : close + 1;
        } else {
            fields.push_back(line.substr(start, end - start));
        }
        if (end == std::string::npos) {
            return fields;
        }
        start = end + 1;
    }
}

// The next line of `file` without its LF or CRLF, counting it in `lineNumber`; false at the
// end. Throws "Line too long in PATH at line N" past `maxBytes`, "Unable to read PATH" when
// reading fails.
inline bool readCsvLine(std::istream& file, const std::string& path, std::size_t maxBytes,
                        int64_t& lineNumber, std::string& line) {
    ++lineNumber;
    line.clear();
    char c;
    while (file.get(c)) {
        if (c == '\n') {
            break;
        }
        if (line.size() == maxBytes) {
            throw std::runtime_error("Line too long in " + path + " at line " +
                                     std::to_string(lineNumber));
        }
        line.push_back(c);
    }
    if (file.bad()) {
        throw std::runtime_error("Unable to read " + path);
    }
    if (!file && line.empty()) {
        return false;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

}  // namespace quorvel
