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
        const Rule rule{options.birth, options.surviveMin, options.surviveMax, options.faceWeight};
        std::unique_ptr<RunRecord> record;
        const Tiling* running = nullptr;
        RunObserver observer;
        observer.seeded = [&](const Tiling& seeded) {
            running = &seeded;
            record = std::make_unique<RunRecord>(seeded, rule);
        };
        observer.stepped = [&](const Automaton& automaton) {
            record->addStep(*running, automaton);
        };
        const Tiling tiling = reportRun(options, out, observer);
        std::ostringstream summary;
        writeSummary(summary, options, tiling.size());
        std::string summaryLine = summary.str();
        summaryLine.pop_back();
        writePeriodLine(out, record->period());
        writeViewerPage(tiling, *record, summaryLine, htmlPath);
        out << "html=" << htmlPath << "\n";
        return 0;
    });
}

}  // namespace quorvel
