#include "view/PageWriter.h"

#include <cstdio>
#include <cstring>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "geometry/Lattice.h"
#include "render/OutputFile.h"
#include "render/PictureStyle.h"
#include "view/PageData.h"
#include "view/PageTemplate.h"

namespace quorvel {

namespace {

std::string escapeHtml(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped.push_back(c);
        }
    }
    return escaped;
}

void writePage(std::ostream& out, const Tiling& tiling, const StepGraph& graph,
               const RunRecord& record, const PageSeeding& seeding, const std::string& summary);

}  // namespace

StepGraph pageStepGraphOf(const World& world, NeighbourhoodKind neighbourhood,
                          const StepGraph& runGraph) {
    return neighbourhood == NeighbourhoodKind::Vertex
               ? runGraph
               : buildStepGraph(world.faces, kPageFaceWeight);
}

// A set rule adds its canonical text as "rule" (the range fields hold its range reading, or -1
// when it has none); a range rule's data stays as it was, byte for byte.
// Base64 needs no escaping inside a script element, and numbers none at all.
std::string runDataText(const Tiling& tiling, const StepGraph& graph, const RunRecord& record,
                        const PageSeeding& seeding) {
    std::ostringstream out;
    const PictureSize size = pictureSize(tiling);
    const Rule& rule = record.rule();
    const Period& period = record.period();
    const bool symmetric = graph.symmetric();
    out << "{\"tiles\":" << tiling.size() << ",\"steps\":" << record.stepCount() << ",\"kind\":\""
        << (tiling.kind == TilingKind::Spectre ? "spectre" : "quorvel")
        << "\",\"birth\":" << rule.birth << ",\"surviveMin\":" << rule.surviveMin
        << ",\"surviveMax\":" << rule.surviveMax << ",\"faceWeight\":" << rule.faceWeight
        << (rule.sets ? ",\"rule\":\"" + ruleText(rule) + "\"" : std::string()) << ",\"seed\":\""
        << seeding.seed << "\",\"density\":" << std::setprecision(17) << seeding.density
        << ",\"period\":" << period.length << ",\"periodFrom\":" << period.fromStep
        << ",\"minX\":" << tiling.bounds.minX << ",\"minY\":" << tiling.bounds.minY
        << ",\"width\":" << std::to_string(size.width)
        << ",\"height\":" << std::to_string(size.height) << ",\n\"style\":{\"background\":\""
        << kBackgroundColour << "\",\"liveFill\":\"" << kLiveFill << "\",\"liveStroke\":\""
        << kLiveStroke << "\",\"deadFill\":\"" << kDeadFill << "\",\"deadStroke\":\"" << kDeadStroke
        << "\",\"svgNamespace\":\"" << kSvgNamespace << "\",\"strokeWidth\":" << kStrokeWidth
        << ",\"margin\":" << std::to_string(kPictureMargin) << "},\n\"base\":[";
    const char* separator = "";
    for (const LatticePoint& p : exactBasePolygon()) {
        out << separator << p.c0 << "," << p.c1 << "," << p.c2 << "," << p.c3;
        separator = ",";
    }
    out << "],\"symmetric\":" << (symmetric ? "true" : "false")
        << ",\"graphWeight\":" << graph.faceWeight << ",\n\"placements\":\""
        << encodeBase64(encodePlacements(tiling)) << "\",\n\"stepGraph\":\""
        << encodeBase64(encodeStepGraph(*graph.dependants, symmetric)) << "\",\n\"population\":\""
        << encodeBase64(encodePopulation(record.liveCounts())) << "\",\n\"checkpoints\":[";
    separator = "";
    for (const Checkpoint& checkpoint : record.checkpoints()) {
        out << separator << "[" << checkpoint.step << ",\"" << encodeBase64(checkpoint.bytes)
            << "\"]";
        separator = ",\n";
    }
    out << "]}";
    return out.str();
}

void writeRunData(std::ostream& out, const Tiling& tiling, const StepGraph& graph,
                  const RunRecord& record, const PageSeeding& seeding) {
    out << runDataText(tiling, graph, record, seeding);
}

namespace {

void writePage(std::ostream& out, const Tiling& tiling, const StepGraph& graph,
               const RunRecord& record, const PageSeeding& seeding, const std::string& summary) {
    const std::string& page = pageTemplate();
    const std::string data = runDataText(tiling, graph, record, seeding);
    char checksum[9];
    std::snprintf(checksum, sizeof checksum, "%08x", fnv1a32(data));
    const std::size_t summaryAt = page.find(kSummaryMarker);
    const std::size_t summaryEnd = summaryAt + std::strlen(kSummaryMarker);
    const std::size_t checksumAt = page.find(kChecksumMarker);
    const std::size_t checksumEnd = checksumAt + std::strlen(kChecksumMarker);
    const std::size_t runAt = page.find(kRunMarker);
    out << page.substr(0, summaryAt) << escapeHtml(summary)
        << page.substr(summaryEnd, checksumAt - summaryEnd) << checksum
        << page.substr(checksumEnd, runAt - checksumEnd) << data
        << page.substr(runAt + std::strlen(kRunMarker));
}

}  // namespace

void writeViewerPage(const Tiling& tiling, const StepGraph& graph, const RunRecord& record,
                     const PageSeeding& seeding, const std::string& summary,
                     const std::string& path, std::ostream* report) {
    OutputFile output(path, "Unable to write HTML: " + path, report);
    writePage(output.stream(), tiling, graph, record, seeding, summary);
    output.commit();
}

}  // namespace quorvel
