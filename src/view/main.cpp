#include <iostream>
#include <string>
#include <vector>

#include "view/ViewDriver.h"
#include "run/ProcessSignals.h"

int main(int argc, char** argv) {
    // The report is written through the C++ stream's own buffer; nothing else uses stdio.
    std::ios::sync_with_stdio(false);
    quorvel::installSignalHandling(quorvel::OnInterrupt::End);
    const std::vector<std::string> args(argv, argv + argc);
    return quorvel::runQuorvelView(args, std::cout, std::cerr);
}
