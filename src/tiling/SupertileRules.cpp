#include "tiling/SupertileRules.h"

namespace quorvel {

SupertileRules supertileRules() {
    SupertileRules rules;
    rules.reserve(9);
    rules.emplace("Gamma",
                  ChildLabels{"Pi", "Delta", "null", "Theta", "Sigma", "Xi", "Phi", "Gamma"});
    rules.emplace("Delta", ChildLabels{"Xi", "Delta", "Xi", "Phi", "Sigma", "Pi", "Phi", "Gamma"});
    rules.emplace("Theta", ChildLabels{"Psi", "Delta", "Pi", "Phi", "Sigma", "Pi", "Phi", "Gamma"});
    rules.emplace("Lambda",
                  ChildLabels{"Psi", "Delta", "Xi", "Phi", "Sigma", "Pi", "Phi", "Gamma"});
    rules.emplace("Xi", ChildLabels{"Psi", "Delta", "Pi", "Phi", "Sigma", "Psi", "Phi", "Gamma"});
    rules.emplace("Pi", ChildLabels{"Psi", "Delta", "Xi", "Phi", "Sigma", "Psi", "Phi", "Gamma"});
    rules.emplace("Sigma",
                  ChildLabels{"Xi", "Delta", "Xi", "Phi", "Sigma", "Pi", "Lambda", "Gamma"});
    rules.emplace("Phi", ChildLabels{"Psi", "Delta", "Psi", "Phi", "Sigma", "Pi", "Phi", "Gamma"});
    rules.emplace("Psi", ChildLabels{"Psi", "Delta", "Psi", "Phi", "Sigma", "Psi", "Phi", "Gamma"});
    return rules;
}

const ChildLabels* findChildren(const SupertileRules& rules, const std::string& label) {
    const auto found = rules.find(label);
    return found == rules.end() ? nullptr : &found->second;
}

}  // namespace quorvel
