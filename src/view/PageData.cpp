#include "view/PageData.h"

#include "render/PictureStyle.h"
#include "tiling/Patch.h"

#include <algorithm>
#include <array>
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

std::string encodePlacements(const Tiling& tiling) {
    std::string bytes;
    LatticePoint previous;
    for (const Placement& placement : tiling.placements) {
        appendVarint(bytes, static_cast<uint64_t>(orientationOf(placement)));
        const LatticePoint& p = placement.shift;
        appendVarint(bytes, zigzag(int64_t{p.c0} - previous.c0));
        appendVarint(bytes, zigzag(int64_t{p.c1} - previous.c1));
        appendVarint(bytes, zigzag(int64_t{p.c2} - previous.c2));
        appendVarint(bytes, zigzag(int64_t{p.c3} - previous.c3));
        previous = p;
    }
    return bytes;
}

std::string encodeStepGraph(const Neighbourhood& dependants, bool symmetric) {
    std::string bytes;
    for (std::size_t tile = 0; tile < dependants.tileCount(); ++tile) {
        auto begin = static_cast<std::size_t>(dependants.start[tile]);
        const auto end = static_cast<std::size_t>(dependants.start[tile + 1]);
        const auto v = static_cast<int64_t>(tile);
        if (symmetric) {
            while (begin < end && dependants.tiles[begin] < v) {
                ++begin;
            }
        }
        appendVarint(bytes, end - begin);
        int64_t previous = v;
        for (std::size_t k = begin; k < end; ++k) {
            const int64_t u = dependants.tiles[k];
            const uint64_t gap =
                k == begin && !symmetric ? zigzag(u - v) : static_cast<uint64_t>(u - previous);
            const uint8_t weight = dependants.weights[k];
            appendVarint(bytes, gap << 1 | (weight > 1 ? 1 : 0));
            if (weight > 1) {
                appendVarint(bytes, weight - 2u);
            }
            previous = u;
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

uint32_t fnv1a32(const std::string& text) {
    uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace quorvel
