#include "render/SvgWriter.h"

#include <fstream>
#include <limits>
#include <stdexcept>

namespace quorvel {

namespace {

constexpr double kMargin = 24.0;

struct Bounds {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
};

Bounds boundsOf(const Tiling& tiling) {
    Bounds bounds;
    for (const Tile& tile : tiling) {
        for (const Vec2& p : tile.polygon) {
            if (p.x < bounds.minX) bounds.minX = p.x;
            if (p.y < bounds.minY) bounds.minY = p.y;
            if (p.x > bounds.maxX) bounds.maxX = p.x;
            if (p.y > bounds.maxY) bounds.maxY = p.y;
        }
    }
    return bounds;
}

}  // namespace

void writeSvg(const Tiling& tiling, const std::string& path) {
    const Bounds bounds = boundsOf(tiling);
    const double width = (bounds.maxX - bounds.minX) + 2 * kMargin;
    const double height = (bounds.maxY - bounds.minY) + 2 * kMargin;
    const std::runtime_error failure("Unable to write SVG: " + path);

    std::ofstream file(path, std::ios::out | std::ios::trunc);
    if (!file) {
        throw failure;
    }
    file << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " << width << " " << height
         << "\" width=\"" << width << "\" height=\"" << height << "\">\n";
    file << "<rect width=\"100%\" height=\"100%\" fill=\"#090a0f\"/>\n";
    file.setf(std::ios::fixed, std::ios::floatfield);
    file.precision(4);
    for (const Tile& tile : tiling) {
        file << "<polygon points=\"";
        for (const Vec2& p : tile.polygon) {
            file << (p.x - bounds.minX) + kMargin << "," << (p.y - bounds.minY) + kMargin << " ";
        }
        file << "\" fill=\"" << (tile.alive ? "#96ff5f" : "#171b26") << "\" stroke=\""
             << (tile.alive ? "#d9ffb8" : "#394252") << "\" stroke-width=\"0.03\"/>\n";
    }
    file << "</svg>\n";
    file.close();
    if (!file) {
        throw failure;
    }
}

}  // namespace quorvel
