// quorvel-view: the same run and report as quorvel, then the period of the live set and the
// viewer page that replays the run in a browser.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "run/Options.h"
#include "tiling/Patch.h"

namespace quorvel {

constexpr const char* kDefaultHtmlPath = "quorvel.html";

// quorvel-view's command line: the run options and its own.
struct ViewSettings {
    // The depth clamped to 0..8 for the Spectre patch, 0..5 for quorvel's.
    Options run;
    std::string tiling = tilingName(TilingKind::Quorvel);
    std::string htmlPath = kDefaultHtmlPath;
    // The tiles as data (.csv or .jsonl), at the last step; empty for none.
    std::string exportPath;
    // Threads that step the one run: 1..the hardware threads.
    int32_t threads = 1;
    // One of --birth, --survive-min, --survive-max was given (refused beside --rule).
    bool rangeRuleGiven = false;
    bool helpRequested = false;
    bool versionRequested = false;
};

// As quorvel reads its options, and the tiling name checked after the root. A conversion error
// names its option ("--depth: invalid stoi argument").
ViewSettings parseViewOptions(const std::vector<std::string>& args);

void printViewerUsage(std::ostream& out);

// args[0] is the program's name. Returns the exit status.
int runQuorvelView(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quorvel
