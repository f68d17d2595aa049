// The viewer page as built from its source files (src/view/page): the HTML with the style and
// the script in place, and markers for what the program fills in: the run's summary line
// (kSummaryMarker, as the heading), the run data (kRunMarker, JSON) and its checksum
// (kChecksumMarker).
#pragma once

#include <string>

namespace quorvel {

const std::string& pageTemplate();

constexpr const char* kSummaryMarker = "<!--quorvel:summary-->";
constexpr const char* kChecksumMarker = "quorvel:checksum";
constexpr const char* kRunMarker = "/*quorvel:run*/";

}  // namespace quorvel
