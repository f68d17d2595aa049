#include "view/ViewDriver.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "cli/Version.h"
#include "run/CommandLine.h"
#include "run/HardwareThreads.h"
#include "run/Period.h"
#include "run/ProgramErrors.h"
#include "run/Report.h"
#include "run/Run.h"
#include "run/RunPipeline.h"
#include "view/PageWriter.h"
#include "view/TileExport.h"

namespace quorvel {

namespace {

std::vector<CommandOption> viewTable(ViewSettings& s) {
    std::vector<CommandOption> table = runOptionTable(s.run);
    // The range options and --rule set one rule: both at once is refused after the parsing.
    for (CommandOption& option : table) {
        if (option.name == "--birth" || option.name == "--survive-min" ||
            option.name == "--survive-max") {
            option.store = [&s, store = option.store](const std::string& v) {
                store(v);
                s.rangeRuleGiven = true;
            };
        }
    }
    const auto faceWeight = std::find_if(table.begin(), table.end(), [](const CommandOption& o) {
        return o.name == "--face-weight";
    });
    table.insert(
        faceWeight,
        {"--rule", "RULE", "birth/survive sets such as B2,5/S1,3-4 (not with --birth)",
         [&s](const std::string& v) { s.run.ruleSets = parseRuleOption("--rule", v); }, nullptr});
    table.push_back(neighbourhoodOption(s.run));
    table.push_back({"--tiling", "NAME", "quorvel | spectre",
                     [&s](const std::string& v) { s.tiling = v; }, [&s] { return s.tiling; }});
    table.push_back({"--html", "PATH", "write the interactive page",
                     [&s](const std::string& v) { s.htmlPath = v; }, [&s] { return s.htmlPath; }});
    table.push_back({"--export", "PATH", "write the tiles as data: .csv or .jsonl",
                     [&s](const std::string& v) { s.exportPath = v; }, nullptr});
    table.push_back({"--threads", "N", "threads that step the run, at most the hardware's",
                     [&s](const std::string& v) { s.threads = convertInt(v); },
                     [&s] { return std::to_string(s.threads); }});
    table.push_back({"--version", "", "show the version (" + std::string(kVersion) + ")",
                     [&s](const std::string&) { s.versionRequested = true; }, nullptr,
                     Takes::Nothing});
    table.push_back(helpOption(s.helpRequested));
    return table;
}

}  // namespace

ViewSettings parseViewOptions(const std::vector<std::string>& args) {
    ViewSettings settings;
    if (parseCommandLine(viewTable(settings), args, ConversionErrors::NamingTheOption)) {
        return settings;
    }
    if (settings.run.ruleSets && settings.rangeRuleGiven) {
        throw std::runtime_error(
            "--rule cannot be combined with --birth, --survive-min or --survive-max");
    }
    clampRunOptions(settings.run, maxDepthOfTiling(settings.tiling));
    validateRoot(settings.run.root);
    tilingKindNamed(settings.tiling);
    settings.threads = std::clamp(settings.threads, 1, hardwareThreads());
    return settings;
}

void printViewerUsage(std::ostream& out) {
    ViewSettings defaults;
    printOptionUsage(out, "quorvel-view [options]", viewTable(defaults));
}

int runQuorvelView(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runProgram(out, err, ErrorText::Printable, [&](ReportStream& report) {
        const ViewSettings settings = parseViewOptions(args);
        if (settings.helpRequested) {
            printViewerUsage(report);
            return 0;
        }
        if (settings.versionRequested) {
            report << "quorvel-view " << kVersion << "\n";
            return 0;
        }
        // The page and the picture are the run's results: they are written even when the
        // report's reader is gone.
        if (!settings.htmlPath.empty() || !settings.run.svgPath.empty() ||
            !settings.exportPath.empty()) {
            report.keepGoingWhenLost();
        }
        const TilingKind kind = tilingKindNamed(settings.tiling);
        const Options& options = settings.run;
        // Refused before the run, not after it: a page beyond this depth would be too large.
        if (!settings.htmlPath.empty() && options.depth > kLargestPageDepth) {
            throw std::runtime_error("Unable to write HTML at depth " +
                                     std::to_string(options.depth) + ": pages go up to depth " +
                                     std::to_string(kLargestPageDepth) +
                                     " (--html '' runs without one)");
        }
        if (!settings.exportPath.empty()) {
            exportFormatOf(settings.exportPath);
        }
        Run run(options, RunSetup{kind, true, settings.threads});
        reportRun(run, options, report);
        writePeriodLine(report, run.record()->period());
        if (!settings.exportPath.empty()) {
            writeTileExportFile(run.world(), run.automaton(), settings.exportPath, &report);
            report << "export=" << settings.exportPath << "\n";
        }
        // An empty path asks for the report alone, as an empty --svg does.
        if (settings.htmlPath.empty()) {
            return 0;
        }
        const StepGraph pageGraph =
            pageStepGraphOf(run.world(), options.neighbourhood, run.automaton().graph());
        writeViewerPage(run.world().tiling, pageGraph, *run.record(),
                        PageSeeding{options.seed, options.density},
                        summaryLine(options, run.world().tiling.size(), kind), settings.htmlPath,
                        &report);
        report << "html=" << settings.htmlPath << "\n";
        return 0;
    });
}

}  // namespace quorvel
