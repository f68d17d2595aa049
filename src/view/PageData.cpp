#include "view/PageData.h"

#include "render/PictureStyle.h"
#include "tiling/Patch.h"

#include <array>
#include <cmath>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quorvel {

namespace {

constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

uint64_t zigzag(int64_t value) {
    return (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
}

}  // namespace

std::string encodeBase64(const std::string& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t group = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 16 |
                               static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8 |
                               static_cast<uint8_t>(bytes[i + 2]);
        text.push_back(kBase64Digits[group >> 18]);
        text.push_back(kBase64Digits[(group >> 12) & 63]);
        text.push_back(kBase64Digits[(group >> 6) & 63]);
        text.push_back(kBase64Digits[group & 63]);
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t group = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 16;
        if (rest == 2) {
            group |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8;
        }
        text.push_back(kBase64Digits[group >> 18]);
        text.push_back(kBase64Digits[(group >> 12) & 63]);
        text.push_back(rest == 2 ? kBase64Digits[(group >> 6) & 63] : '=');
        text.push_back('=');
    }
    return text;
}

PictureSize pictureSize(const Tiling& tiling) {
    const PatchBounds& e = tiling.bounds;
    return PictureSize{(e.maxX - e.minX) + 2 * kPictureMargin,
                       (e.maxY - e.minY) + 2 * kPictureMargin};
}

std::string encodeGeometry(const Tiling& tiling) {
    const PatchBounds& e = tiling.bounds;
    std::string bytes;
    int64_t previousX = 0;
    int64_t previousY = 0;
    // Rounded points of a tile -> the latest tile with exactly those points.
    std::map<std::vector<int64_t>, int32_t> latestWithPoints;
    std::vector<int64_t> points;
    forEachTilePolygon(tiling, [&](std::size_t index, const TileOutline& outline) {
        points.clear();
        for (const Vec2& p : outline) {
            points.push_back(std::llround(((p.x - e.minX) + kPictureMargin) * kGeometryScale));
            points.push_back(std::llround(((p.y - e.minY) + kPictureMargin) * kGeometryScale));
        }
        const auto tileIndex = static_cast<int32_t>(index);
        const auto [known, added] = latestWithPoints.try_emplace(points, tileIndex);
        if (!added) {
            appendVarint(bytes, static_cast<uint64_t>(tileIndex - known->second));
            known->second = tileIndex;
            return;
        }
        appendVarint(bytes, 0);
        appendVarint(bytes, outline.size());
        for (std::size_t k = 0; k < points.size(); k += 2) {
            appendVarint(bytes, zigzag(points[k] - previousX));
            appendVarint(bytes, zigzag(points[k + 1] - previousY));
            previousX = points[k];
            previousY = points[k + 1];
        }
    });
    return bytes;
}

std::string encodeAdjacency(const Neighbourhood& dependants) {
    std::string bytes;
    for (std::size_t tile = 0; tile + 1 < dependants.start.size(); ++tile) {
        const auto begin = static_cast<std::size_t>(dependants.start[tile]);
        const auto end = static_cast<std::size_t>(dependants.start[tile + 1]);
        appendVarint(bytes, end - begin);
        for (std::size_t k = begin; k < end; ++k) {
            const uint64_t offset =
                zigzag(int64_t{dependants.tiles[k]} - static_cast<int64_t>(tile));
            appendVarint(bytes, offset * 8 + static_cast<uint64_t>(dependants.weights[k] - 1));
        }
    }
    return bytes;
}

std::string encodePopulation(const std::vector<int32_t>& liveCounts) {
    std::string bytes;
    int64_t previous = 0;
    for (const int32_t count : liveCounts) {
        appendVarint(bytes, zigzag(count - previous));
        previous = count;
    }
    return bytes;
}

}  // namespace quorvel
