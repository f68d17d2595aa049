// The automaton's rule: a dead tile is born when its live-neighbour sum is in the birth set; a
// live tile survives while the sum is in the survive set. One face neighbour adds at most
// `faceWeight` to the sum, however many faces it shares. A rule comes in two forms that step
// alike: the range form of --birth/--survive-min/--survive-max (one birth count and a survive
// range, written "B3/S2-3", "B3/S2-2" for a one-count range) and the set form of --rule
// ("B2,5/S1,3-4", written canonically: counts ascending, runs of counts merged into ranges).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

// A tile's sum lives in 4 bits of its automaton state, so no rule can name a count above this.
constexpr int32_t kLargestRuleCount = 15;

// Bit s of a mask stands for the sum s, 0..kLargestRuleCount.
struct SumSets {
    uint32_t birth = 0;
    uint32_t survive = 0;
};

bool operator==(const SumSets& a, const SumSets& b);

struct Rule {
    Rule() = default;
    // The range form.
    Rule(int32_t birthCount, int32_t surviveFrom, int32_t surviveTo, int32_t weight)
        : birth(birthCount), surviveMin(surviveFrom), surviveMax(surviveTo), faceWeight(weight) {}
    // The set form. The three counts get the range reading of the sets when there is one
    // (one birth count, survive counts in one run), -1 each otherwise, for readers that know
    // only ranges (the page data's fields).
    Rule(const SumSets& sumSets, int32_t weight);

    int32_t birth = 3;
    int32_t surviveMin = 2;
    int32_t surviveMax = 3;
    int32_t faceWeight = 1;
    // Set for a rule in the set form: then it decides, not the three counts above.
    std::optional<SumSets> sets;
};

// Whatever the form, the sums a rule makes a tile be born and survive with.
SumSets sumSetsOf(const Rule& rule);
// The same sums in the same form and the same face weight.
bool operator==(const Rule& a, const Rule& b);
bool operator!=(const Rule& a, const Rule& b);
// Census order: the birth counts as an ascending list, then the survive counts, compared as
// lists (for range rules that is the order of birth, surviveMin, surviveMax); the range form
// before the set form of the same sums. The face weight is not compared.
bool ruleOrderLess(const Rule& a, const Rule& b);

// ruleOrderLess, then the face weight: one key per rule and weight.
struct RuleAndWeightLess {
    bool operator()(const Rule& a, const Rule& b) const {
        return ruleOrderLess(a, b) || (!ruleOrderLess(b, a) && a.faceWeight < b.faceWeight);
    }
};

// "B3/S2-3" for a range rule, as the summary line has always written it; the canonical text
// of the sets for a set rule ("B/S0", "B2,5/S1,3-4").
std::string ruleText(const Rule& rule);

// Reads "B<counts>/S<counts>": counts are empty or comma-separated items "N" or "N-M"
// (N <= M), decimal digits only, each at most kLargestRuleCount. Throws the reason alone
// ("expected B<counts>/S<counts>", "count 40 beyond 15", ...); the caller names the option.
SumSets parseSumSets(const std::string& text);

// The largest count a rule names, or -1 for a rule with empty sets.
int32_t largestCountOf(const Rule& rule);

}  // namespace quorvel
