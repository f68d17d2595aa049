// The objects of a census tallied per rule and weight: the CSV of one row per distinct object,
// the summary lines over them, and object files read back and merged, so that shards run
// apart add up to the census run whole. Rows come in the census's order, so an object's
// "first" run is the first row that shows it; merged files keep the earliest by density and
// seed, which is the census's order within a rule and weight.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "census/CensusTable.h"
#include "census/ObjectCode.h"

namespace quorvel {

// "rule,weight,code,kind,period,min_alive,max_alive,tiles_with_ring,count,first_density,
// first_seed,first_tile" without the line breaks.
extern const char* const kObjectCsvHeader;

struct ObjectEntry {
    std::string code;
    ObjectKind kind = ObjectKind::Still;
    int32_t period = 1;
    int32_t minAlive = 0;
    int32_t maxAlive = 0;
    int32_t tilesWithRing = 0;
    uint64_t count = 0;
    double firstDensity = 0.0;
    uint64_t firstSeed = 0;
    int32_t firstTile = 0;
    // Null for an entry read from a file.
    std::shared_ptr<const CanonicalForm> form;
};

// A rule with its face weight, in either form.
using RuleKey = Rule;

class ObjectCensus {
  public:
    // Every object of the row, counted once per occurrence. Throws "Two objects share the code
    // CODE" when a sighting's canonical form is not the one already known for its code.
    void add(const CensusRow& row, const std::vector<ObjectSighting>& objects);
    // The rows of an object CSV, counts added. Throws "Unable to read PATH", "Not an objects
    // CSV: PATH", "Malformed objects row in PATH at line N (reason)" and "Object CODE of rule
    // R weight W differs between files" when the fixed columns of one code disagree.
    void read(const std::string& path);

    bool empty() const { return entries_.empty(); }
    // Per rule and weight, ascending: most common first, then by code.
    std::vector<std::pair<RuleKey, std::vector<const ObjectEntry*>>> ranked() const;
    void writeCsv(std::ostream& out) const;
    // A rule and weight whose runs were seen, so that its summary line says when it has no
    // objects; add() notes its row's.
    void noteRule(const RuleKey& key) { entries_[key]; }
    // Per rule and weight seen, ascending: "objects rule=B3/S2-3 weight=1 objects=N
    // distinct=M top=CODE:COUNT,CODE:COUNT,CODE:COUNT", the three most common ("top=none"
    // without objects).
    void writeSummary(std::ostream& out) const;

  private:
    void merge(const RuleKey& key, ObjectEntry entry);

    std::map<RuleKey, std::map<std::string, ObjectEntry>, RuleAndWeightLess> entries_;
};

}  // namespace quorvel
