// libFuzzer harness for the whole program: the input is an argument list, the run happens in
// process on string streams, and every outcome is checked against an independent reading of
// the command line. Any difference, like any sanitizer report, is a finding.
//
// Input format: arguments separated by '\n' or NUL (a trailing separator adds no empty
// argument). A first argument "@out=N" is no argument: it limits standard output to N bytes,
// so that the lost-output path is fuzzed too.
//
// To keep each run fast the harness puts "--depth 2" in front of the arguments and rewrites
// any readable "--depth" value above 2 and "--steps" value above kMaxSteps (the text after the
// number is kept). Fuzz input never chooses a file: a non-empty "--svg" value becomes one of
// two fixed paths of the harness's own scratch directory, one writable and one in a directory
// that does not exist, picked by the low bit of the value's first byte.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzHarness.h"
#include "cli/Driver.h"
#include "run/Options.h"
#include "support/CappedBuffer.h"
#include "support/FileText.h"
#include "support/InProcessRun.h"
#include "support/ScratchDir.h"
#include "support/TestWorlds.h"

namespace {

using quorvel::fuzz::boundValue;
using quorvel::fuzz::check;
using quorvel::fuzz::fail;
using quorvel::fuzz::joined;
using quorvel::fuzz::splitArguments;

constexpr int kMaxDepth = 2;
constexpr int kMaxSteps = 200;

std::string gSvgPath;         // writable
std::string gMissingSvgPath;  // in a directory that does not exist

const std::array<const char*, 10> kValueOptions = {
    "--depth",       "--root",    "--birth", "--survive-min", "--survive-max",
    "--face-weight", "--density", "--steps", "--seed",        "--svg"};

bool isValueOption(const std::string& arg) {
    for (const char* name : kValueOptions) {
        if (arg == name) {
            return true;
        }
    }
    return false;
}

// What the program must do with an argument list, read independently of its parser.
struct Expected {
    enum class Kind { Usage, Run, Error } kind = Kind::Run;
    std::string message;
    int depth = 3, birth = 3, surviveMin = 2, surviveMax = 3, faceWeight = 1, steps = 120;
    std::string root = "Delta";
    double density = 0.42;
    unsigned long long seed = 1;
    std::string svgPath;
};

template <typename Convert>
bool convert(const std::string& text, const char* name, Expected& e, Convert store) {
    try {
        store(text);
        return true;
    } catch (const std::invalid_argument&) {
        e.message = std::string("invalid ") + name + " argument";
    } catch (const std::out_of_range&) {
        e.message = std::string(name) + " argument out of range";
    }
    e.kind = Expected::Kind::Error;
    return false;
}

bool storeValue(const std::string& option, const std::string& v, Expected& e) {
    const auto toInt = [&](int& field) {
        return convert(v, "stoi", e, [&](const std::string& t) { field = std::stoi(t); });
    };
    if (option == "--depth")
        return toInt(e.depth);
    if (option == "--birth")
        return toInt(e.birth);
    if (option == "--survive-min")
        return toInt(e.surviveMin);
    if (option == "--survive-max")
        return toInt(e.surviveMax);
    if (option == "--face-weight")
        return toInt(e.faceWeight);
    if (option == "--steps")
        return toInt(e.steps);
    if (option == "--density") {
        return convert(v, "stod", e, [&](const std::string& t) { e.density = std::stod(t); });
    }
    if (option == "--seed") {
        return convert(v, "stoull", e, [&](const std::string& t) { e.seed = std::stoull(t); });
    }
    if (option == "--root") {
        e.root = v;
    } else {
        e.svgPath = v;
    }
    return true;
}

int clamp(int value, int low, int high) {
    return value > high ? high : value < low ? low : value;
}

Expected expectedOutcome(const std::vector<std::string>& args) {
    Expected e;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            e.kind = Expected::Kind::Usage;
            return e;
        }
        if (!isValueOption(arg)) {
            e.kind = Expected::Kind::Error;
            e.message = "Unknown argument: " + arg;
            return e;
        }
        if (i + 1 == args.size()) {
            e.kind = Expected::Kind::Error;
            e.message = "Missing value after " + arg;
            return e;
        }
        if (!storeValue(arg, args[++i], e)) {
            return e;
        }
    }
    e.depth = clamp(e.depth, 0, 5);
    e.birth = clamp(e.birth, 0, 14);
    e.surviveMin = clamp(e.surviveMin, 0, 14);
    e.surviveMax = clamp(e.surviveMax, 0, 14);
    if (e.surviveMin > e.surviveMax) {
        std::swap(e.surviveMin, e.surviveMax);
    }
    e.faceWeight = clamp(e.faceWeight, 1, 6);
    e.density = e.density < 1.0 ? e.density : 1.0;
    if (!(e.density > 0.0)) {
        e.density = 0.0;
    }
    e.steps = e.steps < 0 ? 0 : e.steps;
    bool known = false;
    for (const std::string& root : quorvel::testsupport::kRootLabels) {
        known = known || e.root == root;
    }
    if (!known) {
        e.kind = Expected::Kind::Error;
        e.message = "Unsupported root tile: " + e.root;
    }
    return e;
}

// Walks the arguments as the parser does (a value option takes the next argument, whatever
// it is) and makes the values safe to run.
void rewriteValues(std::vector<std::string>& args) {
    for (std::size_t i = 1; i + 1 < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || !isValueOption(option)) {
            return;
        }
        std::string& value = args[++i];
        if (option == "--depth") {
            boundValue(value, kMaxDepth);
        } else if (option == "--steps") {
            boundValue(value, kMaxSteps);
        } else if (option == "--svg" && !value.empty()) {
            value = (static_cast<unsigned char>(value[0]) & 1) ? gMissingSvgPath : gSvgPath;
        }
    }
}

std::string summaryLine(const Expected& e, std::size_t tiles) {
    char line[512];
    std::snprintf(line, sizeof line,
                  "tiles=%zu depth=%d root=%s rule=B%d/S%d-%d weight=%d density=%.2f seed=%llu\n",
                  tiles, e.depth, e.root.c_str(), e.birth, e.surviveMin, e.surviveMax, e.faceWeight,
                  e.density, e.seed);
    return line;
}

// Reads a plain decimal (no sign, no leading zero) at `pos`, advancing it; -1 if none.
long long readDecimal(const std::string& text, std::size_t& pos) {
    const std::size_t start = pos;
    long long value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 12) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos == start || (text[start] == '0' && pos - start > 1)) {
        return -1;
    }
    return value;
}

bool readLiteral(const std::string& text, std::size_t& pos, const char* literal) {
    const std::string lit(literal);
    if (text.compare(pos, lit.size(), lit) != 0) {
        return false;
    }
    pos += lit.size();
    return true;
}

// Checks the step lines starting at `pos` of a successful run's output; returns the position
// after them and the last live count.
std::size_t checkSteps(const std::string& out, std::size_t pos, const Expected& e,
                       std::size_t tiles, long long& lastAlive) {
    lastAlive = -1;
    for (long long step = 1; step <= e.steps; ++step) {
        long long alive = -1, maxAge = -1;
        check(readLiteral(out, pos, "step=") && readDecimal(out, pos) == step &&
                  readLiteral(out, pos, " alive=") && (alive = readDecimal(out, pos)) >= 0 &&
                  readLiteral(out, pos, " max_age=") && (maxAge = readDecimal(out, pos)) >= 0 &&
                  readLiteral(out, pos, "\n"),
              "malformed or misnumbered step line", out);
        check(static_cast<std::size_t>(alive) <= tiles, "more live tiles than tiles", out);
        check(maxAge <= step + 1, "an age older than the run", out);
        check((alive == 0) == (maxAge == 0), "live tiles and largest age disagree", out);
        check(!(e.density == 0.0 && e.birth > 0) || alive == 0, "life from an empty patch", out);
        lastAlive = alive;
    }
    return pos;
}

void checkSvgFile(std::size_t tiles, long long liveTiles) {
    std::string svg;
    try {
        svg = quorvel::testsupport::readFile(gSvgPath);
    } catch (const std::exception& error) {
        fail("SVG file missing", error.what());
    }
    check(svg.rfind("<svg ", 0) == 0, "SVG header missing", svg.substr(0, 200));
    check(svg.size() >= 7 && svg.compare(svg.size() - 7, 7, "</svg>\n") == 0,
          "SVG closing missing");
    std::size_t polygons = 0, live = 0;
    for (std::size_t at = svg.find("<polygon "); at != std::string::npos;
         at = svg.find("<polygon ", at + 1)) {
        ++polygons;
    }
    for (std::size_t at = svg.find("fill=\"#96ff5f\""); at != std::string::npos;
         at = svg.find("fill=\"#96ff5f\"", at + 1)) {
        ++live;
    }
    check(polygons == tiles, "SVG polygon count is not the tile count");
    check(liveTiles < 0 || static_cast<long long>(live) == liveTiles,
          "SVG live tiles differ from the last step line");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const quorvel::testsupport::ScratchDir scratch("quorvel-fuzz");
    gSvgPath = scratch.path("state.svg");
    gMissingSvgPath = scratch.path("missing/state.svg");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<std::string> fuzzArgs = splitArguments(data, size);
    std::size_t capacity = std::numeric_limits<std::size_t>::max();
    if (!fuzzArgs.empty() && fuzzArgs[0].rfind("@out=", 0) == 0) {
        capacity = std::strtoul(fuzzArgs[0].c_str() + 5, nullptr, 10) % 100000;
        fuzzArgs.erase(fuzzArgs.begin());
    }
    std::vector<std::string> args = {"quorvel", "--depth", std::to_string(kMaxDepth)};
    args.insert(args.end(), fuzzArgs.begin(), fuzzArgs.end());
    rewriteValues(args);
    const Expected e = expectedOutcome(args);
    std::remove(gSvgPath.c_str());

    quorvel::testsupport::CappedBuffer outBuf(capacity);
    std::ostream out(&outBuf);
    std::ostringstream err;
    const int status = quorvel::runQuorvel(args, out, err);
    const std::string& outText = outBuf.text();
    const std::string context = joined(args) + "\n--- out:\n" + outText + "--- err:\n" + err.str();

    check(status == 0 || status == 1, "exit status neither 0 nor 1", context);
    if (e.kind == Expected::Kind::Error) {
        check(status == 1 && outText.empty() && err.str() == "error: " + e.message + "\n",
              "wrong parse error", context + "--- expected: " + e.message);
        return 0;
    }

    const bool missingSvg = e.kind == Expected::Kind::Run && e.svgPath == gMissingSvgPath;
    const bool writesSvg = e.kind == Expected::Kind::Run && e.svgPath == gSvgPath;
    std::string full;
    std::size_t tiles = 0;
    if (e.kind == Expected::Kind::Usage) {
        full = quorvel::testrun::usageText();
    } else {
        tiles = quorvel::testsupport::tileCountOf(e.root, e.depth);
        full = "Quorvel\n" + summaryLine(e, tiles);
    }

    const bool stdoutLost = err.str() == "error: Unable to write standard output\n";
    const bool svgLost =
        missingSvg && err.str() == "error: Unable to write SVG: " + gMissingSvgPath + "\n";
    if (outText.size() == capacity && status == 1 && (stdoutLost || svgLost)) {
        // Lost output: what got through is the start of a well-formed report.
        check(outText.compare(0, full.size(), full, 0, std::min(full.size(), outText.size())) == 0,
              "lost output starts wrong", context);
        return 0;
    }
    if (e.kind == Expected::Kind::Usage) {
        check(status == 0 && err.str().empty() && outText == full, "wrong usage output", context);
        return 0;
    }
    check(outText.compare(0, full.size(), full) == 0, "wrong banner or summary",
          context + "--- expected:\n" + full);
    long long lastAlive = -1;
    const std::size_t pos = checkSteps(outText, full.size(), e, tiles, lastAlive);
    const std::string rest = outText.substr(pos);
    if (missingSvg) {
        check(status == 1 && rest.empty() &&
                  err.str() == "error: Unable to write SVG: " + gMissingSvgPath + "\n",
              "wrong SVG failure", context);
        return 0;
    }
    check(status == 0 && err.str().empty(), "a sound run failed", context);
    check(rest == (writesSvg ? "svg=" + gSvgPath + "\n" : std::string()), "wrong end of report",
          context);
    check(pos + rest.size() <= capacity, "report longer than the output allowed", context);
    if (writesSvg) {
        checkSvgFile(tiles, e.steps > 0 ? lastAlive : -1);
    }
    return 0;
}
