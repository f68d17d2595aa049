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
#include "run/CommandLine.h"
#include "run/HardwareThreads.h"
#include "run/Options.h"
#include "run/Report.h"
#include "run/RunPipeline.h"

namespace quorvel {

namespace {

std::string listText(const std::vector<IntRange>& ranges) {
    std::string text;
    for (const IntRange& range : ranges) {
        text += (text.empty() ? "" : ",") + std::to_string(range.first);
        if (range.last != range.first) {
            text += "-" + std::to_string(range.last);
        }
    }
    return text;
}

std::vector<CommandOption> censusTable(CensusSettings& s) {
    const std::vector<CommandOption> run = runOptionTable(s.run);
    std::vector<CommandOption> table = optionsNamed(run, {"--depth", "--root"});
    table.push_back({"--tiling", "NAME", "quorvel | spectre",
                     [&s](const std::string& v) { s.tiling = v; }, [&s] { return s.tiling; }});
    const auto intList = [&s](const char* name, const char* help,
                              std::vector<IntRange> CensusLists::*list) {
        return CommandOption{
            name, "LIST", help,
            [&s, name, list](const std::string& v) { s.lists.*list = parseIntList(name, v); },
            [&s, list] { return listText(s.lists.*list); }};
    };
    table.push_back(
        intList("--birth", "birth face counts, such as 3, 1-4 or 0,2,5-7", &CensusLists::births));
    table.push_back(
        intList("--survive-min", "minimum live faces to survive", &CensusLists::surviveMins));
    table.push_back(
        intList("--survive-max", "maximum live faces to survive", &CensusLists::surviveMaxes));
    table.push_back(intList("--face-weight", "cap per-neighbor multi-face contribution",
                            &CensusLists::faceWeights));
    table.push_back(
        {"--density", "LIST", "initial densities from 0..1, such as 0.2,0.42",
         [&s](const std::string& v) { s.lists.densities = parseDensityList("--density", v); },
         [&s] {
             std::string text;
             for (const double density : s.lists.densities) {
                 text += (text.empty() ? "" : ",") + shownNumber(density);
             }
             return text;
         }});
    table.push_back({"--seed", "LIST", "deterministic seeds, such as 1-16",
                     [&s](const std::string& v) { s.lists.seeds = parseSeedList("--seed", v); },
                     [&s] {
                         std::string text;
                         for (const SeedRange& range : s.lists.seeds) {
                             text += (text.empty() ? "" : ",") + std::to_string(range.first);
                             if (range.last != range.first) {
                                 text += "-" + std::to_string(range.last);
                             }
                         }
                         return text;
                     }});
    table.push_back({"--steps", "N", "most steps a run may take",
                     [&s](const std::string& v) { s.run.steps = convertInt(v); },
                     [&s] { return std::to_string(s.run.steps); }});
    table.push_back({"--jobs", "N", "worker threads (default: the hardware threads)",
                     [&s](const std::string& v) { s.jobs = convertInt(v); }, nullptr});
    table.push_back({"--csv", "PATH", "write one row per run (default census.csv; empty for none)",
                     [&s](const std::string& v) { s.csvPath = v; }, nullptr});
    table.push_back({"--shard", "K/N", "make only the runs at positions K-1 modulo N",
                     [&s](const std::string& v) {
                         s.shard = parseShard(v);
                         s.sharded = true;
                     },
                     nullptr});
    table.push_back({"--summarize", "FILE...", "print the summary lines of these CSV files' rows",
                     [&s](const std::string& v) {
                         s.summarizeRequested = true;
                         s.summarizePaths.push_back(v);
                     },
                     nullptr, Takes::Rest});
    table.push_back(helpOption(s.helpRequested));
    return table;
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

CensusSettings parseCensusOptions(const std::vector<std::string>& args) {
    CensusSettings settings;
    settings.jobs = hardwareThreads();
    if (parseCommandLine(censusTable(settings), args, ConversionErrors::NamingTheOption)) {
        return settings;
    }
    clampRunOptions(settings.run, maxDepthOfTiling(settings.tiling));
    validateRoot(settings.run.root);
    tilingKindNamed(settings.tiling);
    settings.jobs = std::clamp(settings.jobs, 1, hardwareThreads());
    return settings;
}

void printCensusUsage(std::ostream& out) {
    CensusSettings defaults;
    printOptionUsage(out, "quorvel-census [options]", censusTable(defaults));
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
        const TilingKind kind = tilingKindNamed(settings.tiling);
        const CensusPlan plan(settings.lists);
        const std::vector<uint64_t> positions = plan.positionsIn(settings.shard);
        Options worldOptions = settings.run;
        worldOptions.density = 0.0;
        const Tiling world = buildWorld(worldOptions, kind);

        writeBanner(out);
        writeCensusSummary(out, settings, world.size(), positions.size());
        checkWritten(out);

        CensusProgress progress;
        std::unique_ptr<ProgressLine> line;
        if (errIsTerminal) {
            line = std::make_unique<ProgressLine>(err, positions.size());
            progress.report = [&](uint64_t done) { line->draw(done); };
        }
        const std::vector<CensusRow> rows =
            runCensus(world, plan, positions, settings.run.steps, settings.jobs, progress);
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
