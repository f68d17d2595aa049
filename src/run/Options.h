// The run's settings and the command line that sets them. Options are matched whole and
// case-sensitively; every value option consumes the next argument whatever it looks like.
// Out-of-range numbers are clamped silently; unreadable numbers, missing values, unknown
// arguments and an unsupported root are errors, thrown with a one-line message.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "automaton/NeighbourhoodKind.h"
#include "automaton/Rule.h"
#include "run/CommandLine.h"

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
    // Set by --rule (quorvel-view, quorvel-census): the rule's sets, in place of the three
    // counts above. quorvel has neither this nor the neighbourhood.
    std::optional<SumSets> ruleSets;
    NeighbourhoodKind neighbourhood = NeighbourhoodKind::Face;
};

// The defaults, for the programs that take a run option in another form (a list of births).
inline const Options kRunDefaults{};

struct ParsedCommand {
    // "--help" was met before any error: the caller prints its usage and exits with status 0.
    bool helpRequested = false;
    Options options;
};

// args[0] is the program's name and is skipped.
ParsedCommand parseOptions(const std::vector<std::string>& args);

// The ten run options, bound to `options`, in the order the usage lists them. Every program on
// the run options builds its table from these.
std::vector<CommandOption> runOptionTable(Options& options);
// "--help", which sets `requested` and ends the parsing.
CommandOption helpOption(bool& requested);

// The standard conversions, base 10, reporting failures with the program's own messages
// ("invalid stoi argument", "stoi argument out of range", and so on for stod and stoull) as a
// ConversionError.
int32_t convertInt(const std::string& text);
double convertDouble(const std::string& text);
uint64_t convertUnsigned(const std::string& text);

// What parseOptions does once every argument is read: out-of-range values clamped, the
// survive bounds swapped when the minimum exceeds the maximum, a NaN density made 1.0.
// The depth is brought into 0..maxDepth: 0..5 for the patch quorvel grows.
constexpr int32_t kMaxDepth = 5;
void clampRunOptions(Options& options, int32_t maxDepth = kMaxDepth);
// quorvel-view and quorvel-census grow the Spectre patch ("--tiling spectre") to depth 8; any
// other tiling name keeps quorvel's bound (and is refused later).
constexpr int32_t kMaxSpectreDepth = 8;
int32_t maxDepthOfTiling(const std::string& tiling);
// Throws "Unsupported root tile: " + root unless it is one of the nine labels.
void validateRoot(const std::string& root);

// --rule's text as sets; throws "Invalid --rule: \"TEXT\" (reason)".
SumSets parseRuleOption(const std::string& option, const std::string& text);
// "--neighbourhood NAME", face or vertex, into `options`.
CommandOption neighbourhoodOption(Options& options);

// quorvel's usage: its title, the ten run options and --help.
void printUsage(std::ostream& out);

}  // namespace quorvel
