#include "run/ProcessSignals.h"

#include <signal.h>

#include <atomic>

#include "render/OutputFile.h"

namespace quorvel {

namespace {

std::atomic<int> gInterruption{0};

extern "C" void recordSignal(int signal) {
    gInterruption.store(signal);
}

extern "C" void endAfterCleanup(int signal) {
    OutputFile::removeUnfinishedFiles();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

void installSignalHandling(OnInterrupt onInterrupt) {
    ::signal(SIGPIPE, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = onInterrupt == OnInterrupt::Record ? recordSignal : endAfterCleanup;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM}) {
        ::sigaction(signal, &action, nullptr);
    }
}

int interruptingSignal() {
    return gInterruption.load();
}

void recordInterruption(int signal) {
    gInterruption.store(signal);
}

}  // namespace quorvel
