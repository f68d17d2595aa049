#include "run/Options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <stdexcept>

namespace quorvel {
namespace {

std::vector<std::string> argsOf(std::vector<std::string> rest) {
    rest.insert(rest.begin(), "quorvel");
    return rest;
}

bool sameOptions(const Options& a, const Options& b) {
    const bool sameDensity =
        a.density == b.density || (std::isnan(a.density) && std::isnan(b.density));
    return a.depth == b.depth && a.birth == b.birth && a.surviveMin == b.surviveMin &&
           a.surviveMax == b.surviveMax && a.faceWeight == b.faceWeight && a.steps == b.steps &&
           a.root == b.root && sameDensity && a.seed == b.seed && a.svgPath == b.svgPath;
}

std::string describe(const Options& o) {
    std::ostringstream s;
    s << "depth=" << o.depth << " birth=" << o.birth << " survive=" << o.surviveMin << "-"
      << o.surviveMax << " weight=" << o.faceWeight << " steps=" << o.steps << " root=" << o.root
      << " density=" << o.density << " seed=" << o.seed << " svg=" << o.svgPath;
    return s.str();
}

struct AcceptedCase {
    std::vector<std::string> args;
    std::function<void(Options&)> expectedChange;  // applied to the defaults
};

TEST(ParseOptions, AcceptsAndClamps) {
    const std::vector<AcceptedCase> cases = {
        {{}, [](Options&) {}},
        {{"--depth", "9"}, [](Options& o) { o.depth = 5; }},
        {{"--depth", "-2"}, [](Options& o) { o.depth = 0; }},
        {{"--depth", "3x"}, [](Options& o) { o.depth = 3; }},
        {{"--depth", "  +4"}, [](Options& o) { o.depth = 4; }},
        {{"--face-weight", "0"}, [](Options& o) { o.faceWeight = 1; }},
        {{"--face-weight", "10"}, [](Options& o) { o.faceWeight = 6; }},
        {{"--birth", "20"}, [](Options& o) { o.birth = 14; }},
        {{"--birth", "-1"}, [](Options& o) { o.birth = 0; }},
        {{"--steps", "-5"}, [](Options& o) { o.steps = 0; }},
        {{"--steps", "2147483647"}, [](Options& o) { o.steps = 2147483647; }},
        {{"--steps", "10", "--steps", "20"}, [](Options& o) { o.steps = 20; }},
        {{"--survive-min", "5", "--survive-max", "1"},
         [](Options& o) {
             o.surviveMin = 1;
             o.surviveMax = 5;
         }},
        {{"--survive-min", "20", "--survive-max", "-3"},
         [](Options& o) {
             o.surviveMin = 0;
             o.surviveMax = 14;
         }},
        {{"--density", "1.5"}, [](Options& o) { o.density = 1.0; }},
        {{"--density", "-0.3"}, [](Options& o) { o.density = 0.0; }},
        {{"--density", "nan"}, [](Options& o) { o.density = 1.0; }},
        {{"--density", "inf"}, [](Options& o) { o.density = 1.0; }},
        {{"--density", "-inf"}, [](Options& o) { o.density = 0.0; }},
        {{"--density", "0x1p-2"}, [](Options& o) { o.density = 0.25; }},
        {{"--density", "0.5abc"}, [](Options& o) { o.density = 0.5; }},
        {{"--seed", "-1"}, [](Options& o) { o.seed = 18446744073709551615ULL; }},
        {{"--seed", "0x10"}, [](Options& o) { o.seed = 0; }},
        {{"--seed", "18446744073709551615"}, [](Options& o) { o.seed = 18446744073709551615ULL; }},
        {{"--root", "Theta"}, [](Options& o) { o.root = "Theta"; }},
        {{"--root", "Gamma"}, [](Options& o) { o.root = "Gamma"; }},
        {{"--svg", "--help"}, [](Options& o) { o.svgPath = "--help"; }},
        {{"--svg", "out.svg", "--svg", ""}, [](Options& o) { o.svgPath = ""; }},
    };
    for (const AcceptedCase& c : cases) {
        Options expected;
        c.expectedChange(expected);
        const ParsedCommand command = parseOptions(argsOf(c.args));
        EXPECT_FALSE(command.helpRequested);
        EXPECT_TRUE(sameOptions(command.options, expected))
            << "args: " << ::testing::PrintToString(c.args)
            << "\n got: " << describe(command.options) << "\nwant: " << describe(expected);
    }
}

struct RejectedCase {
    std::vector<std::string> args;
    std::string message;
};

TEST(ParseOptions, ReportsTheFirstErrorWithItsExactMessage) {
    const std::vector<RejectedCase> cases = {
        {{"--depth"}, "Missing value after --depth"},
        {{"--steps", "3", "--svg"}, "Missing value after --svg"},
        {{"--depth=4"}, "Unknown argument: --depth=4"},
        {{"-depth", "4"}, "Unknown argument: -depth"},
        {{"--Depth", "4"}, "Unknown argument: --Depth"},
        {{"--dep", "4"}, "Unknown argument: --dep"},
        {{"7"}, "Unknown argument: 7"},
        {{""}, "Unknown argument: "},
        {{"--bogus", "--help"}, "Unknown argument: --bogus"},
        {{"--depth", "x3"}, "invalid stoi argument"},
        {{"--depth", ""}, "invalid stoi argument"},
        {{"--depth", "-"}, "invalid stoi argument"},
        {{"--depth", "x", "--bogus"}, "invalid stoi argument"},
        {{"--depth", "99999999999"}, "stoi argument out of range"},
        {{"--steps", "2147483648"}, "stoi argument out of range"},
        {{"--birth", "-2147483649"}, "stoi argument out of range"},
        {{"--density", "abc"}, "invalid stod argument"},
        {{"--density", "1e999"}, "stod argument out of range"},
        {{"--density", "1e-400"}, "stod argument out of range"},
        {{"--seed", "x"}, "invalid stoull argument"},
        {{"--seed", "18446744073709551616"}, "stoull argument out of range"},
        {{"--root", "delta"}, "Unsupported root tile: delta"},
        {{"--root", "Gamma1"}, "Unsupported root tile: Gamma1"},
        {{"--root", ""}, "Unsupported root tile: "},
        {{"--root", "--depth"}, "Unsupported root tile: --depth"},
        // The root is validated after every argument has been read.
        {{"--root", "Foo", "--depth"}, "Missing value after --depth"},
    };
    for (const RejectedCase& c : cases) {
        try {
            parseOptions(argsOf(c.args));
            ADD_FAILURE() << "accepted: " << ::testing::PrintToString(c.args);
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), c.message) << ::testing::PrintToString(c.args);
        }
    }
}

TEST(ParseOptions, HelpEndsParsingBeforeLaterArgumentsAndTheRootCheck) {
    const std::vector<std::vector<std::string>> cases = {
        {"--help"},
        {"--root", "Foo", "--help"},
        {"--depth", "4", "--help", "--bogus"},
        {"--help", "--depth"},
    };
    for (const auto& args : cases) {
        EXPECT_TRUE(parseOptions(argsOf(args)).helpRequested) << ::testing::PrintToString(args);
    }
}

TEST(PrintUsage, IsTheTwelveLineText) {
    std::ostringstream out;
    printUsage(out);
    EXPECT_EQ(out.str(),
              "quorvel [options]\n"
              "  --depth N          substitution depth (default 3)\n"
              "  --root NAME        Delta | Gamma | Psi | Sigma (default Delta)\n"
              "  --birth N          birth face count (default 3)\n"
              "  --survive-min N    minimum live faces to survive (default 2)\n"
              "  --survive-max N    maximum live faces to survive (default 3)\n"
              "  --face-weight N    cap per-neighbor multi-face contribution (default 1)\n"
              "  --density X        initial density from 0..1 (default 0.42)\n"
              "  --steps N          automata steps to run (default 120)\n"
              "  --seed N           deterministic seed (default 1)\n"
              "  --svg PATH         write current state to an SVG file\n"
              "  --help             show this help\n");
}

}  // namespace
}  // namespace quorvel
