#include "census/CensusDriver.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <iomanip>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "census/Census.h"
#include "census/CensusPlan.h"
#include "census/CensusTable.h"
#include "render/OutputFile.h"
#include "run/Options.h"
#include "run/Report.h"
#include "run/RunPipeline.h"

namespace quorvel {

namespace {

struct CensusSettings {
    // depth, root and steps; the rule fields come from the lists.
    Options run;
    CensusLists lists;
    std::string tiling = tilingName(TilingKind::Quorvel);
    int32_t jobs = 0;
    std::string csvPath = kDefaultCensusCsvPath;
    Shard shard;
    bool sharded = false;
    bool helpRequested = false;
    bool summarizeRequested = false;
    std::vector<std::string> summarizePaths;
};

using Store = void (*)(CensusSettings&, const std::string&);

enum class Takes {
    Value,  // the next argument
    Nothing,
    Rest,  // every argument after it
};

struct CensusOption {
    const char* name;
    const char* argument;
    const char* help;
    Store store;
    Takes takes = Takes::Value;
};

const std::array<CensusOption, 15> kCensusOptions = {{
    {"--depth", "N", "substitution depth (default 3)",
     [](CensusSettings& s, const std::string& v) { s.run.depth = convertInt(v); }},
    {"--root", "NAME", "Delta | Gamma | Psi | Sigma (default Delta)",
     [](CensusSettings& s, const std::string& v) { s.run.root = v; }},
    {"--tiling", "NAME", "quorvel | spectre (default quorvel)",
     [](CensusSettings& s, const std::string& v) { s.tiling = v; }},
    {"--birth", "LIST", "birth face counts, such as 3, 1-4 or 0,2,5-7 (default 3)",
     [](CensusSettings& s, const std::string& v) { s.lists.births = parseIntList("--birth", v); }},
    {"--survive-min", "LIST", "minimum live faces to survive (default 2)",
     [](CensusSettings& s, const std::string& v) {
         s.lists.surviveMins = parseIntList("--survive-min", v);
     }},
    {"--survive-max", "LIST", "maximum live faces to survive (default 3)",
     [](CensusSettings& s, const std::string& v) {
         s.lists.surviveMaxes = parseIntList("--survive-max", v);
     }},
    {"--face-weight", "LIST", "cap per-neighbor multi-face contribution (default 1)",
     [](CensusSettings& s, const std::string& v) {
         s.lists.faceWeights = parseIntList("--face-weight", v);
     }},
    {"--density", "LIST", "initial densities from 0..1, such as 0.2,0.42 (default 0.42)",
     [](CensusSettings& s, const std::string& v) {
         s.lists.densities = parseDensityList("--density", v);
     }},
    {"--seed", "LIST", "deterministic seeds, such as 1-16 (default 1)",
     [](CensusSettings& s, const std::string& v) { s.lists.seeds = parseSeedList("--seed", v); }},
    {"--steps", "N", "most steps a run may take (default 1000)",
     [](CensusSettings& s, const std::string& v) { s.run.steps = convertInt(v); }},
    {"--jobs", "N", "worker threads (default: the hardware threads)",
     [](CensusSettings& s, const std::string& v) { s.jobs = std::max(convertInt(v), 1); }},
    {"--csv", "PATH", "write one row per run (default census.csv; empty for none)",
     [](CensusSettings& s, const std::string& v) { s.csvPath = v; }},
    {"--shard", "K/N", "make only the runs at positions K-1 modulo N",
     [](CensusSettings& s, const std::string& v) {
         s.shard = parseShard(v);
         s.sharded = true;
     }},
    {"--summarize", "FILE...", "print the summary lines of these CSV files' rows",
     [](CensusSettings& s, const std::string&) { s.summarizeRequested = true; }, Takes::Rest},
    {"--help", "", "show this help",
     [](CensusSettings& s, const std::string&) { s.helpRequested = true; }, Takes::Nothing},
}};

int32_t hardwareThreads() {
    const unsigned threads = std::thread::hardware_concurrency();
    return threads == 0 ? 1 : static_cast<int32_t>(std::min(threads, 1024u));
}

// As quorvel reads its options: whole names, the next argument always the value, the first
// error thrown, --help ending the parsing. --summarize takes every argument after it.
CensusSettings parseCensusOptions(const std::vector<std::string>& args) {
    CensusSettings settings;
    settings.run.steps = 1000;
    settings.jobs = hardwareThreads();
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto option = std::find_if(kCensusOptions.begin(), kCensusOptions.end(),
                                         [&](const CensusOption& o) { return arg == o.name; });
        if (option == kCensusOptions.end()) {
            throw std::runtime_error("Unknown argument: " + arg);
        }
        if (option->takes == Takes::Nothing) {
            option->store(settings, "");
            return settings;
        }
        if (option->takes == Takes::Rest) {
            option->store(settings, "");
            settings.summarizePaths.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                           args.end());
            if (settings.summarizePaths.empty()) {
                throw std::runtime_error("Missing value after " + arg);
            }
            return settings;
        }
        if (i + 1 == args.size()) {
            throw std::runtime_error("Missing value after " + arg);
        }
        option->store(settings, args[++i]);
    }
    clampRunOptions(settings.run);
    validateRoot(settings.run.root);
    return settings;
}

// One line redrawn in place: runs done of all, runs per second, time left.
class ProgressLine {
  public:
    ProgressLine(std::ostream& err, uint64_t total)
        : err_(err), total_(total), start_(std::chrono::steady_clock::now()) {}

    void draw(uint64_t done) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
        err_ << "\rruns " << done << "/" << total_ << "  " << std::fixed << std::setprecision(1)
             << rate << " runs/s";
        if (rate > 0.0) {
            const auto left = static_cast<uint64_t>(static_cast<double>(total_ - done) / rate);
            err_ << "  " << left / 60 << ":" << std::setw(2) << std::setfill('0') << left % 60
                 << std::setfill(' ') << " left";
        }
        err_ << "\x1b[K" << std::flush;
    }
    void finish() { err_ << "\n" << std::flush; }

  private:
    std::ostream& err_;
    uint64_t total_;
    std::chrono::steady_clock::time_point start_;
};

void summarizeFiles(const std::vector<std::string>& paths, std::ostream& out) {
    std::vector<CensusRow> rows;
    for (const std::string& path : paths) {
        const std::vector<CensusRow> fileRows = readCensusCsv(path);
        rows.insert(rows.end(), fileRows.begin(), fileRows.end());
    }
    writeRuleSummaries(out, rows);
}

void writeCensusSummary(std::ostream& out, const CensusSettings& settings, std::size_t tileCount,
                        uint64_t runCount) {
    out << "tiles=" << static_cast<uint64_t>(tileCount) << " depth=" << settings.run.depth
        << " root=" << settings.run.root << " tiling=" << settings.tiling << " runs=" << runCount
        << " steps=" << settings.run.steps;
    if (settings.sharded) {
        out << " shard=" << settings.shard.index << "/" << settings.shard.count;
    }
    out << "\n";
}

}  // namespace

void printCensusUsage(std::ostream& out) {
    out << "quorvel-census [options]\n";
    for (const CensusOption& option : kCensusOptions) {
        const std::string left = std::string(option.name) + " " + option.argument;
        out << "  " << std::left << std::setw(18) << left << " " << option.help << "\n";
    }
    out << std::right;
}

int runQuorvelCensus(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool errIsTerminal) {
    return runReportingErrors(out, err, [&] {
        const CensusSettings settings = parseCensusOptions(args);
        if (settings.helpRequested) {
            printCensusUsage(out);
            return 0;
        }
        if (settings.summarizeRequested) {
            summarizeFiles(settings.summarizePaths, out);
            return 0;
        }
        // Checked once every argument is read, as the root is.
        const TilingKind kind = tilingKindNamed(settings.tiling);
        const CensusPlan plan(settings.lists);
        const std::vector<uint64_t> positions = plan.positionsIn(settings.shard);
        const World world = buildWorld(settings.run, kind);
        StepGraphs graphs;
        for (const int32_t weight : plan.weights()) {
            graphs.emplace(weight,
                           std::make_shared<const StepGraph>(buildStepGraph(world.faces, weight)));
        }

        writeBanner(out);
        writeCensusSummary(out, settings, world.tiling.size(), positions.size());
        checkWritten(out);

        CensusProgress progress;
        std::unique_ptr<ProgressLine> line;
        if (errIsTerminal) {
            line = std::make_unique<ProgressLine>(err, positions.size());
            progress.report = [&](uint64_t done) { line->draw(done); };
        }
        const std::vector<CensusRow> rows =
            runCensus(graphs, plan, positions, settings.run.steps, settings.jobs, progress);
        if (line) {
            line->finish();
        }
        writeRuleSummaries(out, rows);
        checkWritten(out);
        if (!settings.csvPath.empty()) {
            OutputFile file(settings.csvPath, "Unable to write CSV: " + settings.csvPath);
            writeCensusCsv(file.stream(), rows);
            file.commit();
            out << "csv=" << settings.csvPath << "\n";
        }
        return 0;
    });
}

}  // namespace quorvel
