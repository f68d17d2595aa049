// The run's settings and the command line that sets them. Options are matched whole and
// case-sensitively; every value option consumes the next argument whatever it looks like.
// Out-of-range numbers are clamped silently; unreadable numbers, missing values, unknown
// arguments and an unsupported root are errors, thrown with a one-line message.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace quorvel {

struct Options {
    int32_t depth = 3;
    int32_t birth = 3;
    int32_t surviveMin = 2;
    int32_t surviveMax = 3;
    int32_t faceWeight = 1;
    int32_t steps = 120;
    std::string root = "Delta";
    double density = 0.42;
    uint64_t seed = 1;
    std::string svgPath;
};

// An option of another program built on the same run options: a value option
// (quorvel-view's --html), or a flag that, like --help, takes no value and ends the parsing
// when met (quorvel-view's --version): `store` then gets an empty value, and the returned
// options are neither clamped nor validated.
struct ExtraOption {
    std::string name;
    std::function<void(const std::string& value)> store;
    bool endsParsing = false;
};

struct ParsedCommand {
    // "--help" was met before any error: the caller prints its usage and exits with status 0.
    bool helpRequested = false;
    Options options;
};

// args[0] is the program's name and is skipped.
ParsedCommand parseOptions(const std::vector<std::string>& args,
                           const std::vector<ExtraOption>& extras = {});

// The standard conversions, base 10, reporting failures with the program's own messages
// ("invalid stoi argument", "stoi argument out of range", and so on for stod and stoull).
int32_t convertInt(const std::string& text);
double convertDouble(const std::string& text);
uint64_t convertUnsigned(const std::string& text);

// What parseOptions does once every argument is read: out-of-range values clamped, the
// survive bounds swapped when the minimum exceeds the maximum, a NaN density made 1.0.
void clampRunOptions(Options& options);
// Throws "Unsupported root tile: " + root unless it is one of the nine labels.
void validateRoot(const std::string& root);

void printUsage(std::ostream& out);
// The usage lines of the ten run options, for every program that takes them.
void printRunOptionUsage(std::ostream& out);

}  // namespace quorvel
