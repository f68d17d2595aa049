#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "census/CensusDriver.h"
#include "run/ProcessSignals.h"

int main(int argc, char** argv) {
    // The report is written through the C++ stream's own buffer; nothing else uses stdio.
    std::ios::sync_with_stdio(false);
    quorvel::installSignalHandling(quorvel::OnInterrupt::Record);
    const std::vector<std::string> args(argv, argv + argc);
    return quorvel::runQuorvelCensus(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
