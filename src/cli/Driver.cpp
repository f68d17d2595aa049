#include "cli/Driver.h"

#include "run/Options.h"
#include "run/ProgramErrors.h"
#include "run/RunPipeline.h"

namespace quorvel {

int runQuorvel(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runProgram(out, err, ErrorText::AsThrown, [&](ReportStream& report) {
        const ParsedCommand command = parseOptions(args);
        if (command.helpRequested) {
            printUsage(report);
            return 0;
        }
        // The picture is the run's result: it is written even when the report's reader is gone.
        if (!command.options.svgPath.empty()) {
            report.keepGoingWhenLost();
        }
        Run run(command.options, RunSetup{});
        reportRun(run, command.options, report);
        return 0;
    });
}

}  // namespace quorvel
