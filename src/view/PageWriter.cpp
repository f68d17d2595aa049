#include "view/PageWriter.h"

#include <cstring>
#include <ostream>

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
               const RunRecord& record, const std::string& summary);

}  // namespace

// A set rule adds its canonical text as "rule" (the range fields hold its range reading, or -1
// when it has none); a range rule's page stays as it was, byte for byte.
// Base64 needs no escaping inside a script string, and numbers none at all.
void writeRunData(std::ostream& out, const Tiling& tiling, const StepGraph& graph,
                  const RunRecord& record) {
    const PictureSize size = pictureSize(tiling);
    const Rule& rule = record.rule();
    const Period& period = record.period();
    out << "{\"tiles\":" << tiling.size() << ",\"steps\":" << record.stepCount()
        << ",\"birth\":" << rule.birth << ",\"surviveMin\":" << rule.surviveMin
        << ",\"surviveMax\":" << rule.surviveMax << ",\"faceWeight\":" << rule.faceWeight
        << (rule.sets ? ",\"rule\":\"" + ruleText(rule) + "\"" : std::string())
        << ",\"period\":" << period.length << ",\"periodFrom\":" << period.fromStep
        << ",\"width\":" << std::to_string(size.width)
        << ",\"height\":" << std::to_string(size.height)
        << ",\"scale\":" << std::to_string(kGeometryScale) << ",\n\"style\":{\"background\":\""
        << kBackgroundColour << "\",\"liveFill\":\"" << kLiveFill << "\",\"liveStroke\":\""
        << kLiveStroke << "\",\"deadFill\":\"" << kDeadFill << "\",\"deadStroke\":\"" << kDeadStroke
        << "\",\"strokeWidth\":" << kStrokeWidth << ",\"margin\":" << std::to_string(kPictureMargin)
        << "},\n\"geometry\":\"" << encodeBase64(encodeGeometry(tiling)) << "\",\n\"adjacency\":\""
        << encodeBase64(encodeAdjacency(*graph.dependants)) << "\",\n\"population\":\""
        << encodeBase64(encodePopulation(record.liveCounts())) << "\",\n\"checkpoints\":[";
    const char* separator = "";
    for (const Checkpoint& checkpoint : record.checkpoints()) {
        out << separator << "[" << checkpoint.step << ",\"" << encodeBase64(checkpoint.bytes)
            << "\"]";
        separator = ",\n";
    }
    out << "]}";
}

namespace {

void writePage(std::ostream& out, const Tiling& tiling, const StepGraph& graph,
               const RunRecord& record, const std::string& summary) {
    const std::string page = kPageTemplate;
    const std::size_t summaryAt = page.find(kSummaryMarker);
    const std::size_t summaryEnd = summaryAt + std::strlen(kSummaryMarker);
    const std::size_t runAt = page.find(kRunMarker);
    out << page.substr(0, summaryAt) << escapeHtml(summary)
        << page.substr(summaryEnd, runAt - summaryEnd);
    writeRunData(out, tiling, graph, record);
    out << page.substr(runAt + std::strlen(kRunMarker));
}

}  // namespace

void writeViewerPage(const Tiling& tiling, const StepGraph& graph, const RunRecord& record,
                     const std::string& summary, const std::string& path, std::ostream* report) {
    OutputFile output(path, "Unable to write HTML: " + path, report);
    writePage(output.stream(), tiling, graph, record, summary);
    output.commit();
}

}  // namespace quorvel
