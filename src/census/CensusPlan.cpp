#include "census/CensusPlan.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "run/Options.h"

namespace quorvel {

namespace {

std::runtime_error listError(const std::string& option, const std::string& text,
                             const std::string& reason) {
    return std::runtime_error("Invalid list for " + option + ": \"" + text + "\" (" + reason + ")");
}

std::vector<std::string> splitItems(const std::string& option, const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        if (end == start) {
            throw listError(option, text, "empty item");
        }
        items.push_back(text.substr(start, end - start));
        if (comma == std::string::npos) {
            return items;
        }
        start = comma + 1;
    }
}

// The list is the census's own syntax, so it is read strictly: the whole text of a value must
// be the number ("4x", "0x1", "3\n" and "0.1-0.5" are refused, not read as 4, 0, 3 and 0.1).
template <typename Convert>
auto convertWhole(const std::string& text, Convert convert, bool integer) {
    const auto value = convert(text);
    bool whole = !text.empty() && !std::isspace(static_cast<unsigned char>(text[0]));
    if (integer) {
        whole = whole &&
                text.find_first_not_of("0123456789", text[0] == '-' ? 1 : 0) == std::string::npos;
    } else {
        std::size_t used = 0;
        whole = whole && (std::stod(text, &used), used == text.size());
    }
    if (!whole) {
        throw std::runtime_error("not a number: \"" + text + "\"");
    }
    return value;
}

// An item is a value or "first-last". The separator is the first '-' past the item's first
// character, so a leading minus sign stays the value's own, as the conversion reads it.
template <typename Range, typename Convert>
std::vector<Range> parseRanges(const std::string& option, const std::string& text,
                               Convert convert) {
    std::vector<Range> ranges;
    for (const std::string& item : splitItems(option, text)) {
        const std::size_t dash = item.find('-', 1);
        const std::string firstText = item.substr(0, dash);
        const std::string lastText = dash == std::string::npos ? firstText : item.substr(dash + 1);
        if (lastText.empty()) {
            throw listError(option, text, "range without an end");
        }
        Range range;
        try {
            range.first = convertWhole(firstText, convert, true);
            range.last = convertWhole(lastText, convert, true);
        } catch (const std::runtime_error& error) {
            throw listError(option, text, error.what());
        }
        if (range.first > range.last) {
            throw listError(option, text, "descending range");
        }
        ranges.push_back(range);
    }
    return ranges;
}

std::runtime_error tooLarge() {
    return std::runtime_error("Census too large: more than " + std::to_string(kMaxCensusRuns) +
                              " runs");
}

// The value a single run would take for `field` set to `value`. Every rule field is set alike,
// so the survive bounds cannot swap.
int32_t clampedField(int32_t Options::*field, int32_t value) {
    Options options;
    options.birth = options.surviveMin = options.surviveMax = options.faceWeight = value;
    clampRunOptions(options);
    return options.*field;
}

// Clamping is monotonic, so a range clamps to the range between its clamped ends.
std::vector<int32_t> clampedSet(const std::vector<IntRange>& ranges, int32_t Options::*field) {
    std::vector<int32_t> values;
    for (const IntRange& range : ranges) {
        const int32_t last = clampedField(field, range.last);
        for (int32_t value = clampedField(field, range.first); value <= last; ++value) {
            values.push_back(value);
        }
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

}  // namespace

std::vector<IntRange> parseIntList(const std::string& option, const std::string& text) {
    return parseRanges<IntRange>(option, text, convertInt);
}

std::vector<SeedRange> parseSeedList(const std::string& option, const std::string& text) {
    return parseRanges<SeedRange>(option, text, convertUnsigned);
}

std::vector<double> parseDensityList(const std::string& option, const std::string& text) {
    std::vector<double> densities;
    for (const std::string& item : splitItems(option, text)) {
        try {
            densities.push_back(convertWhole(item, convertDouble, false));
        } catch (const std::runtime_error& error) {
            throw listError(option, text, error.what());
        }
    }
    return densities;
}

Shard parseShard(const std::string& text) {
    const auto fail = [&] {
        return std::runtime_error("Invalid --shard: \"" + text +
                                  "\" (expected K/N with 1 <= K <= N)");
    };
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) {
        throw fail();
    }
    Shard shard;
    const auto readNumber = [&](const char* first, const char* last, uint64_t& value) {
        const auto [end, error] = std::from_chars(first, last, value);
        if (first == last || error != std::errc() || end != last) {
            throw fail();
        }
    };
    readNumber(text.data(), text.data() + slash, shard.index);
    readNumber(text.data() + slash + 1, text.data() + text.size(), shard.count);
    if (shard.index < 1 || shard.index > shard.count) {
        throw fail();
    }
    return shard;
}

std::vector<SumSets> parseRuleList(const std::string& option, const std::string& text) {
    std::vector<SumSets> rules;
    std::size_t start = 0;
    while (true) {
        const std::size_t semicolon = text.find(';', start);
        const std::size_t end = semicolon == std::string::npos ? text.size() : semicolon;
        try {
            rules.push_back(parseSumSets(text.substr(start, end - start)));
        } catch (const std::runtime_error& error) {
            throw std::runtime_error("Invalid " + option + ": \"" + text + "\" (" + error.what() +
                                     ")");
        }
        if (semicolon == std::string::npos) {
            return rules;
        }
        start = semicolon + 1;
    }
}

CensusPlan::CensusPlan(const CensusLists& lists) {
    if (lists.rangeListGiven && !lists.ruleSets.empty()) {
        throw std::runtime_error(
            "--rule cannot be combined with --birth, --survive-min or --survive-max");
    }
    for (const SumSets& sets : lists.ruleSets) {
        rules_.emplace_back(sets, 1);
    }
    for (const int32_t birth : lists.ruleSets.empty() ? clampedSet(lists.births, &Options::birth)
                                                      : std::vector<int32_t>{}) {
        for (const int32_t surviveMin : clampedSet(lists.surviveMins, &Options::surviveMin)) {
            for (const int32_t surviveMax : clampedSet(lists.surviveMaxes, &Options::surviveMax)) {
                Options options;
                options.birth = birth;
                options.surviveMin = surviveMin;
                options.surviveMax = surviveMax;
                clampRunOptions(options);
                rules_.push_back(Rule{options.birth, options.surviveMin, options.surviveMax, 1});
            }
        }
    }
    std::sort(rules_.begin(), rules_.end(), ruleOrderLess);
    rules_.erase(std::unique(rules_.begin(), rules_.end()), rules_.end());

    weights_ = clampedSet(lists.faceWeights, &Options::faceWeight);

    for (const double density : lists.densities) {
        Options options;
        options.density = density;
        clampRunOptions(options);
        densities_.push_back(options.density);
    }
    std::sort(densities_.begin(), densities_.end());
    densities_.erase(std::unique(densities_.begin(), densities_.end()), densities_.end());

    // Counted before they are listed, so that a huge seed range fails at once.
    uint64_t seedCount = 0;
    for (const SeedRange& range : lists.seeds) {
        const uint64_t span = range.last - range.first;
        if (span >= kMaxCensusRuns || seedCount + span + 1 > kMaxCensusRuns) {
            throw tooLarge();
        }
        seedCount += span + 1;
    }
    for (const SeedRange& range : lists.seeds) {
        for (uint64_t seed = range.first;; ++seed) {
            seeds_.push_back(seed);
            if (seed == range.last) {
                break;
            }
        }
    }
    std::sort(seeds_.begin(), seeds_.end());
    seeds_.erase(std::unique(seeds_.begin(), seeds_.end()), seeds_.end());

    // Each factor is at most kMaxCensusRuns, so no product below overflows before the check.
    runCount_ = rules_.size() * weights_.size();
    for (const std::size_t factor : {densities_.size(), seeds_.size()}) {
        runCount_ *= factor;
        if (runCount_ > kMaxCensusRuns) {
            throw tooLarge();
        }
    }
}

CensusRun CensusPlan::runAt(uint64_t position) const {
    CensusRun run;
    run.seed = seeds_[position % seeds_.size()];
    position /= seeds_.size();
    run.density = densities_[position % densities_.size()];
    position /= densities_.size();
    const int32_t weight = weights_[position % weights_.size()];
    position /= weights_.size();
    run.rule = rules_[position];
    run.rule.faceWeight = weight;
    return run;
}

std::vector<uint64_t> CensusPlan::positionsIn(const Shard& shard) const {
    std::vector<uint64_t> positions;
    for (uint64_t position = shard.index - 1; position < runCount_; position += shard.count) {
        positions.push_back(position);
    }
    return positions;
}

std::string densityText(double density) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(2) << density;
    return text.str();
}

}  // namespace quorvel
