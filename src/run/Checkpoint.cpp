#include "run/Checkpoint.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace quorvel {

namespace {

std::size_t varintSize(uint64_t value) {
    std::size_t size = 1;
    for (; value >= 0x80; value >>= 7) {
        ++size;
    }
    return size;
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

std::string encodeCheckpoint(const Automaton& automaton) {
    // Two passes over the flags: the first sizes the list form, so the shorter of list and
    // bitmap is known before anything is written; the second writes. No copy of the live set
    // is made, which a checkpoint of millions of tiles would otherwise pay for each time.
    const std::vector<uint8_t>& alive = automaton.aliveFlags();
    const auto liveCount = static_cast<std::size_t>(automaton.liveCount());
    std::size_t listBytes = 0;
    int64_t previous = -1;
    for (std::size_t index = 0; index < alive.size(); ++index) {
        if (alive[index] != 0) {
            listBytes +=
                varintSize(static_cast<uint64_t>(static_cast<int64_t>(index) - previous - 1));
            previous = static_cast<int64_t>(index);
        }
    }
    const std::size_t bitmapBytes = (alive.size() + 7) / 8;
    const bool bitmap = bitmapBytes < listBytes;
    std::string bytes;
    bytes.reserve(2 * liveCount + (bitmap ? bitmapBytes : listBytes) + 8);
    appendVarint(bytes, bitmap ? kCheckpointBitmap : kCheckpointList);
    appendVarint(bytes, liveCount);
    const std::size_t bitmapAt = bytes.size();
    if (bitmap) {
        bytes.append(bitmapBytes, '\0');
    }
    previous = -1;
    for (std::size_t index = 0; index < alive.size(); ++index) {
        if (alive[index] == 0) {
            continue;
        }
        if (bitmap) {
            bytes[bitmapAt + index / 8] |= static_cast<char>(1 << (index % 8));
        } else {
            appendVarint(bytes, static_cast<uint64_t>(static_cast<int64_t>(index) - previous - 1));
        }
        appendVarint(bytes, automaton.age(index) - 1);
        previous = static_cast<int64_t>(index);
    }
    return bytes;
}

Population loadCheckpoint(const std::string& bytes, int32_t step, std::size_t tileCount) {
    Population population;
    population.alive.assign(tileCount, 0);
    population.age.assign(tileCount, 0);
    std::size_t position = 0;
    const uint64_t kind = readVarint(bytes, position);
    if (kind != kCheckpointList && kind != kCheckpointBitmap) {
        throw std::runtime_error("Unknown checkpoint kind in page data");
    }
    const uint64_t count = readVarint(bytes, position);
    const std::size_t bitmapAt = position;
    const std::size_t bitmapBytes = (tileCount + 7) / 8;
    if (kind == kCheckpointBitmap) {
        if (bytes.size() - position < bitmapBytes) {
            throw std::runtime_error("Truncated page data");
        }
        position += bitmapBytes;
    }
    std::size_t nextInBitmap = 0;
    int64_t previous = -1;
    for (uint64_t k = 0; k < count; ++k) {
        if (kind == kCheckpointList) {
            const uint64_t gap = readVarint(bytes, position);
            if (gap >= static_cast<uint64_t>(static_cast<int64_t>(tileCount) - previous - 1)) {
                throw std::runtime_error("Tile index out of range in page data");
            }
            previous += 1 + static_cast<int64_t>(gap);
        } else {
            while (nextInBitmap < tileCount &&
                   (static_cast<uint8_t>(bytes[bitmapAt + nextInBitmap / 8]) >> (nextInBitmap % 8) &
                    1) == 0) {
                ++nextInBitmap;
            }
            if (nextInBitmap == tileCount) {
                throw std::runtime_error("Tile index out of range in page data");
            }
            previous = static_cast<int64_t>(nextInBitmap++);
        }
        const uint64_t ageMinusOne = readVarint(bytes, position);
        if (ageMinusOne > static_cast<uint64_t>(step)) {
            throw std::runtime_error("Age out of range in page data");
        }
        population.alive[static_cast<std::size_t>(previous)] = 1;
        population.age[static_cast<std::size_t>(previous)] = static_cast<uint32_t>(ageMinusOne + 1);
    }
    if (position != bytes.size()) {
        throw std::runtime_error("Trailing bytes in page data");
    }
    return population;
}

}  // namespace quorvel
