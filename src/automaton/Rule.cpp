#include "automaton/Rule.h"

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quorvel {

namespace {

uint32_t rangeMask(int32_t first, int32_t last) {
    uint32_t mask = 0;
    for (int32_t sum = std::max(first, 0); sum <= std::min(last, kLargestRuleCount); ++sum) {
        mask |= uint32_t{1} << sum;
    }
    return mask;
}

std::vector<int32_t> countsOf(uint32_t mask) {
    std::vector<int32_t> counts;
    for (int32_t sum = 0; sum <= kLargestRuleCount; ++sum) {
        if ((mask >> sum & 1) != 0) {
            counts.push_back(sum);
        }
    }
    return counts;
}

std::string countsText(uint32_t mask) {
    std::string text;
    for (int32_t sum = 0; sum <= kLargestRuleCount;) {
        if ((mask >> sum & 1) == 0) {
            ++sum;
            continue;
        }
        int32_t last = sum;
        while (last < kLargestRuleCount && (mask >> (last + 1) & 1) != 0) {
            ++last;
        }
        text += (text.empty() ? "" : ",") + std::to_string(sum);
        if (last > sum) {
            text += "-" + std::to_string(last);
        }
        sum = last + 1;
    }
    return text;
}

// The counts of one side, "" or "1,3-4": digits, commas between items and one dash within one.
uint32_t parseCounts(const std::string& text) {
    uint32_t mask = 0;
    std::size_t at = 0;
    const auto readCount = [&]() {
        const std::size_t begin = at;
        int64_t value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            value = std::min<int64_t>(value * 10 + (text[at] - '0'), 1000);
            ++at;
        }
        if (at == begin) {
            throw std::runtime_error("expected a count at \"" + text.substr(begin) + "\"");
        }
        if (value > kLargestRuleCount) {
            throw std::runtime_error("count " + text.substr(begin, at - begin) + " beyond " +
                                     std::to_string(kLargestRuleCount));
        }
        return static_cast<int32_t>(value);
    };
    while (at < text.size()) {
        const int32_t first = readCount();
        int32_t last = first;
        if (at < text.size() && text[at] == '-') {
            ++at;
            last = readCount();
            if (last < first) {
                throw std::runtime_error("descending range " + std::to_string(first) + "-" +
                                         std::to_string(last));
            }
        }
        mask |= rangeMask(first, last);
        if (at < text.size()) {
            if (text[at] != ',' || at + 1 == text.size()) {
                throw std::runtime_error("expected a comma and a count at \"" + text.substr(at) +
                                         "\"");
            }
            ++at;
        }
    }
    return mask;
}

}  // namespace

Rule::Rule(const SumSets& sumSets, int32_t weight) : faceWeight(weight), sets(sumSets) {
    const std::vector<int32_t> births = countsOf(sumSets.birth);
    const std::vector<int32_t> survives = countsOf(sumSets.survive);
    const bool ranged =
        births.size() == 1 && !survives.empty() &&
        survives.back() - survives.front() + 1 == static_cast<int32_t>(survives.size());
    birth = ranged ? births.front() : -1;
    surviveMin = ranged ? survives.front() : -1;
    surviveMax = ranged ? survives.back() : -1;
}

bool operator==(const SumSets& a, const SumSets& b) {
    return a.birth == b.birth && a.survive == b.survive;
}

SumSets sumSetsOf(const Rule& rule) {
    if (rule.sets) {
        return *rule.sets;
    }
    return SumSets{rangeMask(rule.birth, rule.birth), rangeMask(rule.surviveMin, rule.surviveMax)};
}

bool operator==(const Rule& a, const Rule& b) {
    return a.faceWeight == b.faceWeight && a.sets.has_value() == b.sets.has_value() &&
           sumSetsOf(a) == sumSetsOf(b) &&
           (a.sets ||
            (a.birth == b.birth && a.surviveMin == b.surviveMin && a.surviveMax == b.surviveMax));
}

bool operator!=(const Rule& a, const Rule& b) {
    return !(a == b);
}

bool ruleOrderLess(const Rule& a, const Rule& b) {
    const SumSets setsA = sumSetsOf(a);
    const SumSets setsB = sumSetsOf(b);
    const auto keyA = std::make_pair(countsOf(setsA.birth), countsOf(setsA.survive));
    const auto keyB = std::make_pair(countsOf(setsB.birth), countsOf(setsB.survive));
    if (keyA != keyB) {
        return keyA < keyB;
    }
    return !a.sets && b.sets;
}

std::string ruleText(const Rule& rule) {
    if (!rule.sets) {
        return "B" + std::to_string(rule.birth) + "/S" + std::to_string(rule.surviveMin) + "-" +
               std::to_string(rule.surviveMax);
    }
    return "B" + countsText(rule.sets->birth) + "/S" + countsText(rule.sets->survive);
}

SumSets parseSumSets(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (text.empty() || text[0] != 'B' || slash == std::string::npos ||
        text.compare(slash, 2, "/S") != 0) {
        throw std::runtime_error("expected B<counts>/S<counts>, such as B3/S2-3 or B2,5/S1,3-4");
    }
    return SumSets{parseCounts(text.substr(1, slash - 1)), parseCounts(text.substr(slash + 2))};
}

int32_t largestCountOf(const Rule& rule) {
    const SumSets sets = sumSetsOf(rule);
    const uint32_t all = sets.birth | sets.survive;
    int32_t largest = -1;
    for (int32_t sum = 0; sum <= kLargestRuleCount; ++sum) {
        if ((all >> sum & 1) != 0) {
            largest = sum;
        }
    }
    return largest;
}

}  // namespace quorvel
