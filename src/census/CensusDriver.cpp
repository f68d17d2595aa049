#include "census/CensusDriver.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

#include "automaton/VertexStepGraph.h"
#include "census/Census.h"
#include "census/CensusPlan.h"
#include "census/CensusTable.h"
#include "census/Gallery.h"
#include "census/ObjectTable.h"
#include "cli/Version.h"
#include "render/OutputFile.h"
#include "run/CommandLine.h"
#include "run/HardwareThreads.h"
#include "run/Options.h"
#include "run/ProcessSignals.h"
#include "run/ProgramErrors.h"
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
        return CommandOption{name, "LIST", help,
                             [&s, name, list](const std::string& v) {
                                 s.lists.*list = parseIntList(name, v);
                                 s.lists.rangeListGiven =
                                     s.lists.rangeListGiven || list != &CensusLists::faceWeights;
                             },
                             [&s, list] { return listText(s.lists.*list); }};
    };
    table.push_back(
        intList("--birth", "birth face counts, such as 3, 1-4 or 0,2,5-7", &CensusLists::births));
    table.push_back(
        intList("--survive-min", "minimum live faces to survive", &CensusLists::surviveMins));
    table.push_back(
        intList("--survive-max", "maximum live faces to survive", &CensusLists::surviveMaxes));
    table.push_back(
        {"--rule", "RULES", "set rules such as 'B2,5/S1,3-4;B3/S2-3' (not with --birth)",
         [&s](const std::string& v) { s.lists.ruleSets = parseRuleList("--rule", v); }, nullptr});
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
    table.push_back(neighbourhoodOption(s.run));
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
    table.push_back({"--resume", "", "go on from the partial CSV of this census at --csv",
                     [&s](const std::string&) { s.resume = true; }, nullptr, Takes::Flag});
    table.push_back({"--objects", "PATH",
                     "write the objects runs settle into, one row per distinct object",
                     [&s](const std::string& v) { s.objectsPath = v; }, nullptr});
    table.push_back({"--gallery", "PATH", "draw the most common objects of each rule as SVG",
                     [&s](const std::string& v) { s.galleryPath = v; }, nullptr});
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

uint64_t greatestCommonDivisor(uint64_t a, uint64_t b) {
    while (b != 0) {
        a = std::exchange(b, a % b);
    }
    return a;
}

// Whether the file at `path` is a regular file that starts with the objects CSV's header.
// Only a bounded start of it is read, and nothing of a pipe or device, which is read once, as
// a census CSV.
bool isObjectsFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    const std::string header = kObjectCsvHeader;
    std::string start(header.size() + 5, '\0');
    file.read(&start[0], static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<std::size_t>(file.gcount()));
    if (start.rfind("\xEF\xBB\xBF", 0) == 0) {
        start.erase(0, 3);
    }
    return start.rfind(header + "\n", 0) == 0 || start.rfind(header + "\r\n", 0) == 0;
}

// Every file's rows, checked as they are read and tallied, never all held at once. Files of
// different censuses, the same file twice and shards that can hold the same runs are refused.
// Objects files among them are merged and, with `objectsPath`, written there.
void summarizeFiles(const std::vector<std::string>& paths, const std::string& objectsPath,
                    ReportStream& out) {
    struct FileSeen {
        std::string path;
        dev_t device;
        ino_t inode;
        bool hasRows;
        CensusIdentity census;
    };
    std::vector<FileSeen> seen;
    RuleSummaries summaries;
    ObjectCensus objects;
    bool objectFiles = false;
    for (const std::string& path : paths) {
        struct stat info {};
        const bool exists = ::stat(path.c_str(), &info) == 0;
        for (const FileSeen& earlier : seen) {
            if (exists && earlier.device == info.st_dev && earlier.inode == info.st_ino) {
                throw std::runtime_error("Same file given twice: " + earlier.path + " and " + path);
            }
        }
        // Object files carry no census columns: they are merged as given, counts added.
        if (isObjectsFile(path)) {
            objects.read(path);
            objectFiles = true;
            seen.push_back({path, info.st_dev, info.st_ino, false, {}});
            continue;
        }
        CensusCsvReader reader(path);
        CensusRow row;
        bool hasRows = false;
        while (reader.next(row)) {
            hasRows = true;
            summaries.add(row);
        }
        const CensusIdentity& census = reader.identity();
        for (const FileSeen& earlier : seen) {
            if (!hasRows || !earlier.hasRows) {
                continue;
            }
            CensusIdentity shardless = census;
            shardless.shard = earlier.census.shard;
            if (!(shardless == earlier.census)) {
                throw std::runtime_error("Different censuses: " + earlier.path + " (" +
                                         describeCensus(earlier.census) + ") and " + path + " (" +
                                         describeCensus(census) + ")");
            }
            // K-1 mod N and K'-1 mod N' meet on some position iff they agree modulo gcd(N, N').
            const uint64_t common =
                greatestCommonDivisor(census.shard.count, earlier.census.shard.count);
            if ((census.shard.index - 1) % common == (earlier.census.shard.index - 1) % common) {
                throw std::runtime_error("Shards that can hold the same runs: " + earlier.path +
                                         " and " + path);
            }
        }
        seen.push_back({path, info.st_dev, info.st_ino, hasRows, census});
    }
    if (summaries.rowCount() == 0 && !objectFiles) {
        throw std::runtime_error("No census rows in the files given");
    }
    if (!objectsPath.empty() && !objectFiles) {
        throw std::runtime_error("--objects with --summarize needs objects files to merge");
    }
    summaries.write(out);
    if (objectFiles) {
        objects.writeSummary(out);
    }
    if (!objectsPath.empty()) {
        OutputFile file(objectsPath, "Unable to write objects CSV: " + objectsPath, &out);
        objects.writeCsv(file.stream());
        file.commit();
        out << "objects_csv=" << objectsPath << "\n";
    }
}

void writeCensusSummary(std::ostream& out, const CensusSettings& settings, std::size_t tileCount,
                        uint64_t runCount) {
    out << "tiles=" << static_cast<uint64_t>(tileCount) << " depth=" << settings.run.depth
        << " root=" << settings.run.root << " tiling=" << settings.tiling;
    if (settings.run.neighbourhood != NeighbourhoodKind::Face) {
        out << " neighbourhood=" << neighbourhoodName(settings.run.neighbourhood);
    }
    out << " runs=" << runCount << " steps=" << settings.run.steps;
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

namespace {

// A worker holds a copy of the world's states, its reverse adjacencies and a run record:
// measured at about 216 bytes a tile at depth 5 (7.5 MB), so 256 leaves room. Workers beyond
// what half the machine's memory holds only end in an allocation failure.
constexpr uint64_t kWorkerBytesPerTile = 256;
constexpr uint64_t kWorkerBaseBytes = 1 << 20;

int32_t jobsMemoryHolds(std::size_t tileCount) {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageBytes = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageBytes <= 0) {
        return hardwareThreads();
    }
    const uint64_t half = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageBytes) / 2;
    const uint64_t perWorker = kWorkerBaseBytes + kWorkerBytesPerTile * tileCount;
    return static_cast<int32_t>(
        std::clamp<uint64_t>(half / perWorker, 1, static_cast<uint64_t>(hardwareThreads())));
}

CensusIdentity identityOf(const CensusSettings& settings, const CensusPlan& plan) {
    CensusIdentity census;
    census.depth = settings.run.depth;
    census.root = settings.run.root;
    census.tiling = settings.tiling;
    census.neighbourhood = neighbourhoodName(settings.run.neighbourhood);
    census.stepLimit = settings.run.steps;
    census.runCount = plan.runCount();
    census.shard = settings.shard;
    census.version = kVersion;
    return census;
}

// The rows of the partial CSV at `path`, which must be the first runs of this very census in
// its order. A file that does not exist yet is a census not begun.
std::vector<CensusRow> resumedRows(const std::string& path, const CensusIdentity& census,
                                   const CensusPlan& plan, const std::vector<uint64_t>& positions) {
    std::vector<CensusRow> rows;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        return rows;
    }
    CensusCsvReader reader(path);
    CensusRow row;
    while (reader.next(row)) {
        if (!(reader.identity() == census)) {
            throw std::runtime_error("Cannot resume from " + path + ": it holds another census (" +
                                     describeCensus(reader.identity()) + ", not " +
                                     describeCensus(census) + ")");
        }
        const CensusRun expected =
            rows.size() < positions.size() ? plan.runAt(positions[rows.size()]) : CensusRun{};
        if (rows.size() == positions.size() || row.position != positions[rows.size()] ||
            row.run.rule != expected.rule || row.run.seed != expected.seed ||
            densityText(row.run.density) != densityText(expected.density)) {
            throw std::runtime_error("Cannot resume from " + path + ": line " +
                                     std::to_string(reader.lineNumber()) +
                                     " is not the census's next run");
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

int runQuorvelCensus(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool errIsTerminal) {
    return runProgram(out, err, ErrorText::Printable, [&](ReportStream& report) {
        const CensusSettings settings = parseCensusOptions(args);
        if (settings.helpRequested) {
            printCensusUsage(report);
            return 0;
        }
        if (settings.summarizeRequested) {
            if (!settings.galleryPath.empty()) {
                // Object files keep codes, not the shapes a picture needs.
                throw std::runtime_error(
                    "--gallery draws the objects of a census run, not of --summarize");
            }
            summarizeFiles(settings.summarizePaths, settings.objectsPath, report);
            return 0;
        }
        if (settings.resume && settings.csvPath.empty()) {
            throw std::runtime_error("--resume needs the CSV of --csv");
        }
        const bool findingObjects = !settings.objectsPath.empty() || !settings.galleryPath.empty();
        if (settings.resume && findingObjects) {
            // The partial CSV does not hold the objects of the runs it saved.
            throw std::runtime_error("--resume cannot go on with --objects or --gallery");
        }
        const TilingKind kind = tilingKindNamed(settings.tiling);
        const CensusPlan plan(settings.lists);
        const std::vector<uint64_t> positions = plan.positionsIn(settings.shard);
        const CensusIdentity census = identityOf(settings, plan);
        std::vector<CensusRow> rows;
        if (settings.resume) {
            rows = resumedRows(settings.csvPath, census, plan, positions);
        }
        const std::size_t resumedCount = rows.size();
        const World world = buildWorld(settings.run, kind);
        StepGraphs graphs;
        // The vertex graph has no face weight: built once, labelled with each.
        const std::optional<StepGraph> vertex =
            settings.run.neighbourhood == NeighbourhoodKind::Vertex
                ? std::optional<StepGraph>(buildStepGraphOf(world, settings.run.neighbourhood, 1))
                : std::nullopt;
        for (const int32_t weight : plan.weights()) {
            graphs.emplace(weight, std::make_shared<const StepGraph>(
                                       vertex ? withFaceWeight(*vertex, weight)
                                              : buildStepGraph(world.faces, weight)));
        }
        for (const Rule& rule : plan.rules()) {
            checkRuleFits(rule, *graphs.begin()->second);
        }

        // The CSV is the census's result: it is finished even when the report's reader is gone.
        if (!settings.csvPath.empty()) {
            report.keepGoingWhenLost();
        }
        writeBanner(report);
        writeCensusSummary(report, settings, world.tiling.size(), positions.size());
        report.flush();
        checkWritten(report);

        // Rows go to a temporary file as they come, in the census's order; it becomes the CSV
        // when the census ends, or is stopped.
        std::unique_ptr<OutputFile> csv;
        if (!settings.csvPath.empty()) {
            csv = std::make_unique<OutputFile>(settings.csvPath,
                                               "Unable to write CSV: " + settings.csvPath, &report);
            writeCensusCsvHeader(csv->stream());
            for (const CensusRow& row : rows) {
                writeCensusCsvRow(csv->stream(), row, census);
            }
        }
        CensusProgress progress;
        progress.stopRequested = [] { return interruptingSignal() != 0; };
        ObjectCensus objects;
        progress.rowDone = [&](const CensusRow& row) {
            if (csv) {
                writeCensusCsvRow(csv->stream(), row, census);
            }
        };
        progress.objectsDone = [&](const CensusRow& row, const std::vector<ObjectSighting>& found) {
            objects.add(row, found);
        };
        std::unique_ptr<ProgressLine> line;
        if (errIsTerminal) {
            line = std::make_unique<ProgressLine>(err, positions.size());
            progress.report = [&](uint64_t done) { line->draw(resumedCount + done); };
        }
        const std::vector<uint64_t> remaining(
            positions.begin() + static_cast<std::ptrdiff_t>(resumedCount), positions.end());
        const int32_t jobs = std::min(settings.jobs, jobsMemoryHolds(world.tiling.size()));
        const std::vector<CensusRow> newRows =
            runCensus(graphs, plan, remaining, settings.run.steps, jobs, progress,
                      findingObjects ? &world.tiling.placements : nullptr);
        rows.insert(rows.end(), newRows.begin(), newRows.end());
        if (line) {
            line->finish();
        }
        if (csv) {
            csv->commit();
        }
        if (const int signal = interruptingSignal();
            signal != 0 && rows.size() < positions.size()) {
            report.flush();
            err << "interrupted: " << rows.size() << " of " << positions.size() << " runs saved";
            if (csv) {
                err << " in " << printableErrorText(settings.csvPath) << " (--resume goes on)";
            }
            err << "\n" << std::flush;
            return 128 + signal;
        }
        writeRuleSummaries(report, rows);
        if (findingObjects) {
            objects.writeSummary(report);
        }
        if (!settings.objectsPath.empty()) {
            OutputFile file(settings.objectsPath,
                            "Unable to write objects CSV: " + settings.objectsPath, &report);
            objects.writeCsv(file.stream());
            file.commit();
        }
        if (!settings.galleryPath.empty()) {
            writeGallery(objects, settings.galleryPath, &report);
        }
        if (!settings.objectsPath.empty()) {
            report << "objects_csv=" << settings.objectsPath << "\n";
        }
        if (!settings.galleryPath.empty()) {
            report << "gallery=" << settings.galleryPath << "\n";
        }
        // Last, as scripts of censuses without objects read it.
        if (csv) {
            report << "csv=" << settings.csvPath << "\n";
        }
        return 0;
    });
}

}  // namespace quorvel
