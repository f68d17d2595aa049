#include "run/Options.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace quorvel {

namespace {

using Store = void (*)(Options&, const std::string&);

struct RunOption {
    const char* name;
    Store store;
};

const std::array<RunOption, 10> kRunOptions = {{
    {"--depth", [](Options& o, const std::string& v) { o.depth = convertInt(v); }},
    {"--root", [](Options& o, const std::string& v) { o.root = v; }},
    {"--birth", [](Options& o, const std::string& v) { o.birth = convertInt(v); }},
    {"--survive-min", [](Options& o, const std::string& v) { o.surviveMin = convertInt(v); }},
    {"--survive-max", [](Options& o, const std::string& v) { o.surviveMax = convertInt(v); }},
    {"--face-weight", [](Options& o, const std::string& v) { o.faceWeight = convertInt(v); }},
    {"--density", [](Options& o, const std::string& v) { o.density = convertDouble(v); }},
    {"--steps", [](Options& o, const std::string& v) { o.steps = convertInt(v); }},
    {"--seed", [](Options& o, const std::string& v) { o.seed = convertUnsigned(v); }},
    {"--svg", [](Options& o, const std::string& v) { o.svgPath = v; }},
}};

const std::array<const char*, 9> kRootLabels = {"Delta",  "Gamma", "Psi", "Sigma", "Theta",
                                                "Lambda", "Xi",    "Pi",  "Phi"};

int32_t clampInt(int32_t value, int32_t low, int32_t high) {
    return std::max(std::min(value, high), low);
}

}  // namespace

void clampRunOptions(Options& o) {
    o.depth = clampInt(o.depth, 0, 5);
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
        throw std::runtime_error(std::string("invalid ") + name + " argument");
    } catch (const std::out_of_range&) {
        throw std::runtime_error(std::string(name) + " argument out of range");
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

ParsedCommand parseOptions(const std::vector<std::string>& args,
                           const std::vector<ExtraOption>& extras) {
    ParsedCommand command;
    Options& options = command.options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            command.helpRequested = true;
            return command;
        }
        const auto runOption = std::find_if(kRunOptions.begin(), kRunOptions.end(),
                                            [&](const RunOption& o) { return arg == o.name; });
        const auto extraOption = std::find_if(extras.begin(), extras.end(),
                                              [&](const ExtraOption& o) { return arg == o.name; });
        if (runOption == kRunOptions.end() && extraOption == extras.end()) {
            throw std::runtime_error("Unknown argument: " + arg);
        }
        if (extraOption != extras.end() && extraOption->endsParsing) {
            extraOption->store("");
            return command;
        }
        if (i + 1 == args.size()) {
            throw std::runtime_error("Missing value after " + arg);
        }
        const std::string& value = args[++i];
        if (runOption != kRunOptions.end()) {
            runOption->store(options, value);
        } else {
            extraOption->store(value);
        }
    }
    clampRunOptions(options);
    validateRoot(options.root);
    return command;
}

void printUsage(std::ostream& out) {
    out << "quorvel [options]\n";
    printRunOptionUsage(out);
    out << "  --help             show this help\n";
}

void printRunOptionUsage(std::ostream& out) {
    out << "  --depth N          substitution depth (default 3)\n"
           "  --root NAME        Delta | Gamma | Psi | Sigma (default Delta)\n"
           "  --birth N          birth face count (default 3)\n"
           "  --survive-min N    minimum live faces to survive (default 2)\n"
           "  --survive-max N    maximum live faces to survive (default 3)\n"
           "  --face-weight N    cap per-neighbor multi-face contribution (default 1)\n"
           "  --density X        initial density from 0..1 (default 0.42)\n"
           "  --steps N          automata steps to run (default 120)\n"
           "  --seed N           deterministic seed (default 1)\n"
           "  --svg PATH         write current state to an SVG file\n";
}

}  // namespace quorvel
