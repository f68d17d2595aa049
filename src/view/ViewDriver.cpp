#include "view/ViewDriver.h"

#include <stdexcept>
#include <string>

#include "cli/Version.h"
#include "run/Period.h"
#include "run/Report.h"
#include "run/Run.h"
#include "run/RunPipeline.h"
#include "view/PageWriter.h"

namespace quorvel {

void printViewerUsage(std::ostream& out) {
    out << "quorvel-view [options]\n";
    printRunOptionUsage(out);
    out << "  --tiling NAME      quorvel | spectre (default quorvel)\n"
           "  --html PATH        write the interactive page (default quorvel.html)\n"
           "  --version          show the version ("
        << kVersion
        << ")\n"
           "  --help             show this help\n";
}

int runQuorvelView(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runReportingErrors(out, err, [&] {
        std::string htmlPath = kDefaultHtmlPath;
        std::string tilingArg = tilingName(TilingKind::Quorvel);
        bool versionRequested = false;
        const ParsedCommand command = parseOptions(
            args,
            {ExtraOption{"--html", [&](const std::string& value) { htmlPath = value; }},
             ExtraOption{"--tiling", [&](const std::string& value) { tilingArg = value; }},
             ExtraOption{"--version", [&](const std::string&) { versionRequested = true; }, true}});
        if (command.helpRequested) {
            printViewerUsage(out);
            return 0;
        }
        if (versionRequested) {
            out << "quorvel-view " << kVersion << "\n";
            return 0;
        }
        // Checked once every argument is read, as the root is.
        const TilingKind kind = tilingKindNamed(tilingArg);
        const Options& options = command.options;
        // Refused before the run, not after it: a page beyond this depth would be too large.
        if (!htmlPath.empty() && options.depth > kLargestPageDepth) {
            throw std::runtime_error("Unable to write HTML at depth " +
                                     std::to_string(options.depth) + ": pages go up to depth " +
                                     std::to_string(kLargestPageDepth) +
                                     " (--html '' runs without one)");
        }
        Run run(options, RunSetup{kind, true, 1});
        reportRun(run, options, out);
        writePeriodLine(out, run.record()->period());
        // An empty path asks for the report alone, as an empty --svg does.
        if (htmlPath.empty()) {
            return 0;
        }
        writeViewerPage(run.world().tiling, run.automaton().graph(), *run.record(),
                        summaryLine(options, run.world().tiling.size(), kind), htmlPath);
        out << "html=" << htmlPath << "\n";
        return 0;
    });
}

}  // namespace quorvel
