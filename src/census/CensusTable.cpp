#include "census/CensusTable.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iomanip>
#include <map>
#include <set>
#include <stdexcept>
#include <tuple>

namespace quorvel {

const char* const kCensusCsvHeader =
    "birth,survive_min,survive_max,weight,density,seed,outcome,period,from_step,steps_run,"
    "alive,peak_alive,max_age";

namespace {

constexpr std::size_t kColumnCount = 13;

auto groupKey(const CensusRow& row) {
    const Rule& rule = row.run.rule;
    return std::make_tuple(rule.birth, rule.surviveMin, rule.surviveMax, rule.faceWeight);
}

struct RuleTally {
    uint64_t runs = 0;
    uint64_t outcomes[4] = {0, 0, 0, 0};
    std::set<int32_t> periods;
    int64_t aliveSum = 0;
};

template <typename Number>
bool readNumber(const std::string& text, Number& value) {
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    return !text.empty() && error == std::errc() && end == last;
}

bool readOutcome(const std::string& text, Outcome& outcome) {
    for (const Outcome candidate :
         {Outcome::Extinct, Outcome::Still, Outcome::Oscillating, Outcome::Unsettled}) {
        if (text == outcomeName(candidate)) {
            outcome = candidate;
            return true;
        }
    }
    return false;
}

bool readRow(const std::string& line, CensusRow& row) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (fields.size() != kColumnCount) {
        return false;
    }
    Rule& rule = row.run.rule;
    RunResult& result = row.result;
    // The density is written with two decimals; it is read back only to be written again.
    double density = 0.0;
    try {
        std::size_t used = 0;
        density = std::stod(fields[4], &used);
        if (used != fields[4].size()) {
            return false;
        }
    } catch (const std::exception&) {
        return false;
    }
    row.run.density = density;
    return readNumber(fields[0], rule.birth) && readNumber(fields[1], rule.surviveMin) &&
           readNumber(fields[2], rule.surviveMax) && readNumber(fields[3], rule.faceWeight) &&
           readNumber(fields[5], row.run.seed) && readOutcome(fields[6], result.outcome) &&
           readNumber(fields[7], result.period) && readNumber(fields[8], result.fromStep) &&
           readNumber(fields[9], result.stepsRun) && readNumber(fields[10], result.alive) &&
           readNumber(fields[11], result.peakAlive) && readNumber(fields[12], result.maxAge);
}

}  // namespace

void writeCensusCsv(std::ostream& out, const std::vector<CensusRow>& rows) {
    out << kCensusCsvHeader << "\n";
    for (const CensusRow& row : rows) {
        const Rule& rule = row.run.rule;
        const RunResult& result = row.result;
        out << rule.birth << ',' << rule.surviveMin << ',' << rule.surviveMax << ','
            << rule.faceWeight << ',' << densityText(row.run.density) << ',' << row.run.seed << ','
            << outcomeName(result.outcome) << ',' << result.period << ',' << result.fromStep << ','
            << result.stepsRun << ',' << result.alive << ',' << result.peakAlive << ','
            << result.maxAge << '\n';
    }
}

void writeRuleSummaries(std::ostream& out, std::vector<CensusRow> rows) {
    std::map<decltype(groupKey(rows.front())), RuleTally> tallies;
    for (const CensusRow& row : rows) {
        RuleTally& tally = tallies[groupKey(row)];
        ++tally.runs;
        ++tally.outcomes[static_cast<int>(row.result.outcome)];
        if (row.result.outcome == Outcome::Oscillating) {
            tally.periods.insert(row.result.period);
        }
        tally.aliveSum += row.result.alive;
    }
    for (const auto& [key, tally] : tallies) {
        const auto [birth, surviveMin, surviveMax, weight] = key;
        out << "rule=B" << birth << "/S" << surviveMin << "-" << surviveMax << " weight=" << weight
            << " runs=" << tally.runs
            << " extinct=" << tally.outcomes[static_cast<int>(Outcome::Extinct)]
            << " still=" << tally.outcomes[static_cast<int>(Outcome::Still)]
            << " oscillating=" << tally.outcomes[static_cast<int>(Outcome::Oscillating)]
            << " unsettled=" << tally.outcomes[static_cast<int>(Outcome::Unsettled)] << " periods=";
        if (tally.periods.empty()) {
            out << "none";
        }
        for (auto period = tally.periods.begin(); period != tally.periods.end(); ++period) {
            out << (period == tally.periods.begin() ? "" : ",") << *period;
        }
        const double meanAlive =
            static_cast<double>(tally.aliveSum) / static_cast<double>(tally.runs);
        out << " mean_alive=" << std::fixed << std::setprecision(2) << meanAlive << "\n";
    }
}

std::vector<CensusRow> readCensusCsv(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("Unable to read " + path);
    }
    std::string line;
    if (!std::getline(file, line) || line != kCensusCsvHeader) {
        throw std::runtime_error("Not a census CSV: " + path);
    }
    std::vector<CensusRow> rows;
    for (int64_t lineNumber = 2; std::getline(file, line); ++lineNumber) {
        CensusRow row;
        if (!readRow(line, row)) {
            throw std::runtime_error("Malformed census row in " + path + " at line " +
                                     std::to_string(lineNumber));
        }
        rows.push_back(row);
    }
    if (file.bad()) {
        throw std::runtime_error("Unable to read " + path);
    }
    return rows;
}

}  // namespace quorvel
