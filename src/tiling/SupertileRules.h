// The substitution rules: for each of the nine supertile labels, the labels of its eight child
// slots in slot order. "null" marks a slot that holds no child.
#pragma once

#include <array>
#include <string>
#include <unordered_map>

namespace quorvel {

using ChildLabels = std::array<std::string, 8>;
using SupertileRules = std::unordered_map<std::string, ChildLabels>;

inline constexpr const char* kEmptySlot = "null";

SupertileRules supertileRules();

// The child labels of a supertile label (exact, case-sensitive match), or nullptr.
const ChildLabels* findChildren(const SupertileRules& rules, const std::string& label);

}  // namespace quorvel
