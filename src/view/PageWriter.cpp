#include "view/PageWriter.h"

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

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

// Base64 needs no escaping inside a script string, and numbers none at all.
std::string runData(const Tiling& tiling, const RunRecord& record, const Period& period) {
    const PictureSize size = pictureSize(tiling);
    std::string data = "{\"tiles\":" + std::to_string(record.tileCount()) +
                       ",\"steps\":" + std::to_string(record.stepCount()) +
                       ",\"checkpointEvery\":" + std::to_string(kCheckpointInterval) +
                       ",\"period\":" + std::to_string(period.length) +
                       ",\"periodFrom\":" + std::to_string(period.fromStep) +
                       ",\"width\":" + std::to_string(size.width) +
                       ",\"height\":" + std::to_string(size.height) +
                       ",\"scale\":" + std::to_string(kGeometryScale) + ",\n\"geometry\":\"" +
                       encodeBase64(encodeGeometry(tiling)) + "\",\n\"changes\":\"" +
                       encodeBase64(encodeChanges(record)) + "\",\n\"checkpoints\":[";
    ReplayState state = seededState(record);
    for (;;) {
        data += "\"" + encodeBase64(encodeCheckpoint(state)) + "\"";
        if (state.step + kCheckpointInterval > record.stepCount()) {
            break;
        }
        for (int32_t k = 0; k < kCheckpointInterval; ++k) {
            advance(record, state);
        }
        data += ",\n";
    }
    return data + "]}";
}

}  // namespace

void writeViewerPage(const Tiling& tiling, const RunRecord& record, const Period& period,
                     const std::string& summary, const std::string& path) {
    const std::string data = runData(tiling, record, period);
    const std::runtime_error failure("Unable to write HTML: " + path);
    std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file) {
        throw failure;
    }
    const std::string page = kPageTemplate;
    const std::size_t summaryAt = page.find(kSummaryMarker);
    const std::size_t runAt = page.find(kRunMarker);
    file << page.substr(0, summaryAt) << escapeHtml(summary)
         << page.substr(summaryAt + std::strlen(kSummaryMarker),
                        runAt - summaryAt - std::strlen(kSummaryMarker))
         << data << page.substr(runAt + std::strlen(kRunMarker));
    file.close();
    if (!file) {
        throw failure;
    }
}

}  // namespace quorvel
