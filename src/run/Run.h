// One run that a program builds and steps: the world, the automaton that owns the state, and,
// when the program watches the run (quorvel-view), the record of it. The programs drive the
// run themselves; nothing calls back into them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "automaton/Automaton.h"
#include "automaton/StepGraph.h"
#include "run/Options.h"
#include "run/RunRecord.h"
#include "run/World.h"
#include "tiling/TilingKind.h"

namespace quorvel {

struct RunSetup {
    TilingKind kind = TilingKind::Quorvel;
    // Keep a RunRecord: the live counts, checkpoints and the period of the live set.
    bool record = false;
    // Threads one step runs on; the result is the same for every count.
    int32_t threads = 1;
};

class Run {
  public:
    // Builds the world, the step graph at the options' face weight and the seeded population.
    Run(const Options& options, const RunSetup& setup);

    void step();

    const World& world() const { return world_; }
    const Automaton& automaton() const { return *automaton_; }
    // Null unless the setup asked for a record.
    const RunRecord* record() const { return record_ ? &*record_ : nullptr; }

  private:
    World world_;
    std::shared_ptr<const StepGraph> graph_;
    std::optional<Automaton> automaton_;
    std::optional<RunRecord> record_;
};

}  // namespace quorvel
