// Which of the two patches a world is: quorvel's own, whose supertiles all place their
// children with one list of transforms, or the genuine Spectre tiling.
#pragma once

#include <string>

namespace quorvel {

enum class TilingKind {
    Quorvel,  // quorvel's own patch, one child transform list at every level
    Spectre,  // the genuine tiling, key points rebuilt at every level
};

// The command-line name of a kind: "quorvel" or "spectre".
const char* tilingName(TilingKind kind);

// Throws "Unsupported tiling: " + name for any name but the two above.
TilingKind tilingKindNamed(const std::string& name);

}  // namespace quorvel
