#include "view/TileExport.h"

#include <charconv>
#include <stdexcept>
#include <vector>

#include "render/OutputFile.h"
#include "tiling/Patch.h"

namespace quorvel {

namespace {

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The shortest text that reads back as the same double.
void writeNumber(std::ostream& out, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.write(buffer, result.ptr - buffer);
}

struct TileRecord {
    std::size_t index;
    const Tiling& tiling;
    const FaceGraph& faces;
    const TileOutline& outline;
    // Supertile ids, root first, 4 bits each from the low end; `levels` of them.
    uint64_t chain;
    int32_t levels;
    bool alive;
    uint32_t age;
};

void writeCsvHeader(std::ostream& out) {
    out << "index,label,turn,mirror,c0,c1,c2,c3,x,y";
    for (std::size_t j = 0; j < kTileVertices; ++j) {
        out << ",x" << j << ",y" << j;
    }
    for (std::size_t j = 0; j < FaceGraph::kSlotsPerTile; ++j) {
        out << ",face" << j;
    }
    out << ",supertiles,alive,age\n";
}

void writeCsvRow(std::ostream& out, const TileRecord& r) {
    const Placement& p = r.tiling.placements[r.index];
    const Vec2 at = approximate(p.shift);
    out << r.index << ',' << tileLabelName(r.tiling.labels[r.index]) << ',' << int{p.turn} << ','
        << (p.mirror ? 1 : 0) << ',' << p.shift.c0 << ',' << p.shift.c1 << ',' << p.shift.c2 << ','
        << p.shift.c3 << ',';
    writeNumber(out, at.x);
    out << ',';
    writeNumber(out, at.y);
    for (const Vec2& v : r.outline) {
        out << ',';
        writeNumber(out, v.x);
        out << ',';
        writeNumber(out, v.y);
    }
    const int32_t* slots = r.faces.slotsOf(r.index);
    for (std::size_t j = 0; j < FaceGraph::kSlotsPerTile; ++j) {
        out << ',' << slots[j];
    }
    out << ',';
    for (int32_t k = 0; k < r.levels; ++k) {
        out << (k == 0 ? "" : "/") << supertileName(static_cast<int>(r.chain >> (4 * k) & 15));
    }
    out << ',' << (r.alive ? 1 : 0) << ',' << r.age << '\n';
}

void writeJsonLine(std::ostream& out, const TileRecord& r) {
    const Placement& p = r.tiling.placements[r.index];
    const Vec2 at = approximate(p.shift);
    out << "{\"index\":" << r.index << ",\"label\":\"" << tileLabelName(r.tiling.labels[r.index])
        << "\",\"turn\":" << int{p.turn} << ",\"mirror\":" << (p.mirror ? "true" : "false")
        << ",\"shift\":[" << p.shift.c0 << ',' << p.shift.c1 << ',' << p.shift.c2 << ','
        << p.shift.c3 << "],\"x\":";
    writeNumber(out, at.x);
    out << ",\"y\":";
    writeNumber(out, at.y);
    out << ",\"vertices\":[";
    for (std::size_t j = 0; j < kTileVertices; ++j) {
        out << (j == 0 ? "[" : ",[");
        writeNumber(out, r.outline[j].x);
        out << ',';
        writeNumber(out, r.outline[j].y);
        out << ']';
    }
    out << "],\"faces\":[";
    const int32_t* slots = r.faces.slotsOf(r.index);
    for (std::size_t j = 0; j < FaceGraph::kSlotsPerTile; ++j) {
        out << (j == 0 ? "" : ",") << slots[j];
    }
    out << "],\"supertiles\":[";
    for (int32_t k = 0; k < r.levels; ++k) {
        out << (k == 0 ? "\"" : ",\"") << supertileName(static_cast<int>(r.chain >> (4 * k) & 15))
            << '"';
    }
    out << "],\"alive\":" << (r.alive ? 1 : 0) << ",\"age\":" << r.age << "}\n";
}

}  // namespace

ExportFormat exportFormatOf(const std::string& path) {
    if (endsWith(path, ".csv")) {
        return ExportFormat::Csv;
    }
    if (endsWith(path, ".jsonl")) {
        return ExportFormat::JsonLines;
    }
    throw std::runtime_error("Unsupported export format: " + path + " (.csv or .jsonl)");
}

void writeTileExport(std::ostream& out, const World& world, const Automaton& state,
                     ExportFormat format) {
    const Tiling& tiling = world.tiling;
    if (format == ExportFormat::Csv) {
        writeCsvHeader(out);
    }
    if (tiling.size() == 0) {
        return;
    }
    // The chains come from the rules alone, in the order the outlines come: 8 bytes a tile,
    // since depth 8 has 9 levels of ids below 16.
    std::vector<uint64_t> chains;
    chains.reserve(tiling.size());
    std::vector<int> chain;
    auto keep = [&chains](const std::vector<int>& c) {
        uint64_t packed = 0;
        for (std::size_t k = 0; k < c.size(); ++k) {
            packed |= static_cast<uint64_t>(c[k]) << (4 * k);
        }
        chains.push_back(packed);
    };
    forEachSupertileChain(supertileId(tiling.root), tiling.depth,
                          expansionRecipe(0, tiling.kind).rules, chain, keep);
    forEachTilePolygon(tiling, [&](std::size_t index, const TileOutline& outline) {
        const TileRecord record{
            index,         tiling,           world.faces,        outline,
            chains[index], tiling.depth + 1, state.alive(index), state.age(index)};
        if (format == ExportFormat::Csv) {
            writeCsvRow(out, record);
        } else {
            writeJsonLine(out, record);
        }
    });
}

void writeTileExportFile(const World& world, const Automaton& state, const std::string& path,
                         std::ostream* report) {
    OutputFile file(path, "Unable to write export: " + path, report);
    writeTileExport(file.stream(), world, state, exportFormatOf(path));
    file.commit();
}

}  // namespace quorvel
