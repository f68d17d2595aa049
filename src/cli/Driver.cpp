#include "cli/Driver.h"

#include "run/Options.h"
#include "run/RunPipeline.h"

namespace quorvel {

int runQuorvel(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runReportingErrors(out, err, [&] {
        const ParsedCommand command = parseOptions(args);
        if (command.helpRequested) {
            printUsage(out);
        } else {
            Run run(command.options, RunSetup{});
            reportRun(run, command.options, out);
        }
        return 0;
    });
}

}  // namespace quorvel
