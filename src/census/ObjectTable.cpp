#include "census/ObjectTable.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "census/CsvFields.h"

namespace quorvel {

const char* const kObjectCsvHeader =
    "rule,weight,code,kind,period,min_alive,max_alive,tiles_with_ring,count,first_density,"
    "first_seed,first_tile";

namespace {

constexpr std::size_t kObjectColumns = 12;
constexpr std::size_t kMaxObjectLineBytes = 512;

// A rule as the summary lines write it: "B3/S2-3" in the range form, anything else as sets,
// which must be written canonically.
bool readRule(const std::string& text, RuleKey& key) {
    const std::size_t slash = text.find("/S");
    const std::size_t dash = text.find('-', slash == std::string::npos ? 0 : slash);
    int32_t birth = 0;
    int32_t surviveMin = 0;
    int32_t surviveMax = 0;
    if (text.size() >= 2 && text[0] == 'B' && slash != std::string::npos &&
        dash != std::string::npos && readNumber(text.substr(1, slash - 1), birth) &&
        readNumber(text.substr(slash + 2, dash - slash - 2), surviveMin) &&
        readNumber(text.substr(dash + 1), surviveMax)) {
        if (birth < 0 || birth > 14 || surviveMin < 0 || surviveMax > 14 ||
            surviveMin > surviveMax) {
            return false;
        }
        key = Rule{birth, surviveMin, surviveMax, key.faceWeight};
        return true;
    }
    try {
        key = Rule(parseSumSets(text), key.faceWeight);
    } catch (const std::runtime_error&) {
        return false;
    }
    return ruleText(key) == text;
}

bool readKind(const std::string& text, ObjectKind& kind) {
    for (const ObjectKind candidate :
         {ObjectKind::Still, ObjectKind::Oscillator, ObjectKind::Constellation}) {
        if (text == objectKindName(candidate)) {
            kind = candidate;
            return true;
        }
    }
    return false;
}

bool sameFixedColumns(const ObjectEntry& a, const ObjectEntry& b) {
    return a.kind == b.kind && a.period == b.period && a.minAlive == b.minAlive &&
           a.maxAlive == b.maxAlive && a.tilesWithRing == b.tilesWithRing;
}

// The code's prefix as its columns give it, so that a row cannot pair a code with the wrong
// kind, period or size.
std::string codePrefix(const ObjectEntry& entry) {
    switch (entry.kind) {
        case ObjectKind::Still:
            return "s" + std::to_string(entry.maxAlive) + "_";
        case ObjectKind::Oscillator:
            return "p" + std::to_string(entry.period) + "_" + std::to_string(entry.maxAlive) + "_";
        case ObjectKind::Constellation:
            break;
    }
    return "c" + std::to_string(entry.period) + "_" + std::to_string(entry.maxAlive) + "_";
}

}  // namespace

void ObjectCensus::merge(const RuleKey& key, ObjectEntry entry) {
    auto& codes = entries_[key];
    const auto [found, added] = codes.try_emplace(entry.code, entry);
    if (added) {
        return;
    }
    ObjectEntry& known = found->second;
    if (entry.form && known.form && *entry.form != *known.form) {
        throw std::runtime_error("Two objects share the code " + entry.code);
    }
    if (!sameFixedColumns(known, entry)) {
        throw std::runtime_error("Object " + entry.code + " of rule " + ruleText(key) + " weight " +
                                 std::to_string(key.faceWeight) + " differs between files");
    }
    if (!known.form) {
        known.form = entry.form;
    }
    const bool earlier =
        entry.firstDensity < known.firstDensity ||
        (entry.firstDensity == known.firstDensity && entry.firstSeed < known.firstSeed);
    if (earlier) {
        known.firstDensity = entry.firstDensity;
        known.firstSeed = entry.firstSeed;
        known.firstTile = entry.firstTile;
    }
    known.count += entry.count;
}

void ObjectCensus::add(const CensusRow& row, const std::vector<ObjectSighting>& objects) {
    const Rule& rule = row.run.rule;
    const RuleKey& key = rule;
    noteRule(key);
    if (objects.empty()) {
        return;
    }
    // Two decimals, as the CSV gives it, so that merged shards agree with a whole census.
    const double firstDensity = std::stod(densityText(row.run.density));
    for (const ObjectSighting& sighting : objects) {
        ObjectEntry entry;
        entry.code = sighting.code;
        entry.kind = sighting.kind;
        entry.period = sighting.period;
        entry.minAlive = sighting.minAlive;
        entry.maxAlive = sighting.maxAlive;
        entry.tilesWithRing = sighting.tilesWithRing;
        entry.count = 1;
        entry.firstDensity = firstDensity;
        entry.firstSeed = row.run.seed;
        entry.firstTile = sighting.firstTile;
        entry.form = sighting.form;
        merge(key, std::move(entry));
    }
}

std::vector<std::pair<RuleKey, std::vector<const ObjectEntry*>>> ObjectCensus::ranked() const {
    std::vector<std::pair<RuleKey, std::vector<const ObjectEntry*>>> lists;
    for (const auto& [key, codes] : entries_) {
        std::vector<const ObjectEntry*> list;
        for (const auto& entry : codes) {
            list.push_back(&entry.second);
        }
        std::stable_sort(list.begin(), list.end(), [](const ObjectEntry* a, const ObjectEntry* b) {
            return a->count > b->count;
        });
        lists.emplace_back(key, std::move(list));
    }
    return lists;
}

void ObjectCensus::writeCsv(std::ostream& out) const {
    out << kObjectCsvHeader << "\n";
    for (const auto& [key, list] : ranked()) {
        // A set rule's commas are kept inside quotes, as the census CSV keeps them.
        const std::string text = ruleText(key);
        const std::string rule = text.find(',') == std::string::npos ? text : '"' + text + '"';
        for (const ObjectEntry* e : list) {
            out << rule << ',' << key.faceWeight << ',' << e->code << ',' << objectKindName(e->kind)
                << ',' << e->period << ',' << e->minAlive << ',' << e->maxAlive << ','
                << e->tilesWithRing << ',' << e->count << ',' << densityText(e->firstDensity) << ','
                << e->firstSeed << ',' << e->firstTile << '\n';
        }
    }
}

void ObjectCensus::writeSummary(std::ostream& out) const {
    for (const auto& [key, list] : ranked()) {
        uint64_t total = 0;
        for (const ObjectEntry* e : list) {
            total += e->count;
        }
        out << "objects rule=" << ruleText(key) << " weight=" << key.faceWeight
            << " objects=" << total << " distinct=" << list.size() << " top=";
        if (list.empty()) {
            out << "none";
        }
        for (std::size_t i = 0; i < list.size() && i < 3; ++i) {
            out << (i == 0 ? "" : ",") << list[i]->code << ':' << list[i]->count;
        }
        out << "\n";
    }
}

void ObjectCensus::read(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw std::runtime_error("Unable to read " + path + " (a directory)");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("Unable to read " + path);
    }
    int64_t lineNumber = 0;
    std::string line;
    const auto readLine = [&] {
        return readCsvLine(file, path, kMaxObjectLineBytes, lineNumber, line);
    };
    if (!readLine() ||
        (line.rfind("\xEF\xBB\xBF", 0) == 0 ? line.substr(3) : line) != kObjectCsvHeader) {
        throw std::runtime_error("Not an objects CSV: " + path);
    }
    std::map<RuleKey, std::map<std::string, bool>, RuleAndWeightLess> seen;
    while (readLine()) {
        const auto malformed = [&](const std::string& reason) {
            return std::runtime_error("Malformed objects row in " + path + " at line " +
                                      std::to_string(lineNumber) + " (" + reason + ")");
        };
        const std::vector<std::string> f = splitFields(line);
        if (f.size() != kObjectColumns) {
            throw malformed(std::to_string(f.size()) + " fields, not " +
                            std::to_string(kObjectColumns));
        }
        RuleKey key;
        ObjectEntry e;
        int32_t weight = 0;
        const bool read = readRule(f[0], key) && readNumber(f[1], weight) &&
                          readKind(f[3], e.kind) && readNumber(f[4], e.period) &&
                          readNumber(f[5], e.minAlive) && readNumber(f[6], e.maxAlive) &&
                          readNumber(f[7], e.tilesWithRing) && readNumber(f[8], e.count) &&
                          f[9].size() == 4 && f[9][1] == '.' && readNumber(f[10], e.firstSeed) &&
                          readNumber(f[11], e.firstTile);
        if (!read) {
            throw malformed("a field that is not a value of its column");
        }
        key.faceWeight = weight;
        e.code = f[2];
        e.firstDensity = std::strtod(f[9].c_str(), nullptr);
        const std::string prefix = codePrefix(e);
        const bool fits =
            weight >= 1 && weight <= 6 && e.period >= 1 && e.count >= 1 && e.minAlive >= 0 &&
            e.minAlive <= e.maxAlive && e.maxAlive >= 1 && e.tilesWithRing >= e.maxAlive &&
            e.firstTile >= 0 && e.firstDensity >= 0.0 && e.firstDensity <= 1.0 &&
            (e.kind == ObjectKind::Still) ==
                (e.period == 1 && e.kind != ObjectKind::Constellation) &&
            e.code.size() == prefix.size() + 16 && e.code.rfind(prefix, 0) == 0 &&
            e.code.find_first_not_of("0123456789abcdef", prefix.size()) == std::string::npos;
        if (!fits) {
            throw malformed("values that do not fit together");
        }
        if (!seen[key].emplace(e.code, true).second) {
            throw malformed("a code given twice for one rule and weight");
        }
        merge(key, std::move(e));
    }
}

}  // namespace quorvel
