// quorvel: the run from arguments to exit status: options, build, banner and summary, one line
// per step, the optional picture. Every error of the run is caught here, and only here, and
// becomes one "error: " line on the error stream and exit status 1.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quorvel {

// args[0] is the program's name. Returns the exit status.
int runQuorvel(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quorvel
