// The fixed text of the viewer page around its two insertions: the run's summary line (as the
// heading) and the run data (a script object literal, see PageData.h for its encodings).
#pragma once

namespace quorvel {

extern const char* const kPageHead;    // ... up to the heading's text
extern const char* const kPageBody;    // ... up to "const RUN = "
extern const char* const kPageScript;  // ... to the end of the page

}  // namespace quorvel
