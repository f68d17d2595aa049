#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Reference.h"
#include "automaton/Automaton.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "render/SvgWriter.h"
#include "run/RunPipeline.h"
#include "support/FileText.h"
#include "support/InProcessRun.h"
#include "support/TempDirTest.h"
#include "support/TestWorlds.h"

namespace {

using namespace quorvel;
using std::filesystem::exists;
using testsupport::readFile;
using testsupport::outlinesOf;
using testsupport::splitLines;

const char kDeadColours[] = "\" fill=\"#171b26\" stroke=\"#394252\" stroke-width=\"0.03\"/>\n";
const char kLiveColours[] = "\" fill=\"#96ff5f\" stroke=\"#d9ffb8\" stroke-width=\"0.03\"/>\n";
const char kBackground[] = "<rect width=\"100%\" height=\"100%\" fill=\"#090a0f\"/>\n";
const char kClosing[] = "</svg>\n";
const char kDeltaPoints[] =
    "24.8660,24.8660 25.8660,24.8660 26.3660,24.0000 27.2321,24.5000 27.2321,25.5000 "
    "28.2321,25.5000 28.7321,26.3660 27.8660,26.8660 27.0000,26.3660 26.5000,27.2321 "
    "25.5000,27.2321 24.5000,27.2321 24.0000,26.3660 24.8660,25.8660 ";

std::string header(const std::string& width, const std::string& height) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + width + " " + height +
           "\" width=\"" + width + "\" height=\"" + height + "\">\n";
}

std::string polygonLine(const std::string& points, bool alive) {
    return "<polygon points=\"" + points + (alive ? kLiveColours : kDeadColours);
}

// A world and its state after `steps` steps of the default rule from a seeded population.
struct PicturedWorld {
    World world;
    std::vector<uint8_t> alive;
    int32_t liveCount = 0;
};

PicturedWorld picturedWorld(const std::string& root, int32_t depth, double density,
                            uint64_t seed = 1, int steps = 0) {
    PicturedWorld pictured{testsupport::worldOf(root, depth), {}, 0};
    Automaton automaton(
        std::make_shared<const StepGraph>(buildStepGraph(pictured.world.faces, 1)), Rule{},
        seedPopulation(pictured.world.tiling.size(), seed, density));
    for (int step = 0; step < steps; ++step) {
        automaton.step();
    }
    pictured.alive = automaton.aliveFlags();
    pictured.liveCount = automaton.liveCount();
    return pictured;
}

// The fat tiles of the plain writer, with the same outlines and states.
reference::Tiling fatTilingOf(const std::vector<Polygon>& outlines,
                              const std::vector<uint8_t>& alive) {
    reference::Tiling tiling(outlines.size());
    for (std::size_t i = 0; i < outlines.size(); ++i) {
        tiling[i].polygon = outlines[i];
        tiling[i].alive = alive[i] != 0;
    }
    return tiling;
}

// What the fast writer gives, and what the plain stream writer gives, for the same picture.
struct BothWritings {
    std::string fast;
    std::string plain;
};

// Every test here writes its files in a directory of its own.
class SvgTest : public testsupport::TempDirTest {
  protected:
    void writeSvgOf(const PicturedWorld& pictured, const std::string& svgPath) const {
        writeSvg(pictured.world.tiling, pictured.alive, svgPath);
    }

    BothWritings writeBoth(const PicturedWorld& pictured) const {
        const std::string fastPath = path("fast.svg");
        const std::string plainPath = path("plain.svg");
        writeSvgOf(pictured, fastPath);
        reference::writeSvgPlain(fatTilingOf(outlinesOf(pictured.world.tiling), pictured.alive),
                                 plainPath);
        return {readFile(fastPath), readFile(plainPath)};
    }

    BothWritings writeBoth(const std::vector<Polygon>& outlines) const {
        const std::string fastPath = path("fast.svg");
        const std::string plainPath = path("plain.svg");
        const std::vector<uint8_t> dead(outlines.size(), 0);
        writeSvgOutlines(outlines, dead, fastPath);
        reference::writeSvgPlain(fatTilingOf(outlines, dead), plainPath);
        return {readFile(fastPath), readFile(plainPath)};
    }
};

class SvgContent : public SvgTest {};
class SvgMatchesPlain : public SvgTest {};
class SvgFailure : public SvgTest {};
class SvgRun : public SvgTest {};

TEST_F(SvgContent, DepthZeroDeltaIsExactDeadOrAlive) {
    struct Case {
        double density;
        bool alive;
    };
    for (const Case& c : {Case{0.0, false}, Case{1.0, true}}) {
        SCOPED_TRACE(c.alive ? "alive" : "dead");
        writeSvgOf(picturedWorld("Delta", 0, c.density), path("delta0.svg"));
        EXPECT_EQ(readFile(path("delta0.svg")), header("52.7321", "51.2321") + kBackground +
                                                    polygonLine(kDeltaPoints, c.alive) + kClosing);
    }
}

TEST_F(SvgContent, HeaderGivesTheExtentPlusMargins) {
    struct Case {
        const char* root;
        int32_t depth;
        const char* width;
        const char* height;
    };
    const Case cases[] = {
        {"Delta", 0, "52.7321", "51.2321"},
        {"Gamma", 0, "53.5981", "53.5981"},
        {"Delta", 3, "70.3923", "69.7583"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.root) + " depth " + std::to_string(c.depth));
        writeSvgOf(picturedWorld(c.root, c.depth, 0.42), path("header.svg"));
        const std::vector<std::string> lines = splitLines(readFile(path("header.svg")));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0] + "\n", header(c.width, c.height));
    }
}

TEST_F(SvgContent, IntegralExtentIsWrittenWithoutDecimalPoint) {
    writeSvgOutlines({{{0.0, 0.0}, {2.0, 0.0}, {2.0, 3.0}}}, {0}, path("integral.svg"));
    EXPECT_EQ(readFile(path("integral.svg")),
              header("50", "51") + kBackground +
                  polygonLine("24.0000,24.0000 26.0000,24.0000 26.0000,27.0000 ", false) +
                  kClosing);
}

TEST_F(SvgContent, DefaultRunHasOneLinePerTileColouredByState) {
    const PicturedWorld pictured = picturedWorld("Delta", 3, 0.42, 1, 5);
    const std::vector<uint8_t>& alive = pictured.alive;
    writeSvgOf(pictured, path("default.svg"));
    const std::string text = readFile(path("default.svg"));

    // Every line, the last one too, ends with '\n'.
    ASSERT_EQ(text.back(), '\n');
    const std::vector<std::string> lines = splitLines(text);
    ASSERT_EQ(lines.size(), alive.size() + 3);
    EXPECT_EQ(lines[0] + "\n", header("70.3923", "69.7583"));
    EXPECT_EQ(lines[1] + "\n", kBackground);
    EXPECT_EQ(lines.back() + "\n", kClosing);
    std::size_t liveLines = 0;
    std::size_t liveTiles = 0;
    for (std::size_t i = 0; i < alive.size(); ++i) {
        const std::string line = lines[i + 2] + "\n";
        const std::string colours = alive[i] != 0 ? kLiveColours : kDeadColours;
        ASSERT_GE(line.size(), colours.size());
        EXPECT_EQ(line.substr(line.size() - colours.size()), colours) << "tile " << i;
        liveLines += line.find("#96ff5f") != std::string::npos ? 1 : 0;
        liveTiles += alive[i] != 0 ? 1 : 0;
    }
    EXPECT_EQ(liveLines, liveTiles);
    EXPECT_EQ(static_cast<int32_t>(liveTiles), pictured.liveCount);
    EXPECT_GT(liveTiles, 0u);
    EXPECT_LT(liveTiles, alive.size());
}

TEST_F(SvgContent, ExistingFileIsReplaced) {
    {
        std::ofstream old(path("replace.svg"));
        old << std::string(200000, 'x');
    }
    writeSvgOf(picturedWorld("Delta", 0, 0.0), path("replace.svg"));
    EXPECT_EQ(readFile(path("replace.svg")), header("52.7321", "51.2321") + kBackground +
                                                 polygonLine(kDeltaPoints, false) + kClosing);
}

// The whole file, from the fast writer and from the plain stream writer, on real patches of
// every depth up to 4 with populations of several densities and after some steps.
TEST_F(SvgMatchesPlain, RealTilings) {
    struct Case {
        const char* root;
        int32_t depth;
        double density;
        int steps;
    };
    const Case cases[] = {
        {"Delta", 0, 0.42, 0}, {"Gamma", 0, 0.42, 0},  {"Psi", 1, 0.5, 3},
        {"Gamma", 2, 0.3, 7},  {"Delta", 3, 0.42, 0},  {"Theta", 3, 0.7, 20},
        {"Delta", 4, 0.42, 0}, {"Sigma", 4, 0.42, 11}, {"Gamma", 4, 1.0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.root) + " depth " + std::to_string(c.depth));
        const BothWritings both = writeBoth(picturedWorld(c.root, c.depth, c.density, 7, c.steps));
        EXPECT_EQ(both.fast.size(), both.plain.size());
        EXPECT_TRUE(both.fast == both.plain);
    }
}

// Points chosen at the edges of the fixed format: exact ties at the fifth decimal, values a
// few ulps either side of a rounding boundary, carries into the integer part, large and huge
// magnitudes, and a random spread.
TEST_F(SvgMatchesPlain, PointFormats) {
    Polygon polygon = {{0.0, 0.0}};
    const double edges[] = {0.0,          0.03125,
                            0.09375,      0.00005,
                            0.00015,      0.99995,
                            9.99995,      75.99995,
                            0.4,          28.732050807568875,
                            1e-300,       5e-5,
                            999975.99995, 1e6,
                            1e7,          123456789.00005,
                            1e15,         1e20,
                            1e300,        std::numeric_limits<double>::max() / 4};
    for (double x : edges) {
        polygon.push_back({x, x});
        polygon.push_back({std::nextafter(x, 0.0), std::nextafter(x, 1e308)});
    }
    for (int k = 0; k < 20000; k += 7) {
        // Half-way points of the fourth decimal and their neighbours, as the shifted value.
        const double half = 24.0 + (k + 0.5) / 10000.0;
        for (double value : {half, std::nextafter(half, 0.0), std::nextafter(half, 100.0)}) {
            polygon.push_back({value - 24.0, value - 24.0});
        }
    }
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> spread(0.0, 3000.0);
    for (int i = 0; i < 20000; ++i) {
        polygon.push_back({spread(random), spread(random)});
    }
    const BothWritings both = writeBoth(std::vector<Polygon>{polygon});
    EXPECT_EQ(both.fast.size(), both.plain.size());
    EXPECT_TRUE(both.fast == both.plain);
}

// Header numbers at the edges of the general format, each checked against the stream.
TEST_F(SvgMatchesPlain, HeaderFormats) {
    const double extents[] = {
        0.0,      2.0,     4.732050807568875, 51.99995, 51.99994, 999952.0, 999951.5, 999951.4,
        123408.5, 99952.0, 1234519.0,         1e-5,     1e15,     1e300,    0.1};
    for (double extent : extents) {
        SCOPED_TRACE(extent);
        const BothWritings both = writeBoth(std::vector<Polygon>{{{0.0, 0.0}, {extent, extent}}});
        EXPECT_EQ(both.fast, both.plain);
        std::ostringstream expected;
        expected << (extent - 0.0) + 48.0;
        EXPECT_EQ(splitLines(both.fast).at(0) + "\n", header(expected.str(), expected.str()));
    }
    // No tile: the extremes stay infinite and so does the size.
    const BothWritings empty = writeBoth(std::vector<Polygon>{});
    EXPECT_EQ(empty.fast, empty.plain);
    EXPECT_EQ(empty.fast, header("-inf", "-inf") + kBackground + kClosing);
}

TEST_F(SvgFailure, MissingDirectoryCreatesNothing) {
    const std::string directory = path("no_such_directory");
    const std::string svgPath = directory + "/picture.svg";
    ASSERT_FALSE(exists(directory));
    try {
        writeSvgOf(picturedWorld("Delta", 1, 0.42), svgPath);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write SVG: " + svgPath);
    }
    EXPECT_FALSE(exists(directory));
}

// A full device accepts the open and refuses the data: the loss must not pass for success,
// for a picture smaller than one block as for one of many blocks.
TEST_F(SvgFailure, FullDeviceIsReported) {
    if (!exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    for (int32_t depth : {0, 4}) {
        SCOPED_TRACE(depth);
        try {
            writeSvgOf(picturedWorld("Delta", depth, 0.42), "/dev/full");
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write SVG: /dev/full");
        }
    }
}

using testrun::RunResult;

RunResult run(const std::vector<std::string>& options) {
    return testrun::runQuorvelWith(options);
}

const std::vector<std::string> kRunArgs = {"--depth", "2", "--steps", "4", "--seed", "9"};

std::vector<std::string> withSvg(const std::string& path) {
    std::vector<std::string> args = kRunArgs;
    args.push_back("--svg");
    args.push_back(path);
    return args;
}

TEST_F(SvgRun, UnwritablePathEndsTheRunAfterTheReport) {
    const RunResult withoutPicture = run(kRunArgs);
    ASSERT_EQ(withoutPicture.status, 0);
    ASSERT_EQ(splitLines(withoutPicture.out).size(), 2u + 4u);

    std::vector<std::string> paths = {path("missing_directory") + "/picture.svg"};
    if (exists("/dev/full")) {
        paths.push_back("/dev/full");
    }
    for (const std::string& svgPath : paths) {
        SCOPED_TRACE(svgPath);
        const RunResult result = run(withSvg(svgPath));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, withoutPicture.out);
        EXPECT_EQ(result.out.find("svg="), std::string::npos);
        EXPECT_EQ(result.err, "error: Unable to write SVG: " + svgPath + "\n");
    }
    EXPECT_FALSE(exists(path("missing_directory")));
}

TEST_F(SvgRun, WrittenPictureIsReportedLast) {
    const std::string svgPath = path("run.svg");
    const RunResult withoutPicture = run(kRunArgs);
    const RunResult result = run(withSvg(svgPath));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, withoutPicture.out + "svg=" + svgPath + "\n");

    // The plain readings all the way: fat tiles, plain face graph, plain steps, plain writer.
    reference::Tiling tiling = reference::fatTiling(testsupport::worldOf("Delta", 2));
    reference::buildFaceGraphPlain(tiling);
    reference::seedPopulationPlain(tiling, 9, 0.42);
    for (int step = 0; step < 4; ++step) {
        reference::stepAutomatonPlain(tiling, 3, 2, 3, 1);
    }
    reference::writeSvgPlain(tiling, path("expected.svg"));
    EXPECT_EQ(readFile(svgPath), readFile(path("expected.svg")));
}

TEST_F(SvgRun, NoStepsPicturesTheSeededPopulation) {
    const std::string svgPath = path("seeded.svg");
    const RunResult result = run({"--steps", "0", "--svg", svgPath});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    ASSERT_EQ(result.out.back(), '\n');
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "svg=" + svgPath);

    reference::Tiling seeded = reference::fatTiling(buildWorld(Options{}));
    reference::seedPopulationPlain(seeded, 1, 0.42);
    reference::writeSvgPlain(seeded, path("expected.svg"));
    EXPECT_EQ(readFile(svgPath), readFile(path("expected.svg")));
}

}  // namespace
