#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "automaton/Automaton.h"
#include "automaton/Population.h"
#include "automaton/Seeding.h"
#include "automaton/StepGraph.h"
#include "automaton/VertexStepGraph.h"
#include "census/CensusDriver.h"
#include "census/CensusPlan.h"
#include "census/CensusWorker.h"
#include "census/Gallery.h"
#include "census/ObjectCode.h"
#include "census/ObjectTable.h"
#include "census/Objects.h"
#include "run/World.h"
#include "support/FileText.h"
#include "support/InProcessRun.h"
#include "support/TempDirTest.h"
#include "support/TestWorlds.h"

namespace quorvel {
namespace {

using testsupport::readFile;
using testsupport::splitLines;
using TileSet = std::vector<int32_t>;

auto keyOf(const Placement& p) {
    return std::make_tuple(p.turn, p.mirror, p.shift.c0, p.shift.c1, p.shift.c2, p.shift.c3);
}
using PlacementKey = decltype(keyOf(Placement{}));

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, ',')) {
        fields.push_back(field);
    }
    return fields;
}

TileSet liveTiles(const std::vector<uint8_t>& alive) {
    TileSet live;
    for (std::size_t t = 0; t < alive.size(); ++t) {
        if (alive[t]) {
            live.push_back(static_cast<int32_t>(t));
        }
    }
    return live;
}

Population populationOf(std::size_t tileCount, const TileSet& live) {
    Population population{std::vector<uint8_t>(tileCount, 0), std::vector<uint32_t>(tileCount, 0)};
    for (const int32_t tile : live) {
        population.alive[static_cast<std::size_t>(tile)] = 1;
        population.age[static_cast<std::size_t>(tile)] = 1;
    }
    return population;
}

// One settled census run with the worker's view of it.
struct SettledRun {
    CensusRun run;
    RunResult result;
    std::vector<TileSet> phases;
    std::vector<CensusObject> objects;
    std::vector<ObjectSighting> sightings;
};

// A sample census over rules and weights on one world, every settled run kept.
struct Sample {
    std::string name;
    World world;
    StepGraphs graphs;
    std::vector<SettledRun> settled;
    int32_t unsettledOrExtinct = 0;
};

// `rules`, when given, is a --rule list in place of the births and survive maxima, and
// `vertex` steps the vertex neighbourhood.
Sample sampleOf(const std::string& name, const World& world, const std::string& births,
                const std::string& surviveMaxes, const std::string& seeds,
                const std::string& rules = "", bool vertex = false) {
    Sample sample{name, world, {}, {}, 0};
    CensusLists lists;
    lists.births = parseIntList("--birth", births);
    lists.surviveMaxes = parseIntList("--survive-max", surviveMaxes);
    if (!rules.empty()) {
        lists.ruleSets = parseRuleList("--rule", rules);
    }
    lists.faceWeights = parseIntList("--face-weight", "1,2");
    lists.seeds = parseSeedList("--seed", seeds);
    const CensusPlan plan(lists);
    for (const int32_t weight : plan.weights()) {
        sample.graphs.emplace(weight, std::make_shared<const StepGraph>(
                                          vertex ? buildVertexStepGraph(sample.world.tiling, weight)
                                                 : buildStepGraph(sample.world.faces, weight)));
    }
    CensusWorker worker(sample.graphs, &sample.world.tiling.placements);
    for (uint64_t position = 0; position < plan.runCount(); ++position) {
        SettledRun settled{plan.runAt(position), {}, {}, {}, {}};
        settled.result = worker.run(settled.run, 400);
        if (settled.result.outcome == Outcome::Unsettled ||
            settled.result.outcome == Outcome::Extinct) {
            EXPECT_TRUE(worker.objects().empty());
            ++sample.unsettledOrExtinct;
            continue;
        }
        settled.phases = worker.phases();
        settled.objects = worker.objects();
        settled.sightings = worker.takeSightings();
        sample.settled.push_back(std::move(settled));
    }
    return sample;
}

const std::vector<Sample>& samples() {
    static const std::vector<Sample> made = [] {
        std::vector<Sample> list;
        list.push_back(sampleOf("spectre-d4", testsupport::worldOf("Delta", 4, TilingKind::Spectre),
                                "3", "3,4", "1-6"));
        list.push_back(
            sampleOf("quorvel-d3", testsupport::worldOf("Delta", 3), "2,3", "3,5", "1-4"));
        // Set rules, on faces and on vertex neighbours.
        list.push_back(sampleOf("spectre-d4-sets",
                                testsupport::worldOf("Delta", 4, TilingKind::Spectre), "3", "3",
                                "1-3", "B3,6/S2-3;B3/S1,3"));
        list.push_back(sampleOf("spectre-d4-vertex",
                                testsupport::worldOf("Delta", 4, TilingKind::Spectre), "3", "3",
                                "1-3", "B3,6/S2-3;B3/S2-4", true));
        return list;
    }();
    return made;
}

// The run's own live sets of one period after its last step, from a fresh automaton.
std::vector<TileSet> phasesOfRun(const Sample& sample, const SettledRun& settled) {
    const std::shared_ptr<const StepGraph>& graph = sample.graphs.at(settled.run.rule.faceWeight);
    Automaton automaton(graph, settled.run.rule,
                        seedPopulation(graph->tileCount(), settled.run.seed, settled.run.density));
    for (int32_t step = 0; step < settled.result.stepsRun; ++step) {
        automaton.step();
    }
    std::vector<TileSet> phases;
    for (int32_t k = 0; k < settled.result.period; ++k) {
        if (k > 0) {
            automaton.step();
        }
        phases.push_back(liveTiles(automaton.aliveFlags()));
    }
    return phases;
}

TEST(CensusObjects, AddUpToTheRunAndEvolveAloneOnTheWholePatch) {
    for (const Sample& sample : samples()) {
        SCOPED_TRACE(sample.name);
        std::map<ObjectKind, int> kinds;
        ASSERT_GT(sample.settled.size(), 4u);
        for (const SettledRun& settled : sample.settled) {
            SCOPED_TRACE("seed " + std::to_string(settled.run.seed) + " birth " +
                         std::to_string(settled.run.rule.birth) + " weight " +
                         std::to_string(settled.run.rule.faceWeight));
            const std::vector<TileSet> phases = phasesOfRun(sample, settled);
            ASSERT_EQ(settled.phases, phases);
            const std::shared_ptr<const StepGraph>& graph =
                sample.graphs.at(settled.run.rule.faceWeight);
            for (std::size_t k = 0; k < phases.size(); ++k) {
                TileSet sum;
                for (const CensusObject& object : settled.objects) {
                    const TileSet& part = object.phases[k % object.phases.size()];
                    sum.insert(sum.end(), part.begin(), part.end());
                }
                std::sort(sum.begin(), sum.end());
                EXPECT_EQ(std::adjacent_find(sum.begin(), sum.end()), sum.end()) << "overlap";
                EXPECT_EQ(sum, phases[k]) << "phase " << k;
            }
            for (const CensusObject& object : settled.objects) {
                ++kinds[object.kind];
                EXPECT_EQ(phases.size() % object.phases.size(), 0u);
                EXPECT_EQ(object.kind == ObjectKind::Still,
                          object.period == 1 && object.kind != ObjectKind::Constellation);
                // Alone on the whole patch, every other tile dead, with the run's automaton.
                Automaton alone(graph, settled.run.rule,
                                populationOf(graph->tileCount(), object.phases[0]));
                for (std::size_t k = 1; k <= phases.size(); ++k) {
                    alone.step();
                    ASSERT_EQ(liveTiles(alone.aliveFlags()),
                              object.phases[k % object.phases.size()])
                        << "object of tile " << object.tiles.front() << " at step " << k;
                }
                // The ring is exactly the dead tiles that count the object.
                TileSet ring;
                const Neighbourhood& counted = *graph->counted;
                for (std::size_t t = 0; t < graph->tileCount(); ++t) {
                    const bool inObject = std::binary_search(
                        object.tiles.begin(), object.tiles.end(), static_cast<int32_t>(t));
                    for (uint32_t e = counted.start[t]; e < counted.start[t + 1] && !inObject;
                         ++e) {
                        if (std::binary_search(object.tiles.begin(), object.tiles.end(),
                                               counted.tiles[e])) {
                            ring.push_back(static_cast<int32_t>(t));
                            break;
                        }
                    }
                }
                EXPECT_EQ(ring, object.ring);
            }
        }
        EXPECT_GT(kinds[ObjectKind::Still], 0);
        EXPECT_GT(kinds[ObjectKind::Oscillator], 0);
    }
}

// The rigid motions that take object a onto object b (tiles onto tiles, ring onto ring, each
// phase onto a phase of b in order), found with exact lattice arithmetic.
int motionsBetween(const std::vector<Placement>& placements, const CensusObject& a,
                   const CensusObject& b) {
    const auto keys = [&placements](const TileSet& tiles) {
        std::set<PlacementKey> set;
        for (const int32_t t : tiles) {
            set.insert(keyOf(placements[static_cast<std::size_t>(t)]));
        }
        return set;
    };
    const auto moved = [&placements](const Placement& motion, const TileSet& tiles) {
        std::set<PlacementKey> set;
        for (const int32_t t : tiles) {
            set.insert(keyOf(composePlacements(motion, placements[static_cast<std::size_t>(t)])));
        }
        return set;
    };
    if (a.period != b.period) {
        return 0;
    }
    int motions = 0;
    const Placement undo = inversePlacement(placements[static_cast<std::size_t>(a.tiles[0])]);
    for (const int32_t target : b.tiles) {
        const Placement motion =
            composePlacements(placements[static_cast<std::size_t>(target)], undo);
        if (moved(motion, a.tiles) != keys(b.tiles) || moved(motion, a.ring) != keys(b.ring)) {
            continue;
        }
        for (int32_t shift = 0; shift < a.period; ++shift) {
            bool phasesMatch = true;
            for (int32_t k = 0; k < a.period && phasesMatch; ++k) {
                phasesMatch = moved(motion, a.phases[static_cast<std::size_t>(k)]) ==
                              keys(b.phases[static_cast<std::size_t>((k + shift) % a.period)]);
            }
            motions += phasesMatch ? 1 : 0;
        }
    }
    return motions;
}

TEST(CensusObjects, EqualCodesAreRigidMotionsAndDifferentFormsDifferentCodes) {
    for (const Sample& sample : samples()) {
        SCOPED_TRACE(sample.name);
        const std::vector<Placement>& placements = sample.world.tiling.placements;
        std::map<std::pair<int32_t, std::string>, const CensusObject*> firstOfCode;
        std::map<std::string, CanonicalForm> formOfCode;
        std::set<CanonicalForm> forms;
        int pairs = 0;
        for (const SettledRun& settled : sample.settled) {
            for (std::size_t i = 0; i < settled.objects.size(); ++i) {
                const ObjectSighting& sighting = settled.sightings[i];
                forms.insert(*sighting.form);
                const auto [known, added] = formOfCode.emplace(sighting.code, *sighting.form);
                EXPECT_TRUE(known->second == *sighting.form) << sighting.code;
                const auto [first, isFirst] =
                    firstOfCode.emplace(std::make_pair(settled.run.rule.faceWeight, sighting.code),
                                        &settled.objects[i]);
                if (!isFirst && pairs < 400) {
                    ++pairs;
                    EXPECT_GT(motionsBetween(placements, *first->second, settled.objects[i]), 0)
                        << sighting.code;
                }
            }
        }
        EXPECT_EQ(forms.size(), formOfCode.size()) << "two forms on one code";
        EXPECT_GT(pairs, 0);
    }
}

// The first still life of the first sample with at least `size` live tiles.
const CensusObject& stillLifeOf(const Sample& sample, std::size_t size, Rule& rule) {
    for (const SettledRun& settled : sample.settled) {
        for (const CensusObject& object : settled.objects) {
            if (object.kind == ObjectKind::Still && object.tiles.size() >= size) {
                rule = settled.run.rule;
                return object;
            }
        }
    }
    throw std::runtime_error("no still life in the sample");
}

TEST(CensusObjects, HandMadeStillLifes) {
    const Sample& sample = samples()[0];
    const std::vector<Placement>& placements = sample.world.tiling.placements;
    Rule rule;
    const CensusObject& still = stillLifeOf(sample, 3, rule);
    const StepGraph& graph = *sample.graphs.at(rule.faceWeight);
    const std::string code = sightObject(still, placements, graph).code;

    // The same cluster found elsewhere in the patch and seeded alone there: one code.
    std::map<PlacementKey, int32_t> tileAt;
    for (std::size_t t = 0; t < placements.size(); ++t) {
        tileAt.emplace(keyOf(placements[t]), static_cast<int32_t>(t));
    }
    const Placement undo = inversePlacement(placements[static_cast<std::size_t>(still.tiles[0])]);
    int congruentPlaces = 0;
    for (std::size_t u = 0; u < placements.size(); ++u) {
        if (static_cast<int32_t>(u) == still.tiles[0]) {
            continue;
        }
        const Placement motion = composePlacements(placements[u], undo);
        const auto imageOf = [&](const TileSet& tiles) {
            TileSet image;
            for (const int32_t t : tiles) {
                const auto found = tileAt.find(
                    keyOf(composePlacements(motion, placements[static_cast<std::size_t>(t)])));
                if (found != tileAt.end()) {
                    image.push_back(found->second);
                }
            }
            std::sort(image.begin(), image.end());
            return image;
        };
        const TileSet image = imageOf(still.tiles);
        if (image.size() != still.tiles.size()) {
            continue;
        }
        Automaton alone(sample.graphs.at(rule.faceWeight), rule,
                        populationOf(graph.tileCount(), image));
        alone.step();
        if (liveTiles(alone.aliveFlags()) != image) {
            continue;  // not still there
        }
        const std::vector<CensusObject> found = findObjects(graph, rule, {image});
        ASSERT_EQ(found.size(), 1u);
        if (imageOf(still.ring) != found[0].ring) {
            // Another ring (near the patch's edge, or tiles placed otherwise around it): another
            // cluster, with a code of its own.
            EXPECT_NE(sightObject(found[0], placements, graph).code, code) << "at tile " << u;
            continue;
        }
        ++congruentPlaces;
        EXPECT_EQ(sightObject(found[0], placements, graph).code, code) << "at tile " << u;
        EXPECT_GT(motionsBetween(placements, still, found[0]), 0);
    }
    EXPECT_GT(congruentPlaces, 0);
    RecordProperty("congruent_places", congruentPlaces);

    // The whole patch turned, mirrored and shifted: the same graph, moved placements, so every
    // object keeps its code, mirrored ones included.
    for (int orientation = 0; orientation < 24; ++orientation) {
        Placement motion;
        motion.turn = static_cast<uint8_t>(orientation % 12);
        motion.mirror = orientation >= 12;
        motion.shift = {3, -1, 2, 5};
        std::vector<Placement> moved;
        for (const Placement& p : placements) {
            moved.push_back(composePlacements(motion, p));
        }
        for (const SettledRun& settled : sample.settled) {
            const StepGraph& runGraph = *sample.graphs.at(settled.run.rule.faceWeight);
            for (std::size_t i = 0; i < settled.objects.size(); ++i) {
                ASSERT_EQ(sightObject(settled.objects[i], moved, runGraph).code,
                          settled.sightings[i].code)
                    << "orientation " << orientation;
            }
        }
    }

    // One ring tile more: another cluster, another code (the hash too, not only the prefix).
    for (const int32_t extra : still.ring) {
        CensusObject bigger;
        bigger.tiles = still.tiles;
        bigger.tiles.insert(std::upper_bound(bigger.tiles.begin(), bigger.tiles.end(), extra),
                            extra);
        const TileSet ringAndMore = [&] {
            TileSet all;
            const Neighbourhood& dependants = *graph.dependants;
            for (const int32_t t : bigger.tiles) {
                for (uint32_t e = dependants.start[static_cast<std::size_t>(t)];
                     e < dependants.start[static_cast<std::size_t>(t) + 1]; ++e) {
                    if (!std::binary_search(bigger.tiles.begin(), bigger.tiles.end(),
                                            dependants.tiles[e])) {
                        all.push_back(dependants.tiles[e]);
                    }
                }
            }
            std::sort(all.begin(), all.end());
            all.erase(std::unique(all.begin(), all.end()), all.end());
            return all;
        }();
        bigger.ring = ringAndMore;
        bigger.phases = {bigger.tiles};
        const std::string biggerCode = sightObject(bigger, placements, graph).code;
        EXPECT_NE(biggerCode.substr(biggerCode.find('_')), code.substr(code.find('_')));
    }
}

TEST(CensusObjects, TalliesRefuseTwoFormsOnOneCode) {
    const Sample& sample = samples()[0];
    const SettledRun& settled = sample.settled[0];
    ASSERT_GE(settled.sightings.size(), 2u);
    std::vector<ObjectSighting> forged = {settled.sightings[0], settled.sightings[1]};
    forged[1].code = forged[0].code;
    forged[1].kind = forged[0].kind;
    forged[1].period = forged[0].period;
    CensusRow row;
    row.run = settled.run;
    ObjectCensus census;
    try {
        census.add(row, forged);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Two objects share the code " + forged[0].code);
    }
    // The same object twice is counted twice.
    ObjectCensus twice;
    twice.add(row, {settled.sightings[0], settled.sightings[0]});
    std::ostringstream summary;
    twice.writeSummary(summary);
    EXPECT_EQ(summary.str(), "objects rule=B3/S2-3 weight=1 objects=2 distinct=1 top=" +
                                 settled.sightings[0].code + ":2\n");
}

class CensusObjectFiles : public testsupport::TempDirTest {
  protected:
    testrun::RunResult census(std::vector<std::string> args) {
        args.insert(args.begin(), "quorvel-census");
        std::ostringstream out;
        std::ostringstream err;
        const int status = runQuorvelCensus(args, out, err);
        return {status, out.str(), err.str()};
    }
    std::vector<std::string> sample(std::vector<std::string> more) {
        std::vector<std::string> args = {"--tiling",      "spectre", "--depth",       "3",
                                         "--survive-max", "3,4",     "--face-weight", "1,2",
                                         "--seed",        "1-9",     "--steps",       "300"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
    static std::vector<std::string> linesStarting(const std::string& text,
                                                  const std::string& start) {
        std::vector<std::string> lines;
        for (const std::string& line : splitLines(text)) {
            if (line.rfind(start, 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }
};

TEST_F(CensusObjectFiles, JobsAndMergedShardsGiveOneFileAndPlainCensusesDoNotChange) {
    const testrun::RunResult plain = census(sample({"--csv", path("plain.csv"), "--jobs", "1"}));
    ASSERT_EQ(plain.status, 0) << plain.err;
    const testrun::RunResult one =
        census(sample({"--csv", path("one.csv"), "--jobs", "1", "--objects",
                       path("one.objects.csv"), "--gallery", path("one.svg")}));
    ASSERT_EQ(one.status, 0) << one.err;
    const testrun::RunResult two = census(
        sample({"--csv", path("two.csv"), "--jobs", "2", "--objects", path("two.objects.csv")}));
    ASSERT_EQ(two.status, 0) << two.err;
    const std::string objects = readFile(path("one.objects.csv"));
    EXPECT_TRUE(objects == readFile(path("two.objects.csv")));
    EXPECT_TRUE(readFile(path("plain.csv")) == readFile(path("one.csv")));
    // Without --objects nothing is added; with it, only its own lines.
    EXPECT_TRUE(linesStarting(plain.out, "objects").empty());
    EXPECT_EQ(linesStarting(plain.out, "rule="), linesStarting(one.out, "rule="));
    const std::vector<std::string> objectLines = linesStarting(one.out, "objects rule=");
    ASSERT_EQ(objectLines.size(), 4u);
    EXPECT_EQ(objectLines[0].rfind("objects rule=B3/S2-3 weight=1 objects=", 0), 0u);
    EXPECT_EQ(linesStarting(one.out, "objects_csv="),
              std::vector<std::string>{"objects_csv=" + path("one.objects.csv")});
    const std::string last = "gallery=" + path("one.svg") + "\ncsv=" + path("one.csv") + "\n";
    EXPECT_EQ(one.out.substr(one.out.size() - std::min(one.out.size(), last.size())), last)
        << "csv= stays the last line";
    const std::vector<std::string> rows = splitLines(objects);
    ASSERT_GT(rows.size(), 10u);
    EXPECT_EQ(rows[0], kObjectCsvHeader);
    const std::string svg = readFile(path("one.svg"));
    EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
    EXPECT_NE(svg.find(split(rows[1])[2]), std::string::npos) << "the most common is drawn";

    for (const char* shard : {"1/2", "2/2"}) {
        const std::string name = std::string("shard") + shard[0];
        const testrun::RunResult part = census(sample(
            {"--csv", path(name + ".csv"), "--shard", shard, "--objects", path(name + ".o.csv")}));
        ASSERT_EQ(part.status, 0) << part.err;
    }
    const testrun::RunResult merged =
        census({"--objects", path("merged.csv"), "--summarize", path("shard1.csv"),
                path("shard2.csv"), path("shard1.o.csv"), path("shard2.o.csv")});
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_TRUE(readFile(path("merged.csv")) == objects);
    EXPECT_EQ(linesStarting(merged.out, "rule="), linesStarting(one.out, "rule="));
    EXPECT_EQ(linesStarting(merged.out, "objects rule="), objectLines);

    // Object files alone summarise too; the same file twice does not.
    const testrun::RunResult alone = census({"--summarize", path("one.objects.csv")});
    EXPECT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(linesStarting(alone.out, "objects rule="), objectLines);
    const testrun::RunResult twice =
        census({"--summarize", path("shard1.o.csv"), path("shard1.o.csv")});
    EXPECT_EQ(twice.status, 1);
    EXPECT_EQ(twice.err, "error: Same file given twice: " + path("shard1.o.csv") + " and " +
                             path("shard1.o.csv") + "\n");
}

TEST_F(CensusObjectFiles, MalformedObjectFilesAndRefusedCombinations) {
    const std::string header = std::string(kObjectCsvHeader) + "\n";
    const std::string good = "B3/S2-3,1,s3_67de6a8942f242b8,still,1,3,3,6,55,0.42,1,2823\n";
    struct Case {
        const char* name;
        std::string content;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"fields", header + "B3/S2-3,1,s3_67de6a8942f242b8,still,1,3,3,6,55,0.42,1\n",
         "Malformed objects row in PATH at line 2 (11 fields, not 12)"},
        {"rule", header + "B3/S3-2,1,s3_67de6a8942f242b8,still,1,3,3,6,55,0.42,1,2823\n",
         "Malformed objects row in PATH at line 2 (a field that is not a value of its column)"},
        {"kind", header + "B3/S2-3,1,s3_67de6a8942f242b8,oscillator,1,3,3,6,55,0.42,1,2823\n",
         "Malformed objects row in PATH at line 2 (values that do not fit together)"},
        {"prefix", header + "B3/S2-3,1,s4_67de6a8942f242b8,still,1,3,3,6,55,0.42,1,2823\n",
         "Malformed objects row in PATH at line 2 (values that do not fit together)"},
        {"twice", header + good + good,
         "Malformed objects row in PATH at line 3 (a code given twice for one rule and weight)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::ofstream file(path(c.name));
            file << c.content;
        }
        const testrun::RunResult run = census({"--summarize", path(c.name)});
        EXPECT_EQ(run.status, 1);
        std::string expected = c.error;
        expected.replace(expected.find("PATH"), 4, path(c.name));
        EXPECT_EQ(run.err, "error: " + expected + "\n");
    }
    {
        std::ofstream file(path("a.csv"));
        file << header << good;
        std::ofstream other(path("b.csv"));
        other << header << "B3/S2-3,1,s3_67de6a8942f242b8,still,1,3,3,7,5,0.42,2,28\n";
    }
    // Telling object files apart reads a bounded start of regular files only.
    const testrun::RunResult endless = census({"--summarize", "/dev/zero"});
    EXPECT_EQ(endless.err, "error: Line too long in /dev/zero at line 1\n");
    const testrun::RunResult differ = census({"--summarize", path("a.csv"), path("b.csv")});
    EXPECT_EQ(differ.err,
              "error: Object s3_67de6a8942f242b8 of rule B3/S2-3 weight 1 differs between files\n");
    const testrun::RunResult drawn =
        census({"--gallery", path("g.svg"), "--summarize", path("a.csv")});
    EXPECT_EQ(drawn.err,
              "error: --gallery draws the objects of a census run, not of --summarize\n");
    const testrun::RunResult resume =
        census(sample({"--csv", path("r.csv"), "--resume", "--objects", path("o.csv")}));
    EXPECT_EQ(resume.err, "error: --resume cannot go on with --objects or --gallery\n");
    const testrun::RunResult unwritable =
        census(sample({"--csv", "", "--objects", path("no/such/dir.csv")}));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err,
              "error: Unable to write objects CSV: " + path("no/such/dir.csv") + "\n");
}

}  // namespace
}  // namespace quorvel
