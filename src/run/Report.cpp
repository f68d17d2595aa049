#include "run/Report.h"

#include "run/RunPipeline.h"

#include <iomanip>
#include <sstream>
#include <stdexcept>

namespace quorvel {

void writeBanner(std::ostream& out) {
    out << "Quorvel\n";
}

void writeSummary(std::ostream& out, const Options& options, std::size_t tileCount,
                  TilingKind kind) {
    out << "tiles=" << static_cast<uint64_t>(tileCount) << " depth=" << options.depth
        << " root=" << options.root << " rule=" << ruleText(ruleOf(options))
        << " weight=" << options.faceWeight << " density=" << std::fixed << std::setprecision(2)
        << options.density << " seed=" << options.seed;
    if (kind != TilingKind::Quorvel) {
        out << " tiling=" << tilingName(kind);
    }
    if (options.neighbourhood != NeighbourhoodKind::Face) {
        out << " neighbourhood=" << neighbourhoodName(options.neighbourhood);
    }
    out << "\n";
}

std::string summaryLine(const Options& options, std::size_t tileCount, TilingKind kind) {
    std::ostringstream line;
    writeSummary(line, options, tileCount, kind);
    std::string text = line.str();
    text.pop_back();
    return text;
}

void writeStepLine(std::ostream& out, int64_t step, int32_t liveCount, uint32_t maxAge) {
    out << "step=" << step << " alive=" << liveCount << " max_age=" << maxAge << "\n";
}

void checkWritten(std::ostream& out) {
    if (!out) {
        throw std::runtime_error("Unable to write standard output");
    }
}

}  // namespace quorvel
