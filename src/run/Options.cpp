#include "run/Options.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "tiling/Patch.h"

namespace quorvel {

namespace {

const std::array<const char*, 9> kRootLabels = {"Delta",  "Gamma", "Psi", "Sigma", "Theta",
                                                "Lambda", "Xi",    "Pi",  "Phi"};

int32_t clampInt(int32_t value, int32_t low, int32_t high) {
    return std::max(std::min(value, high), low);
}

}  // namespace

void clampRunOptions(Options& o, int32_t maxDepth) {
    o.depth = clampInt(o.depth, 0, maxDepth);
    o.birth = clampInt(o.birth, 0, 14);
    o.surviveMin = clampInt(o.surviveMin, 0, 14);
    o.surviveMax = clampInt(o.surviveMax, 0, 14);
    if (o.surviveMin > o.surviveMax) {
        std::swap(o.surviveMin, o.surviveMax);
    }
    o.faceWeight = clampInt(o.faceWeight, 1, 6);
    // Written so that NaN, which compares false, becomes 1.0.
    o.density = o.density < 1.0 ? o.density : 1.0;
    if (!(o.density > 0.0)) {
        o.density = 0.0;
    }
    o.steps = std::max(o.steps, 0);
}

int32_t maxDepthOfTiling(const std::string& tiling) {
    return tiling == tilingName(TilingKind::Spectre) ? kMaxSpectreDepth : kMaxDepth;
}

void validateRoot(const std::string& root) {
    for (const char* label : kRootLabels) {
        if (root == label) {
            return;
        }
    }
    throw std::runtime_error("Unsupported root tile: " + root);
}

namespace {

template <typename Convert>
auto convertReporting(const std::string& text, const char* name, Convert convert) {
    try {
        return convert(text);
    } catch (const std::invalid_argument&) {
        throw ConversionError(std::string("invalid ") + name + " argument");
    } catch (const std::out_of_range&) {
        throw ConversionError(std::string(name) + " argument out of range");
    }
}

}  // namespace

int32_t convertInt(const std::string& text) {
    return convertReporting(text, "stoi", [](const std::string& t) { return std::stoi(t); });
}

double convertDouble(const std::string& text) {
    return convertReporting(text, "stod", [](const std::string& t) { return std::stod(t); });
}

uint64_t convertUnsigned(const std::string& text) {
    return convertReporting(
        text, "stoull", [](const std::string& t) { return static_cast<uint64_t>(std::stoull(t)); });
}

std::vector<CommandOption> runOptionTable(Options& o) {
    const auto shownInt = [](const int32_t& field) {
        return [&field] { return std::to_string(field); };
    };
    return {
        {"--depth", "N", "substitution depth",
         [&o](const std::string& v) { o.depth = convertInt(v); }, shownInt(o.depth)},
        {"--root", "NAME", "Delta | Gamma | Psi | Sigma",
         [&o](const std::string& v) { o.root = v; }, [&o] { return o.root; }},
        {"--birth", "N", "birth face count",
         [&o](const std::string& v) { o.birth = convertInt(v); }, shownInt(o.birth)},
        {"--survive-min", "N", "minimum live faces to survive",
         [&o](const std::string& v) { o.surviveMin = convertInt(v); }, shownInt(o.surviveMin)},
        {"--survive-max", "N", "maximum live faces to survive",
         [&o](const std::string& v) { o.surviveMax = convertInt(v); }, shownInt(o.surviveMax)},
        {"--face-weight", "N", "cap per-neighbor multi-face contribution",
         [&o](const std::string& v) { o.faceWeight = convertInt(v); }, shownInt(o.faceWeight)},
        {"--density", "X", "initial density from 0..1",
         [&o](const std::string& v) { o.density = convertDouble(v); },
         [&o] { return shownNumber(o.density); }},
        {"--steps", "N", "automata steps to run",
         [&o](const std::string& v) { o.steps = convertInt(v); }, shownInt(o.steps)},
        {"--seed", "N", "deterministic seed",
         [&o](const std::string& v) { o.seed = convertUnsigned(v); },
         [&o] { return std::to_string(o.seed); }},
        {"--svg", "PATH", "write current state to an SVG file",
         [&o](const std::string& v) { o.svgPath = v; }, nullptr},
    };
}

SumSets parseRuleOption(const std::string& option, const std::string& text) {
    try {
        return parseSumSets(text);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error("Invalid " + option + ": \"" + text + "\" (" + error.what() + ")");
    }
}

CommandOption neighbourhoodOption(Options& o) {
    return {"--neighbourhood", "NAME", "face | vertex (the face weight caps face neighbours only)",
            [&o](const std::string& v) { o.neighbourhood = neighbourhoodNamed(v); },
            [&o] { return std::string(neighbourhoodName(o.neighbourhood)); }};
}

CommandOption helpOption(bool& requested) {
    return {"--help",         "",
            "show this help", [&requested](const std::string&) { requested = true; },
            nullptr,          Takes::Nothing};
}

namespace {

std::vector<CommandOption> quorvelTable(ParsedCommand& command) {
    std::vector<CommandOption> table = runOptionTable(command.options);
    table.push_back(helpOption(command.helpRequested));
    return table;
}

}  // namespace

ParsedCommand parseOptions(const std::vector<std::string>& args) {
    ParsedCommand command;
    if (parseCommandLine(quorvelTable(command), args, ConversionErrors::AsConverted)) {
        return command;
    }
    clampRunOptions(command.options);
    validateRoot(command.options.root);
    return command;
}

void printUsage(std::ostream& out) {
    ParsedCommand defaults;
    printOptionUsage(out, "quorvel [options]", quorvelTable(defaults));
}

}  // namespace quorvel
