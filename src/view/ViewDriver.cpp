#include "view/ViewDriver.h"

#include <memory>
#include <sstream>

#include "cli/Driver.h"
#include "cli/Report.h"
#include "cli/Version.h"
#include "view/PageWriter.h"
#include "view/Period.h"
#include "view/RunRecord.h"

namespace quorvel {

void printViewerUsage(std::ostream& out) {
    out << "quorvel-view [options]\n";
    printRunOptionUsage(out);
    out << "  --html PATH        write the interactive page (default quorvel.html)\n"
           "  --version          show the version ("
        << kVersion
        << ")\n"
           "  --help             show this help\n";
}

int runQuorvelView(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runReportingErrors(out, err, [&] {
        std::string htmlPath = kDefaultHtmlPath;
        bool versionRequested = false;
        const ParsedCommand command = parseOptions(
            args,
            {ExtraOption{"--html", [&](const std::string& value) { htmlPath = value; }},
             ExtraOption{"--version", [&](const std::string&) { versionRequested = true; }, true}});
        if (command.helpRequested) {
            printViewerUsage(out);
            return 0;
        }
        if (versionRequested) {
            out << "quorvel-view " << kVersion << "\n";
            return 0;
        }
        const Options& options = command.options;
        std::unique_ptr<RunRecord> record;
        RunObserver observer;
        observer.seeded = [&](const Tiling& seeded) {
            record = std::make_unique<RunRecord>(seeded);
        };
        observer.stepped = [&](const Automaton& automaton) {
            record->addStep(automaton.changedTiles());
        };
        const Tiling tiling = reportRun(options, out, observer);
        const Period period = detectPeriod(*record);
        std::ostringstream summary;
        writeSummary(summary, options, tiling.size());
        std::string summaryLine = summary.str();
        summaryLine.pop_back();
        writePeriodLine(out, period);
        writeViewerPage(tiling, *record, period, summaryLine, htmlPath);
        out << "html=" << htmlPath << "\n";
        return 0;
    });
}

}  // namespace quorvel
