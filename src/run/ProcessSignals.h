// What the programs do on the signals a user or a pipeline sends. SIGPIPE is ignored, so that a
// reader that stops reading makes a write fail instead of ending the process before its files
// are finished. SIGINT and SIGTERM either end the process at once, as by default, once the
// temporary file of an unfinished write is removed (quorvel, quorvel-view); or are only
// recorded, for a program that stops cleanly at its next check (quorvel-census).
#pragma once

namespace quorvel {

enum class OnInterrupt { End, Record };

void installSignalHandling(OnInterrupt onInterrupt);

// The SIGINT or SIGTERM recorded since installSignalHandling(OnInterrupt::Record), or 0.
int interruptingSignal();

// As if `signal` had arrived; for tests of a program that stops cleanly.
void recordInterruption(int signal);

}  // namespace quorvel
