// libFuzzer harness for quorvel-view's and quorvel-census's command lines. Their outputs are
// too rich to foresee byte for byte, so the harness checks what must hold whatever the
// arguments (any difference, like any sanitizer report, is a finding):
// - the status is 0 or 1 (130 and 143 come only from a signal, and none is sent);
// - status 1 comes with exactly one "error: " line on stderr, without raw control bytes and
//   no longer than kMaxShownErrorBytes shown; status 0 with an empty stderr;
// - arguments the program's parser refuses print nothing on stdout, and the line shows the
//   parser's message;
// - every list the census accepted is, as a whole, a list of the census's syntax;
// - a page, picture or CSV a successful run names is there, and --summarize of the census's
//   CSV prints the census's own summary lines.
//
// Input format: arguments separated by NUL, so that a value can hold a line break; the first
// names the program ("quorvel-view" or "quorvel-census"), any other input is skipped.
//
// To keep runs fast "--depth 2 --steps 50" go in front, larger readable values are lowered
// (the text after the number kept), and censuses of more than kMaxRuns runs are skipped.
// Fuzz input never chooses a file: a non-empty --svg, --html, --csv, --objects, --gallery or
// --export value becomes a writable path of the harness's scratch directory or one in a
// directory that does not exist (the low bit of the value's first byte picks; for --export the
// next bits pick .csv, .jsonl or an extension it refuses), and each --summarize file one of a
// few fixed inputs.
// The census's CSV starts as the first rows of the fixture census, so --resume has a partial
// CSV to go on from.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CensusFixture.h"
#include "FuzzHarness.h"
#include "census/CensusDriver.h"
#include "census/CensusPlan.h"
#include "census/CensusTable.h"
#include "census/ObjectTable.h"
#include "run/ProgramErrors.h"
#include "support/FileText.h"
#include "support/ScratchDir.h"
#include "view/ViewDriver.h"

namespace {

using namespace quorvel::fuzz;

constexpr int kMaxDepth = 2;
constexpr int kMaxSteps = 50;
constexpr uint64_t kMaxRuns = 64;

enum class Program { View, Census };
enum class Takes { Value, Nothing, Flag, Rest, Unknown };

struct Paths {
    std::string svg, html, csv, objects, gallery;
    std::string missingSvg, missingHtml, missingCsv, missingObjects, missingGallery;
    // .csv, .jsonl and a refused extension, and one in the missing directory.
    std::array<std::string, 3> exports;
    std::string missingExport;
    // The fixture census's CSV, its first rows, and a directory.
    std::string fixtureCsv, partialCsv, directory;
};
Paths gPaths;

Takes takesOf(Program program, const std::string& arg) {
    static const std::array<const char*, 10> kRunValues = {
        "--depth",       "--root",    "--birth", "--survive-min", "--survive-max",
        "--face-weight", "--density", "--steps", "--seed",        "--tiling"};
    if (std::find(kRunValues.begin(), kRunValues.end(), arg) != kRunValues.end() ||
        arg == "--rule" || arg == "--neighbourhood" || arg == "--help") {
        return arg == "--help" ? Takes::Nothing : Takes::Value;
    }
    if (program == Program::View) {
        if (arg == "--svg" || arg == "--html" || arg == "--threads" || arg == "--export") {
            return Takes::Value;
        }
        return arg == "--version" ? Takes::Nothing : Takes::Unknown;
    }
    if (arg == "--jobs" || arg == "--csv" || arg == "--shard" || arg == "--objects" ||
        arg == "--gallery") {
        return Takes::Value;
    }
    if (arg == "--resume") {
        return Takes::Flag;
    }
    return arg == "--summarize" ? Takes::Rest : Takes::Unknown;
}

// What a command line asks for, read as the parser walks it: a value option takes the next
// argument whatever it is, --help and --version end it, --summarize takes the rest.
struct Request {
    bool ended = false;  // by --help, --version or --summarize
    bool summarize = false;
    std::string svg, html, csv, objects, gallery, exportPath;
    // The values of the census's list options and of --shard, with their option.
    std::vector<std::pair<std::string, std::string>> lists;
};

// Walks the arguments as the parser does, making values safe to run when `rewrite` is set.
Request walk(Program program, std::vector<std::string>& args, bool rewrite) {
    Request request;
    request.csv = gPaths.csv;
    request.html = gPaths.html;
    const auto pathFor = [](const std::string& value, const std::string& writable,
                            const std::string& missing) {
        if (value.empty()) {
            return value;
        }
        return (static_cast<unsigned char>(value[0]) & 1) ? missing : writable;
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string option = args[i];
        const Takes takes = takesOf(program, option);
        if (takes == Takes::Unknown || takes == Takes::Nothing) {
            request.ended = takes == Takes::Nothing;
            return request;
        }
        if (takes == Takes::Flag || i + 1 == args.size()) {
            continue;
        }
        if (takes == Takes::Rest) {
            const std::array<const std::string*, 4> files = {&gPaths.fixtureCsv, &gPaths.csv,
                                                             &gPaths.missingCsv, &gPaths.directory};
            for (++i; rewrite && i < args.size(); ++i) {
                if (!args[i].empty()) {
                    const auto pick = static_cast<unsigned char>(args[i][0]) % (files.size() + 1);
                    args[i] = pick < files.size() ? *files[pick] : "/dev/zero";
                }
            }
            request.ended = request.summarize = true;
            return request;
        }
        std::string& value = args[++i];
        if (rewrite && option == "--depth") {
            boundValue(value, kMaxDepth);
        } else if (rewrite && option == "--steps") {
            boundValue(value, kMaxSteps);
        } else if (rewrite && option == "--svg") {
            value = pathFor(value, gPaths.svg, gPaths.missingSvg);
        } else if (rewrite && option == "--html") {
            value = pathFor(value, gPaths.html, gPaths.missingHtml);
        } else if (rewrite && option == "--csv") {
            value = pathFor(value, gPaths.csv, gPaths.missingCsv);
        } else if (rewrite && option == "--objects") {
            value = pathFor(value, gPaths.objects, gPaths.missingObjects);
        } else if (rewrite && option == "--gallery") {
            value = pathFor(value, gPaths.gallery, gPaths.missingGallery);
        } else if (rewrite && option == "--export" && !value.empty()) {
            const auto bits = static_cast<unsigned char>(value[0]);
            value = (bits & 1) ? gPaths.missingExport : gPaths.exports[(bits >> 1) % 3];
        }
        if (option == "--svg") {
            request.svg = value;
        } else if (option == "--html") {
            request.html = value;
        } else if (option == "--csv") {
            request.csv = value;
        } else if (option == "--objects") {
            request.objects = value;
        } else if (option == "--gallery") {
            request.gallery = value;
        } else if (option == "--export") {
            request.exportPath = value;
        } else if (program == Program::Census &&
                   (option == "--birth" || option == "--survive-min" || option == "--survive-max" ||
                    option == "--face-weight" || option == "--seed" || option == "--density" ||
                    option == "--shard")) {
            request.lists.emplace_back(option, value);
        }
    }
    return request;
}

bool isDecimal(const std::string& text, bool signedNumber) {
    const std::size_t start = signedNumber && !text.empty() && text[0] == '-' ? 1 : 0;
    return text.size() > start && text.find_first_not_of("0123456789", start) == std::string::npos;
}

// Whether `text` is wholly a list of the census's syntax for `option`, read apart from the
// census's own parser: items between commas, each a number or "first-last" (the separator is
// the first '-' past the item's first character); a density is what strtod reads whole.
bool isListSyntax(const std::string& option, const std::string& text) {
    if (option == "--shard") {
        const std::size_t slash = text.find('/');
        return slash != std::string::npos && isDecimal(text.substr(0, slash), false) &&
               isDecimal(text.substr(slash + 1), false);
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        if (option == "--density") {
            char* end = nullptr;
            if (item.empty() || std::isspace(static_cast<unsigned char>(item[0])) ||
                (std::strtod(item.c_str(), &end), end != item.c_str() + item.size())) {
                return false;
            }
        } else {
            const std::size_t dash = item.find('-', 1);
            if (!isDecimal(item.substr(0, dash), true) ||
                (dash != std::string::npos && !isDecimal(item.substr(dash + 1), true))) {
                return false;
            }
        }
        if (comma == std::string::npos) {
            return true;
        }
        start = comma + 1;
    }
}

// The census's runs in its shard, or 0 when the arguments are not a census to run.
uint64_t runsOf(const std::vector<std::string>& args) {
    try {
        const quorvel::CensusSettings settings = quorvel::parseCensusOptions(args);
        if (settings.helpRequested || settings.summarizeRequested) {
            return 0;
        }
        const quorvel::CensusPlan plan(settings.lists);
        const quorvel::Shard& shard = settings.shard;
        return shard.index > plan.runCount() ? 0
                                             : (plan.runCount() - shard.index) / shard.count + 1;
    } catch (const std::exception&) {
        return 0;
    }
}

// The parser's message for arguments it refuses; empty when it takes them.
std::string parseError(Program program, const std::vector<std::string>& args) {
    try {
        if (program == Program::View) {
            quorvel::parseViewOptions(args);
        } else {
            quorvel::parseCensusOptions(args);
        }
        return "";
    } catch (const std::exception& error) {
        return error.what();
    }
}

void checkErrorLine(const std::string& err, const std::string& context) {
    const std::string prefix = "error: ";
    check(err.rfind(prefix, 0) == 0 && err.find('\n') == err.size() - 1,
          "an error is not one \"error: \" line", context);
    check(err.size() <= prefix.size() + quorvel::kMaxShownErrorBytes + 1,
          "an error line longer than the bound", context);
    for (std::size_t i = 0; i + 1 < err.size(); ++i) {
        const auto byte = static_cast<unsigned char>(err[i]);
        check(byte >= 0x20 && byte != 0x7f, "a raw control byte in an error line", context);
    }
}

bool startsWith(const std::string& path, const std::string& text) {
    try {
        return quorvel::testsupport::readFile(path).rfind(text, 0) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void checkViewRun(const Request& request, const std::string& out, const std::string& context) {
    check(out.rfind("Quorvel\n", 0) == 0, "a view run without its banner", context);
    check(request.html.empty() || endsWith(out, "html=" + request.html + "\n"),
          "a page not named at the end of the report", context);
    check(request.html.empty() || startsWith(request.html, "<!DOCTYPE"), "a page missing", context);
    check(request.svg.empty() || startsWith(request.svg, "<svg "), "a picture missing", context);
    check(request.exportPath.empty() || startsWith(request.exportPath, "index,") ||
              startsWith(request.exportPath, "{\"index\":0,"),
          "an export missing", context);
}

void checkCensusRun(const Request& request, const std::string& out, const std::string& context) {
    check(out.rfind("Quorvel\n", 0) == 0, "a census without its banner", context);
    check(request.objects.empty() ||
              startsWith(request.objects, std::string(quorvel::kObjectCsvHeader) + "\n"),
          "an objects file missing", context);
    check(request.gallery.empty() || startsWith(request.gallery, "<svg "), "a gallery missing",
          context);
    if (request.csv.empty()) {
        check(out.find("\ncsv=") == std::string::npos, "a CSV named but none asked for", context);
        return;
    }
    check(endsWith(out, "csv=" + request.csv + "\n"), "the CSV not named at the end", context);
    check(startsWith(request.csv, std::string(quorvel::kCensusCsvHeader) + "\n"),
          "a CSV without its header", context);
    const ProgramOutcome summarized = runCensus({"quorvel-census", "--summarize", request.csv});
    const std::string summary = ruleLines(out);
    if (summary.empty()) {
        check(summarized.status == 1 &&
                  summarized.err == "error: No census rows in the files given\n",
              "an empty census's CSV summarized", context + "--- summarize:\n" + summarized.err);
        return;
    }
    check(summarized.status == 0 && summarized.out == summary,
          "--summarize of a census's CSV differs from its summary",
          context + "--- summarize:\n" + summarized.out + summarized.err);
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    check(static_cast<bool>(file.flush()), "unable to write a harness file", path);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const quorvel::testsupport::ScratchDir scratch("quorvel-programs-fuzz");
    gPaths.svg = scratch.path("state.svg");
    gPaths.html = scratch.path("page.html");
    gPaths.csv = scratch.path("census.csv");
    gPaths.missingSvg = scratch.path("missing/state.svg");
    gPaths.missingHtml = scratch.path("missing/page.html");
    gPaths.missingCsv = scratch.path("missing/census.csv");
    gPaths.objects = scratch.path("objects.csv");
    gPaths.gallery = scratch.path("gallery.svg");
    gPaths.missingObjects = scratch.path("missing/objects.csv");
    gPaths.missingGallery = scratch.path("missing/gallery.svg");
    gPaths.exports = {scratch.path("tiles.csv"), scratch.path("tiles.jsonl"),
                      scratch.path("tiles.txt")};
    gPaths.missingExport = scratch.path("missing/tiles.csv");
    gPaths.fixtureCsv = scratch.path("fixture.csv");
    gPaths.directory = scratch.dir().string();
    const CensusFixture fixture(gPaths.fixtureCsv);
    // The header and the first two runs: a census stopped early.
    std::size_t end = 0;
    for (int line = 0; line < 3; ++line) {
        end = fixture.csv.find('\n', end) + 1;
    }
    gPaths.partialCsv = fixture.csv.substr(0, end);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<std::string> fuzzArgs = splitArguments(data, size, false);
    if (fuzzArgs.empty() || (fuzzArgs[0] != "quorvel-view" && fuzzArgs[0] != "quorvel-census")) {
        return 0;
    }
    const Program program = fuzzArgs[0] == "quorvel-view" ? Program::View : Program::Census;
    std::vector<std::string> args = {fuzzArgs[0], "--depth", std::to_string(kMaxDepth), "--steps",
                                     std::to_string(kMaxSteps)};
    args.insert(args.end(), {program == Program::View ? "--html" : "--csv",
                             program == Program::View ? gPaths.html : gPaths.csv});
    args.insert(args.end(), fuzzArgs.begin() + 1, fuzzArgs.end());
    const Request request = walk(program, args, true);
    if (program == Program::Census && runsOf(args) > kMaxRuns) {
        return 0;
    }
    std::remove(gPaths.svg.c_str());
    std::remove(gPaths.html.c_str());
    std::remove(gPaths.objects.c_str());
    std::remove(gPaths.gallery.c_str());
    writeText(gPaths.csv, gPaths.partialCsv);

    std::ostringstream outStream;
    std::ostringstream errStream;
    const int status = program == Program::View
                           ? quorvel::runQuorvelView(args, outStream, errStream)
                           : quorvel::runQuorvelCensus(args, outStream, errStream);
    const std::string out = outStream.str();
    const std::string err = errStream.str();
    const std::string context = joined(args) + "\n--- out:\n" + out + "--- err:\n" + err;

    check(status == 0 || status == 1, "exit status neither 0 nor 1", context);
    if (status == 1) {
        checkErrorLine(err, context);
    } else {
        check(err.empty(), "a run that succeeded wrote on stderr", context);
    }
    const std::string refused = parseError(program, args);
    if (!refused.empty()) {
        check(status == 1 && out.empty() &&
                  err == "error: " + quorvel::printableErrorText(refused) + "\n",
              "a refused command line not reported as the parser's error", context);
        return 0;
    }
    for (const auto& [option, text] : request.lists) {
        check(isListSyntax(option, text), "a malformed list accepted",
              context + "--- list: " + option + " " + text);
    }
    if (status == 1) {
        return 0;
    }
    if (request.summarize) {
        check(!out.empty() && ruleLines(out) == out, "--summarize printed other than summary lines",
              context);
    }
    if (request.ended) {
        return 0;
    }
    if (program == Program::View) {
        checkViewRun(request, out, context);
    } else {
        checkCensusRun(request, out, context);
    }
    return 0;
}
