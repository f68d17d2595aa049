#include "render/SvgWriter.h"

#include "render/OutputFile.h"
#include "render/PictureStyle.h"
#include "tiling/Patch.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quorvel {

namespace {

// Collects the text in one block and hands it to the file whole, so the file sees a few large
// writes instead of millions of small ones. Every write is checked where it happens; the
// first failure throws, and the file only replaces the target once all of it is written.
class BlockWriter {
  public:
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    // Room for the longest number either format can give (fixed notation of the largest
    // double is 309 digits, the point and four decimals).
    static constexpr std::size_t kNumberRoom = 400;

    BlockWriter(const std::string& path, std::ostream* report)
        : file_(path, "Unable to write SVG: " + path, report), block_(kBlockBytes) {}

    void text(const char* data, std::size_t size) {
        while (size > 0) {
            if (used_ == block_.size()) {
                writeBlock();
            }
            const std::size_t chunk = std::min(size, block_.size() - used_);
            std::memcpy(block_.data() + used_, data, chunk);
            used_ += chunk;
            data += chunk;
            size -= chunk;
        }
    }

    template <std::size_t N>
    void literal(const char (&data)[N]) {
        text(data, N - 1);
    }

    void character(char c) {
        if (used_ == block_.size()) {
            writeBlock();
        }
        block_[used_++] = c;
    }

    // The stream's default: general notation, six significant digits.
    void general(double value) { number(value, std::chars_format::general, 6); }

    // Fixed notation, four decimals, as the points are written. Most values take the short
    // road below; the rest, and any value whose rounding the short road cannot settle, go
    // through std::to_chars.
    void fixed4(double value) {
        if (!fixed4Fast(value)) {
            number(value, std::chars_format::fixed, 4);
        }
    }

    void finish() {
        if (used_ > 0) {
            writeBlock();
        }
        file_.commit();
    }

  private:
    void number(double value, std::chars_format format, int precision) {
        if (block_.size() - used_ < kNumberRoom) {
            writeBlock();
        }
        char* const first = block_.data() + used_;
        const std::to_chars_result result =
            std::to_chars(first, block_.data() + block_.size(), value, format, precision);
        used_ += static_cast<std::size_t>(result.ptr - first);
    }

    // Below 1e6 the product value * 10000 stays under 2^34, so its rounding error is at most
    // 2^-19. When the computed product's fraction lies farther than kTieMargin from one half,
    // the exact product rounds to the same integer, which is what fixed notation prints.
    // Nearer ties (exact ones such as 24.03125 included) are left to std::to_chars, which
    // settles them on the exact binary value.
    bool fixed4Fast(double value) {
        constexpr double kLimit = 1e6;
        constexpr double kTieMargin = 1e-4;
        if (!(value >= 0.0 && value < kLimit) || std::signbit(value)) {
            return false;
        }
        const double scaled = value * 10000.0;
        const double whole = std::floor(scaled);
        const double fraction = scaled - whole;
        if (std::fabs(fraction - 0.5) <= kTieMargin) {
            return false;
        }
        uint64_t units = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
        if (block_.size() - used_ < kNumberRoom) {
            writeBlock();
        }
        // The digits of the integer part, most significant first, then the point and the
        // four decimals with their leading zeros.
        uint64_t integer = units / 10000;
        uint32_t decimals = static_cast<uint32_t>(units % 10000);
        char digits[20];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + integer % 10);
            integer /= 10;
        } while (integer > 0);
        char* out = block_.data() + used_;
        while (count > 0) {
            *out++ = digits[--count];
        }
        out[0] = '.';
        out[1] = static_cast<char>('0' + decimals / 1000);
        out[2] = static_cast<char>('0' + decimals / 100 % 10);
        out[3] = static_cast<char>('0' + decimals / 10 % 10);
        out[4] = static_cast<char>('0' + decimals % 10);
        used_ = static_cast<std::size_t>(out + 5 - block_.data());
        return true;
    }

    // A block this large passes the stream's own buffer and goes to the file in one write.
    void writeBlock() {
        if (!file_.stream().write(block_.data(), static_cast<std::streamsize>(used_))) {
            file_.fail();
        }
        used_ = 0;
    }

    OutputFile file_;
    std::vector<char> block_;
    std::size_t used_ = 0;
};

// The header, the background, one polygon line per outline that forEachOutline hands over
// (with its points, their count and its state), and the closing line.
template <typename ForEachOutline>
void writePicture(const PatchBounds& bounds, const std::string& path, std::ostream* report,
                  ForEachOutline&& forEachOutline) {
    const double width = (bounds.maxX - bounds.minX) + 2 * kPictureMargin;
    const double height = (bounds.maxY - bounds.minY) + 2 * kPictureMargin;

    BlockWriter out(path, report);
    out.literal("<svg xmlns=\"");
    out.literal(kSvgNamespace);
    out.literal("\" viewBox=\"0 0 ");
    out.general(width);
    out.character(' ');
    out.general(height);
    out.literal("\" width=\"");
    out.general(width);
    out.literal("\" height=\"");
    out.general(height);
    out.literal("\">\n");
    out.literal("<rect width=\"100%\" height=\"100%\" fill=\"");
    out.literal(kBackgroundColour);
    out.literal("\"/>\n");
    forEachOutline([&](const Vec2* points, std::size_t count, bool live) {
        out.literal("<polygon points=\"");
        for (const Vec2* p = points; p != points + count; ++p) {
            out.fixed4((p->x - bounds.minX) + kPictureMargin);
            out.character(',');
            out.fixed4((p->y - bounds.minY) + kPictureMargin);
            out.character(' ');
        }
        out.literal("\" fill=\"");
        out.literal(live ? kLiveFill : kDeadFill);
        out.literal("\" stroke=\"");
        out.literal(live ? kLiveStroke : kDeadStroke);
        out.literal("\" stroke-width=\"");
        out.literal(kStrokeWidth);
        out.literal("\"/>\n");
    });
    out.literal("</svg>\n");
    out.finish();
}

}  // namespace

void writeSvg(const Tiling& tiling, const std::vector<uint8_t>& alive, const std::string& path,
              std::ostream* report) {
    writePicture(tiling.bounds, path, report, [&](auto&& polygon) {
        forEachTilePolygon(tiling, [&](std::size_t tile, const TileOutline& outline) {
            polygon(outline.data(), outline.size(), alive[tile] != 0);
        });
    });
}

void writeSvgOutlines(const std::vector<Polygon>& outlines, const std::vector<uint8_t>& alive,
                      const std::string& path) {
    PatchBounds bounds;
    for (const Polygon& outline : outlines) {
        for (const Vec2& p : outline) {
            bounds.include(p);
        }
    }
    writePicture(bounds, path, nullptr, [&](auto&& polygon) {
        for (std::size_t tile = 0; tile < outlines.size(); ++tile) {
            polygon(outlines[tile].data(), outlines[tile].size(), alive[tile] != 0);
        }
    });
}

}  // namespace quorvel
