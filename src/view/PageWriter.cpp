#include "view/PageWriter.h"

#include <ostream>
#include <vector>

#include "render/OutputFile.h"
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
    OutputFile output(path, "Unable to write HTML: " + path);
    std::ostream& file = output.stream();
    file << kPageHead << escapeHtml(summary) << kPageBody << data << kPageScript;
    output.commit();
}

}  // namespace quorvel
