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
    if (depth == 0) {
        if (supertileId(label) < 0) {
            throw std::runtime_error("Unknown label: " + label);
        }
        return label == "Gamma" ? 2 : 1;
    }
    std::size_t count = 0;
    for (const std::string& child : childrenOrThrow(rules, label)) {
        if (child != kEmptySlot) {
            count += expandedTileCount(child, depth - 1, rules);
        }
    }
    return count;
}

}  // namespace quorvel
