#include "tiling/Expansion.h"

#include <stdexcept>

namespace quorvel {

namespace {

// The rules' rows, in order; a supertile's id is its row.
const std::array<const char*, kSupertileCount> kSupertileLabels = {
    "Gamma", "Delta", "Theta", "Lambda", "Xi", "Pi", "Sigma", "Phi", "Psi"};

const ChildLabels& childrenOrThrow(const SupertileRules& rules, const std::string& label) {
    const ChildLabels* children = findChildren(rules, label);
    if (children == nullptr) {
        throw std::runtime_error("Unknown label: " + label);
    }
    return *children;
}

}  // namespace

int supertileId(const std::string& label) {
    for (std::size_t id = 0; id < kSupertileLabels.size(); ++id) {
        if (label == kSupertileLabels[id]) {
            return static_cast<int>(id);
        }
    }
    return -1;
}

const char* tileLabelName(TileLabel label) {
    static const std::array<const char*, kTileLabelCount> kNames = {
        "Delta", "Theta", "Lambda", "Xi", "Pi", "Sigma", "Phi", "Psi", "Gamma1", "Gamma2"};
    return kNames.at(label);
}

const char* supertileName(int supertile) {
    return kSupertileLabels.at(static_cast<std::size_t>(supertile));
}

RuleTable ruleTableOf(const SupertileRules& rules) {
    RuleTable table;
    for (std::size_t id = 0; id < kSupertileLabels.size(); ++id) {
        const ChildLabels& children = childrenOrThrow(rules, kSupertileLabels[id]);
        for (std::size_t slot = 0; slot < children.size(); ++slot) {
            if (children[slot] == kEmptySlot) {
                table.children[id][slot] = -1;
                continue;
            }
            const int child = supertileId(children[slot]);
            if (child < 0) {
                throw std::runtime_error("Unknown label: " + children[slot]);
            }
            table.children[id][slot] = static_cast<int8_t>(child);
        }
    }
    return table;
}

std::size_t expandedTileCount(const std::string& label, int32_t depth,
                              const SupertileRules& rules) {
    const int root = supertileId(label);
    if (root < 0) {
        throw std::runtime_error("Unknown label: " + label);
    }
    // Level by level for all nine labels at once: a supertile's count is its children's, so
    // the rules are read depth times instead of once per supertile of the patch.
    const RuleTable table = ruleTableOf(rules);
    std::array<std::size_t, kSupertileCount> counts;
    for (std::size_t id = 0; id < counts.size(); ++id) {
        counts[id] = id == 0 ? 2 : 1;
    }
    for (int32_t level = 1; level <= depth; ++level) {
        std::array<std::size_t, kSupertileCount> next{};
        for (std::size_t id = 0; id < counts.size(); ++id) {
            for (const int8_t child : table.children[id]) {
                next[id] += child < 0 ? 0 : counts[static_cast<std::size_t>(child)];
            }
        }
        counts = next;
    }
    return counts[static_cast<std::size_t>(root)];
}

}  // namespace quorvel
