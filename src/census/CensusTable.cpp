#include "census/CensusTable.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <iomanip>
#include <stdexcept>

#include "census/CsvFields.h"
#include "run/Options.h"
#include "tiling/Patch.h"

namespace quorvel {

const char* const kCensusCsvHeader =
    "birth,survive_min,survive_max,weight,density,seed,outcome,period,from_step,steps_run,"
    "alive,peak_alive,max_age,position,depth,root,tiling,step_limit,census_runs,shard,version,"
    "neighbourhood,rule";

namespace {

constexpr std::size_t kColumnCount = 23;

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

// A density as the CSV writes it: "0.42", digits, a point and two decimals, 0 to 1.
bool readDensity(const std::string& text, double& density) {
    if (text.size() != 4 || text[1] != '.' || !std::isdigit(static_cast<unsigned char>(text[0])) ||
        !std::isdigit(static_cast<unsigned char>(text[2])) ||
        !std::isdigit(static_cast<unsigned char>(text[3]))) {
        return false;
    }
    density = std::stod(text);
    return density <= 1.0;
}

// The rule of a row: a range rule from its three counts, which its text must match; a set rule
// from its text alone, its counts empty. Returns false for anything else.
bool readRule(const std::string& birth, const std::string& surviveMin,
              const std::string& surviveMax, const std::string& text, Rule& rule) {
    if (birth.empty() && surviveMin.empty() && surviveMax.empty()) {
        try {
            rule = Rule(parseSumSets(text), rule.faceWeight);
        } catch (const std::runtime_error&) {
            return false;
        }
        return ruleText(rule) == text;
    }
    rule.sets.reset();
    return readNumber(birth, rule.birth) && readNumber(surviveMin, rule.surviveMin) &&
           readNumber(surviveMax, rule.surviveMax);
}

bool within(int32_t value, int32_t low, int32_t high) {
    return value >= low && value <= high;
}

bool isRootLabel(const std::string& root) {
    try {
        validateRoot(root);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

// Why a row's values cannot come from a census, or nothing.
std::string rowFault(const CensusRow& row, const CensusIdentity& census) {
    const Rule& rule = row.run.rule;
    const RunResult& result = row.result;
    if (!rule.sets && (!within(rule.birth, 0, 14) || !within(rule.surviveMin, 0, 14) ||
                       !within(rule.surviveMax, 0, 14) || rule.surviveMin > rule.surviveMax)) {
        return "rule out of range";
    }
    if (!within(rule.faceWeight, 1, 6)) {
        return "weight out of range";
    }
    if (!within(census.depth, 0, kMaxSpectreDepth) || !isRootLabel(census.root) ||
        (census.tiling != tilingName(TilingKind::Quorvel) &&
         census.tiling != tilingName(TilingKind::Spectre)) ||
        (census.neighbourhood != "face" && census.neighbourhood != "vertex") ||
        census.stepLimit < 0 || census.runCount == 0 || census.runCount > kMaxCensusRuns ||
        census.shard.index < 1 || census.shard.index > census.shard.count ||
        census.version.empty()) {
        return "census columns out of range";
    }
    if (row.position >= census.runCount ||
        row.position % census.shard.count != census.shard.index - 1) {
        return "position outside the census or its shard";
    }
    if (result.alive < 0 || result.peakAlive < result.alive ||
        !within(result.stepsRun, 0, census.stepLimit)) {
        return "counts out of range";
    }
    const bool settled = result.outcome != Outcome::Unsettled;
    const bool periodFits =
        result.outcome == Outcome::Oscillating ? result.period >= 2
        : settled
            ? result.period == 1 && (result.outcome == Outcome::Extinct) == (result.alive == 0)
            : result.period == 0 && result.fromStep == 0 && result.stepsRun == census.stepLimit;
    if (!periodFits ||
        (settled && (result.fromStep < result.period || result.stepsRun != result.fromStep))) {
        return "outcome does not fit its period";
    }
    return "";
}

}  // namespace

bool operator==(const CensusIdentity& a, const CensusIdentity& b) {
    return a.depth == b.depth && a.root == b.root && a.tiling == b.tiling &&
           a.neighbourhood == b.neighbourhood && a.stepLimit == b.stepLimit &&
           a.runCount == b.runCount && a.shard.index == b.shard.index &&
           a.shard.count == b.shard.count && a.version == b.version;
}

std::string describeCensus(const CensusIdentity& c) {
    return "depth=" + std::to_string(c.depth) + " root=" + c.root + " tiling=" + c.tiling +
           (c.neighbourhood == "face" ? "" : " neighbourhood=" + c.neighbourhood) +
           " step_limit=" + std::to_string(c.stepLimit) +
           " census_runs=" + std::to_string(c.runCount) +
           " shard=" + std::to_string(c.shard.index) + "/" + std::to_string(c.shard.count) +
           " version=" + c.version;
}

void writeCensusCsvHeader(std::ostream& out) {
    out << kCensusCsvHeader << "\n";
}

void writeCensusCsvRow(std::ostream& out, const CensusRow& row, const CensusIdentity& census) {
    const Rule& rule = row.run.rule;
    const RunResult& result = row.result;
    if (!rule.sets) {
        out << rule.birth << ',' << rule.surviveMin << ',' << rule.surviveMax;
    } else {
        out << ",,";
    }
    out << ',' << rule.faceWeight << ',' << densityText(row.run.density) << ',' << row.run.seed
        << ',' << outcomeName(result.outcome) << ',' << result.period << ',' << result.fromStep
        << ',' << result.stepsRun << ',' << result.alive << ',' << result.peakAlive << ','
        << result.maxAge << ',' << row.position << ',' << census.depth << ',' << census.root << ','
        << census.tiling << ',' << census.stepLimit << ',' << census.runCount << ','
        << census.shard.index << '/' << census.shard.count << ',' << census.version << ','
        << census.neighbourhood << ',';
    const std::string text = ruleText(rule);
    if (text.find(',') != std::string::npos) {
        out << '"' << text << '"';
    } else {
        out << text;
    }
    out << '\n';
}

void RuleSummaries::add(const CensusRow& row) {
    const Rule& rule = row.run.rule;
    Tally& tally = tallies_[rule];
    ++tally.runs;
    ++tally.outcomes[static_cast<int>(row.result.outcome)];
    if (row.result.outcome == Outcome::Oscillating) {
        tally.periods.insert(row.result.period);
    }
    tally.aliveSum += row.result.alive;
    ++rowCount_;
}

void RuleSummaries::write(std::ostream& out) const {
    for (const auto& [rule, tally] : tallies_) {
        out << "rule=" << ruleText(rule) << " weight=" << rule.faceWeight << " runs=" << tally.runs
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

void writeRuleSummaries(std::ostream& out, const std::vector<CensusRow>& rows) {
    RuleSummaries summaries;
    for (const CensusRow& row : rows) {
        summaries.add(row);
    }
    summaries.write(out);
}

CensusCsvReader::CensusCsvReader(const std::string& path) : path_(path) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw std::runtime_error("Unable to read " + path + " (a directory)");
    }
    file_.open(path, std::ios::binary);
    if (!file_) {
        throw std::runtime_error("Unable to read " + path);
    }
    std::string header;
    if (!readLine(header)) {
        throw std::runtime_error("Not a census CSV: " + path + " (empty)");
    }
    const std::string byteOrderMark = "\xEF\xBB\xBF";
    if (header.rfind(byteOrderMark, 0) == 0) {
        header.erase(0, byteOrderMark.size());
    }
    if (header != kCensusCsvHeader) {
        throw std::runtime_error("Not a census CSV: " + path);
    }
}

bool CensusCsvReader::readLine(std::string& line) {
    return readCsvLine(file_, path_, kMaxCensusLineBytes, lineNumber_, line);
}

void CensusCsvReader::malformed(const std::string& reason) const {
    throw std::runtime_error("Malformed census row in " + path_ + " at line " +
                             std::to_string(lineNumber_) + " (" + reason + ")");
}

bool CensusCsvReader::next(CensusRow& row) {
    std::string line;
    if (!readLine(line)) {
        return false;
    }
    const std::vector<std::string> f = splitFields(line);
    if (f.size() != kColumnCount) {
        malformed(std::to_string(f.size()) + " fields, not " + std::to_string(kColumnCount));
    }
    Rule& rule = row.run.rule;
    RunResult& result = row.result;
    CensusIdentity census;
    const std::size_t slash = f[19].find('/');
    const bool read = readNumber(f[3], rule.faceWeight) &&
                      readRule(f[0], f[1], f[2], f[22], rule) &&
                      readDensity(f[4], row.run.density) && readNumber(f[5], row.run.seed) &&
                      readOutcome(f[6], result.outcome) && readNumber(f[7], result.period) &&
                      readNumber(f[8], result.fromStep) && readNumber(f[9], result.stepsRun) &&
                      readNumber(f[10], result.alive) && readNumber(f[11], result.peakAlive) &&
                      readNumber(f[12], result.maxAge) && readNumber(f[13], row.position) &&
                      readNumber(f[14], census.depth) && readNumber(f[17], census.stepLimit) &&
                      readNumber(f[18], census.runCount) && slash != std::string::npos &&
                      readNumber(f[19].substr(0, slash), census.shard.index) &&
                      readNumber(f[19].substr(slash + 1), census.shard.count);
    if (!read) {
        malformed("a field that is not a number of its column");
    }
    census.root = f[15];
    census.tiling = f[16];
    census.version = f[20];
    census.neighbourhood = f[21];
    const std::string fault = rowFault(row, census);
    if (!fault.empty()) {
        malformed(fault);
    }
    if (ruleText(rule) != f[22]) {
        malformed("rule text not that of its counts");
    }
    if (haveRow_ && !(census == identity_)) {
        throw std::runtime_error("Mixed censuses in " + path_ + " at line " +
                                 std::to_string(lineNumber_));
    }
    if (haveRow_ && row.position <= lastPosition_) {
        malformed("position not after the previous row's: a repeated or reordered run");
    }
    identity_ = census;
    haveRow_ = true;
    lastPosition_ = row.position;
    return true;
}

}  // namespace quorvel
