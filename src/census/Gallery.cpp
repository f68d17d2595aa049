#include "census/Gallery.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <vector>

#include "render/OutputFile.h"
#include "render/PictureStyle.h"
#include "tiling/Patch.h"

namespace quorvel {

namespace {

constexpr double kCellPixels = 120.0;
constexpr double kCellGap = 12.0;
constexpr double kLabelPixels = 22.0;
constexpr double kHeadingPixels = 30.0;
constexpr double kRowPixels = kLabelPixels + kCellPixels + kCellGap;
constexpr double kLeftPixels = 12.0;
// Room for a label beside a single phase.
constexpr double kLeastWidthPixels = 560.0;

std::string number(double value) {
    std::array<char, 32> text{};
    const auto result =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 2);
    std::string shown(text.data(), result.ptr);
    return shown == "-0.00" ? "0.00" : shown;
}

struct Outlined {
    std::vector<std::array<Vec2, kTileVertices>> outlines;
    std::vector<CanonicalTile> tiles;
    Vec2 low{std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    Vec2 high{std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};
};

Outlined outlined(const CanonicalForm& form) {
    Outlined shape;
    shape.tiles = tilesOfForm(form);
    for (const CanonicalTile& tile : shape.tiles) {
        std::array<Vec2, kTileVertices> outline;
        const auto exact = exactOutline(tile.placement);
        for (std::size_t j = 0; j < kTileVertices; ++j) {
            outline[j] = approximate(exact[j]);
            shape.low.x = std::min(shape.low.x, outline[j].x);
            shape.low.y = std::min(shape.low.y, outline[j].y);
            shape.high.x = std::max(shape.high.x, outline[j].x);
            shape.high.y = std::max(shape.high.y, outline[j].y);
        }
        shape.outlines.push_back(outline);
    }
    return shape;
}

// One phase of an object in the cell whose top left corner is (left, top), y upwards as in
// the patch's pictures.
void drawPhase(std::ostream& out, const Outlined& shape, std::size_t phase, double left,
               double top) {
    const double width = std::max(shape.high.x - shape.low.x, 1.0);
    const double height = std::max(shape.high.y - shape.low.y, 1.0);
    const double scale = kCellPixels / std::max(width, height);
    const double x0 = left + (kCellPixels - width * scale) / 2.0 - shape.low.x * scale;
    const double y0 = top + (kCellPixels + height * scale) / 2.0 + shape.low.y * scale;
    out << "<g transform=\"translate(" << number(x0) << " " << number(y0) << ") scale("
        << number(scale) << " " << number(-scale) << ")\" stroke-width=\"" << kStrokeWidth
        << "\">\n";
    for (std::size_t t = 0; t < shape.tiles.size(); ++t) {
        const bool live = shape.tiles[t].liveAtPhase[phase];
        out << "<polygon fill=\"" << (live ? kLiveFill : kDeadFill) << "\" stroke=\""
            << (live ? kLiveStroke : kDeadStroke) << "\" points=\"";
        for (std::size_t j = 0; j < kTileVertices; ++j) {
            out << (j == 0 ? "" : " ") << number(shape.outlines[t][j].x) << ","
                << number(shape.outlines[t][j].y);
        }
        out << "\"/>\n";
    }
    out << "</g>\n";
}

}  // namespace

void writeGallerySvg(const ObjectCensus& objects, std::ostream& out) {
    struct Section {
        RuleKey key;
        std::vector<const ObjectEntry*> shown;
    };
    std::vector<Section> sections;
    std::size_t widestPhases = 1;
    std::size_t rows = 0;
    for (const auto& [key, list] : objects.ranked()) {
        Section section{key, {}};
        for (const ObjectEntry* entry : list) {
            if (entry->form && section.shown.size() < kGalleryObjects) {
                section.shown.push_back(entry);
                widestPhases = std::max(
                    widestPhases,
                    std::min<std::size_t>(kGalleryPhases, static_cast<std::size_t>(entry->period)));
            }
        }
        rows += section.shown.size();
        sections.push_back(std::move(section));
    }
    const double width =
        std::max(kLeastWidthPixels,
                 kLeftPixels * 2 + static_cast<double>(widestPhases) * (kCellPixels + kCellGap));
    const double height = kCellGap + static_cast<double>(sections.size()) * kHeadingPixels +
                          static_cast<double>(rows) * kRowPixels;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << number(width) << "\" height=\""
        << number(height) << "\" viewBox=\"0 0 " << number(width) << " " << number(height)
        << "\" font-family=\"monospace\" font-size=\"13\">\n";
    out << "<rect width=\"100%\" height=\"100%\" fill=\"" << kBackgroundColour << "\"/>\n";
    double top = kCellGap;
    for (const Section& section : sections) {
        const RuleKey& key = section.key;
        out << "<text x=\"" << number(kLeftPixels) << "\" y=\"" << number(top + 18.0)
            << "\" fill=\"" << kLiveStroke << "\" font-size=\"16\">" << ruleText(key) << " weight "
            << key.faceWeight << (section.shown.empty() ? ": no objects" : "") << "</text>\n";
        top += kHeadingPixels;
        for (const ObjectEntry* entry : section.shown) {
            const Outlined shape = outlined(*entry->form);
            out << "<text x=\"" << number(kLeftPixels) << "\" y=\"" << number(top + 15.0)
                << "\" fill=\"" << kLiveStroke << "\">" << entry->code << "  "
                << objectKindName(entry->kind) << "  period " << entry->period << "  count "
                << entry->count;
            if (static_cast<std::size_t>(entry->period) > kGalleryPhases) {
                out << "  (first " << kGalleryPhases << " phases)";
            }
            out << "</text>\n";
            const std::size_t phases =
                std::min<std::size_t>(kGalleryPhases, static_cast<std::size_t>(entry->period));
            for (std::size_t phase = 0; phase < phases; ++phase) {
                drawPhase(out, shape, phase,
                          kLeftPixels + static_cast<double>(phase) * (kCellPixels + kCellGap),
                          top + kLabelPixels);
            }
            top += kRowPixels;
        }
    }
    out << "</svg>\n";
}

void writeGallery(const ObjectCensus& objects, const std::string& path, std::ostream* report) {
    OutputFile file(path, "Unable to write gallery: " + path, report);
    writeGallerySvg(objects, file.stream());
    file.commit();
}

}  // namespace quorvel
