// The built programs, run as a user would from a shell: where they are (CTest sets QUORVEL_BIN
// to quorvel's path; quorvel-view sits beside it) and what a command line prints.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace quorvel::testsupport {

// `name` is "quorvel" or another program of the build.
inline std::string programPath(const std::string& name = "quorvel") {
    const char* quorvel = std::getenv("QUORVEL_BIN");
    const std::filesystem::path path(quorvel != nullptr ? quorvel : "./quorvel");
    return name == "quorvel" ? path.string() : (path.parent_path() / name).string();
}

// `text` as one word of a /bin/sh command, whatever blanks or quotes it holds.
inline std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

struct ShellResult {
    int status;  // as pclose gives it
    std::string out;
};

// Runs `command` with /bin/sh and reads all it writes on standard output.
inline ShellResult shellOutput(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {-1, ""};
    }
    std::string out;
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, count);
    }
    return {::pclose(pipe), out};
}

}  // namespace quorvel::testsupport
