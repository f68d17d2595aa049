#include "view/PageData.h"

#include "tiling/PatchBounds.h"

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace quorvel {

namespace {

constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

uint64_t zigzag(int64_t value) {
    return (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
}

void appendIndexList(std::string& bytes, const int32_t* begin, const int32_t* end) {
    appendVarint(bytes, static_cast<uint64_t>(end - begin));
    int32_t previous = -1;
    for (const int32_t* tile = begin; tile != end; ++tile) {
        appendVarint(bytes, static_cast<uint64_t>(*tile - previous - 1));
        previous = *tile;
    }
}

// Reads one index of a list written by appendIndexList, checking that it names a tile.
int32_t readIndex(const std::string& bytes, std::size_t& position, int32_t previous,
                  int32_t tileCount) {
    const uint64_t gap = readVarint(bytes, position);
    if (gap >= static_cast<uint64_t>(int64_t{tileCount} - previous - 1)) {
        throw std::runtime_error("Tile index out of range in page data");
    }
    return previous + 1 + static_cast<int32_t>(gap);
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

std::string decodeBase64(const std::string& text) {
    std::array<int, 256> digitValue;
    digitValue.fill(-1);
    for (int d = 0; d < 64; ++d) {
        digitValue[static_cast<uint8_t>(kBase64Digits[d])] = d;
    }
    if (text.size() % 4 != 0) {
        throw std::runtime_error("Invalid base64 data");
    }
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int padding = !last ? 0 : text[i + 3] != '=' ? 0 : text[i + 2] != '=' ? 1 : 2;
        uint32_t group = 0;
        for (int k = 0; k < 4; ++k) {
            const int value = k < 4 - padding ? digitValue[static_cast<uint8_t>(text[i + k])] : 0;
            if (value < 0) {
                throw std::runtime_error("Invalid base64 data");
            }
            group = group << 6 | static_cast<uint32_t>(value);
        }
        bytes.push_back(static_cast<char>(group >> 16));
        if (padding < 2)
            bytes.push_back(static_cast<char>((group >> 8) & 0xFF));
        if (padding < 1)
            bytes.push_back(static_cast<char>(group & 0xFF));
    }
    return bytes;
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
    for (const Tile& tile : tiling) {
        appendVarint(bytes, tile.polygon.size());
        for (const Vec2& p : tile.polygon) {
            const int64_t x = std::llround(((p.x - e.minX) + kPictureMargin) * kGeometryScale);
            const int64_t y = std::llround(((p.y - e.minY) + kPictureMargin) * kGeometryScale);
            appendVarint(bytes, zigzag(x - previousX));
            appendVarint(bytes, zigzag(y - previousY));
            previousX = x;
            previousY = y;
        }
    }
    return bytes;
}

std::string encodeChanges(const RunRecord& record) {
    std::string bytes;
    for (int32_t step = 1; step <= record.stepCount(); ++step) {
        appendIndexList(bytes, record.changesBegin(step), record.changesEnd(step));
    }
    return bytes;
}

std::vector<std::vector<int32_t>> decodeChanges(const std::string& bytes, int32_t stepCount) {
    // Indices are only checked to be ascending; the list's owner knows the tile count.
    const int32_t kAnyTile = std::numeric_limits<int32_t>::max();
    std::vector<std::vector<int32_t>> changes(static_cast<std::size_t>(stepCount) + 1);
    std::size_t position = 0;
    for (int32_t step = 1; step <= stepCount; ++step) {
        const uint64_t count = readVarint(bytes, position);
        std::vector<int32_t>& list = changes[static_cast<std::size_t>(step)];
        int32_t previous = -1;
        for (uint64_t k = 0; k < count; ++k) {
            previous = readIndex(bytes, position, previous, kAnyTile);
            list.push_back(previous);
        }
    }
    if (position != bytes.size()) {
        throw std::runtime_error("Trailing bytes in page data");
    }
    return changes;
}

std::string encodeCheckpoint(const ReplayState& state) {
    std::string bytes;
    appendVarint(bytes, static_cast<uint64_t>(state.liveCount()));
    int32_t previous = -1;
    for (int32_t tile = 0; tile < static_cast<int32_t>(state.birthStep.size()); ++tile) {
        const int32_t born = state.birthStep[static_cast<std::size_t>(tile)];
        if (born >= 0) {
            appendVarint(bytes, static_cast<uint64_t>(tile - previous - 1));
            appendVarint(bytes, static_cast<uint64_t>(state.step - born));
            previous = tile;
        }
    }
    return bytes;
}

ReplayState decodeCheckpoint(const std::string& bytes, int32_t step, int32_t tileCount) {
    ReplayState state;
    state.step = step;
    state.birthStep.assign(static_cast<std::size_t>(tileCount), -1);
    std::size_t position = 0;
    const uint64_t count = readVarint(bytes, position);
    int32_t previous = -1;
    for (uint64_t k = 0; k < count; ++k) {
        previous = readIndex(bytes, position, previous, tileCount);
        const uint64_t ageMinusOne = readVarint(bytes, position);
        if (ageMinusOne > static_cast<uint64_t>(step)) {
            throw std::runtime_error("Age out of range in page data");
        }
        state.birthStep[static_cast<std::size_t>(previous)] =
            step - static_cast<int32_t>(ageMinusOne);
    }
    if (position != bytes.size()) {
        throw std::runtime_error("Trailing bytes in page data");
    }
    return state;
}

}  // namespace quorvel
