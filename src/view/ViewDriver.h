// quorvel-view: the same run and report as quorvel, then the period of the live set and the
// viewer page that replays the run in a browser.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quorvel {

constexpr const char* kDefaultHtmlPath = "quorvel.html";

void printViewerUsage(std::ostream& out);

// args[0] is the program's name. Returns the exit status.
int runQuorvelView(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quorvel
