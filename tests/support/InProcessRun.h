// A whole program run in-process: its exit status and what it wrote on both streams.
#pragma once

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Driver.h"
#include "run/Options.h"

namespace quorvel::testrun {

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

using EntryPoint = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

// `args` is the whole argument list, the program's name first.
inline RunResult runInProcess(const std::vector<std::string>& args, EntryPoint entry = runQuorvel) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = entry(args, out, err);
    return {status, out.str(), err.str()};
}

// The usage text quorvel prints for --help.
inline std::string usageText() {
    std::ostringstream usage;
    printUsage(usage);
    return usage.str();
}

// quorvel with these options.
inline RunResult runQuorvelWith(std::vector<std::string> options) {
    options.insert(options.begin(), "quorvel");
    return runInProcess(options);
}

}  // namespace quorvel::testrun
