#include "view/ViewDriver.h"

#include <memory>
#include <sstream>

#include "cli/Version.h"
#include "run/Period.h"
#include "run/Report.h"
#include "run/RunPipeline.h"
#include "run/RunRecord.h"
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
        const Rule rule = ruleOf(options);
        std::unique_ptr<RunRecord> record;
        const Tiling* running = nullptr;
        RunObserver observer;
        observer.seeded = [&](const Tiling& seeded) {
            running = &seeded;
            record = std::make_unique<RunRecord>(seeded, rule);
        };
        observer.stepped = [&](const TilingAutomaton& automaton) {
            record->addStep(*running, automaton);
        };
        const Tiling tiling = reportRun(options, out, observer, kind);
        std::ostringstream summary;
        writeSummary(summary, options, tiling.size(), kind);
        std::string summaryLine = summary.str();
        summaryLine.pop_back();
        writePeriodLine(out, record->period());
        // An empty path asks for the report alone, as an empty --svg does.
        if (htmlPath.empty()) {
            return 0;
        }
        writeViewerPage(tiling, *record, summaryLine, htmlPath);
        out << "html=" << htmlPath << "\n";
        return 0;
    });
}

}  // namespace quorvel
