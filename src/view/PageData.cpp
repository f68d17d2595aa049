#include "view/PageData.h"

#include "render/PictureStyle.h"
#include "tiling/PatchBounds.h"

#include <array>
#include <cmath>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quorvel {

namespace {

constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::size_t varintSize(uint64_t value) {
    std::size_t size = 1;
    for (; value >= 0x80; value >>= 7) {
        ++size;
    }
    return size;
}

uint64_t zigzag(int64_t value) {
    return (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
}

}  // namespace

void appendVarint(std::string& bytes, uint64_t value) {
    while (value >= 0x80) {
        bytes.push_back(static_cast<char>((value & 0x7F) | 0x80));
        value >>= 7;
    }
    bytes.push_back(static_cast<char>(value));
}

uint64_t readVarint(const std::string& bytes, std::size_t& position) {
    uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (position >= bytes.size()) {
            throw std::runtime_error("Truncated page data");
        }
        const auto byte = static_cast<uint8_t>(bytes[position++]);
        value |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            return value;
        }
    }
    throw std::runtime_error("Overlong number in page data");
}

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
    const PatchBounds e = patchBounds(tiling);
    return PictureSize{(e.maxX - e.minX) + 2 * kPictureMargin,
                       (e.maxY - e.minY) + 2 * kPictureMargin};
}

std::string encodeGeometry(const Tiling& tiling) {
    const PatchBounds e = patchBounds(tiling);
    std::string bytes;
    int64_t previousX = 0;
    int64_t previousY = 0;
    // Rounded points of a tile -> the latest tile with exactly those points.
    std::map<std::vector<int64_t>, int32_t> latestWithPoints;
    std::vector<int64_t> points;
    for (std::size_t index = 0; index < tiling.size(); ++index) {
        const Tile& tile = tiling[index];
        points.clear();
        for (const Vec2& p : tile.polygon) {
            points.push_back(std::llround(((p.x - e.minX) + kPictureMargin) * kGeometryScale));
            points.push_back(std::llround(((p.y - e.minY) + kPictureMargin) * kGeometryScale));
        }
        const auto tileIndex = static_cast<int32_t>(index);
        const auto [known, added] = latestWithPoints.try_emplace(points, tileIndex);
        if (!added) {
            appendVarint(bytes, static_cast<uint64_t>(tileIndex - known->second));
            known->second = tileIndex;
            continue;
        }
        appendVarint(bytes, 0);
        appendVarint(bytes, tile.polygon.size());
        for (std::size_t k = 0; k < points.size(); k += 2) {
            appendVarint(bytes, zigzag(points[k] - previousX));
            appendVarint(bytes, zigzag(points[k + 1] - previousY));
            previousX = points[k];
            previousY = points[k + 1];
        }
    }
    return bytes;
}

std::string encodeAdjacency(const ReverseAdjacency& adjacency) {
    std::string bytes;
    for (std::size_t tile = 0; tile + 1 < adjacency.start.size(); ++tile) {
        const auto begin = static_cast<std::size_t>(adjacency.start[tile]);
        const auto end = static_cast<std::size_t>(adjacency.start[tile + 1]);
        appendVarint(bytes, end - begin);
        for (std::size_t k = begin; k < end; ++k) {
            const Dependant& dependant = adjacency.dependants[k];
            const uint64_t offset = zigzag(int64_t{dependant.tile} - static_cast<int64_t>(tile));
            appendVarint(bytes, offset * 8 + static_cast<uint64_t>(dependant.weight - 1));
        }
    }
    return bytes;
}

std::string encodeCheckpoint(const Tiling& tiling) {
    // One pass over the tiles; then the live set as a list of gaps or as a bitmap, whichever
    // is shorter.
    std::vector<std::pair<int32_t, uint32_t>> live;
    std::size_t listBytes = 0;
    int32_t previous = -1;
    for (std::size_t index = 0; index < tiling.size(); ++index) {
        if (tiling[index].alive) {
            const auto tile = static_cast<int32_t>(index);
            listBytes += varintSize(static_cast<uint64_t>(tile - previous - 1));
            live.emplace_back(tile, tiling[index].age);
            previous = tile;
        }
    }
    const std::size_t bitmapBytes = (tiling.size() + 7) / 8;
    const bool bitmap = bitmapBytes < listBytes;
    std::string bytes;
    bytes.reserve(2 * live.size() + (bitmap ? bitmapBytes : 0) + 8);
    appendVarint(bytes, bitmap ? kCheckpointBitmap : kCheckpointList);
    appendVarint(bytes, live.size());
    if (bitmap) {
        const std::size_t at = bytes.size();
        bytes.append(bitmapBytes, '\0');
        for (const auto& [tile, age] : live) {
            bytes[at + static_cast<std::size_t>(tile) / 8] |= static_cast<char>(1 << (tile % 8));
        }
    }
    previous = -1;
    for (const auto& [tile, age] : live) {
        if (!bitmap) {
            appendVarint(bytes, static_cast<uint64_t>(tile - previous - 1));
        }
        appendVarint(bytes, age - 1);
        previous = tile;
    }
    return bytes;
}

void loadCheckpoint(const std::string& bytes, int32_t step, Tiling& tiling) {
    for (Tile& tile : tiling) {
        tile.alive = false;
        tile.next = false;
        tile.age = 0;
    }
    std::size_t position = 0;
    const uint64_t kind = readVarint(bytes, position);
    if (kind != kCheckpointList && kind != kCheckpointBitmap) {
        throw std::runtime_error("Unknown checkpoint kind in page data");
    }
    const uint64_t count = readVarint(bytes, position);
    const std::size_t bitmapAt = position;
    const std::size_t bitmapBytes = (tiling.size() + 7) / 8;
    if (kind == kCheckpointBitmap) {
        if (bytes.size() - position < bitmapBytes) {
            throw std::runtime_error("Truncated page data");
        }
        position += bitmapBytes;
    }
    std::size_t nextInBitmap = 0;
    int32_t previous = -1;
    for (uint64_t k = 0; k < count; ++k) {
        if (kind == kCheckpointList) {
            const uint64_t gap = readVarint(bytes, position);
            if (gap >= static_cast<uint64_t>(static_cast<int64_t>(tiling.size()) - previous - 1)) {
                throw std::runtime_error("Tile index out of range in page data");
            }
            previous += 1 + static_cast<int32_t>(gap);
        } else {
            while (nextInBitmap < tiling.size() &&
                   (static_cast<uint8_t>(bytes[bitmapAt + nextInBitmap / 8]) >> (nextInBitmap % 8) &
                    1) == 0) {
                ++nextInBitmap;
            }
            if (nextInBitmap == tiling.size()) {
                throw std::runtime_error("Tile index out of range in page data");
            }
            previous = static_cast<int32_t>(nextInBitmap++);
        }
        const uint64_t ageMinusOne = readVarint(bytes, position);
        if (ageMinusOne > static_cast<uint64_t>(step)) {
            throw std::runtime_error("Age out of range in page data");
        }
        Tile& tile = tiling[static_cast<std::size_t>(previous)];
        tile.alive = true;
        tile.next = true;
        tile.age = static_cast<uint32_t>(ageMinusOne + 1);
    }
    if (position != bytes.size()) {
        throw std::runtime_error("Trailing bytes in page data");
    }
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
