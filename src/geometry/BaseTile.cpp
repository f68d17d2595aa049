#include "geometry/BaseTile.h"

namespace quorvel {

Polygon basePolygon() {
    return {
        {0.0, 0.0},
        {1.0, 0.0},
        {1.5, -0.8660254037844386},
        {2.366025403784439, -0.36602540378443865},
        {2.366025403784439, 0.6339745962155614},
        {3.366025403784439, 0.6339745962155614},
        {3.866025403784439, 1.5},
        {3.0, 2.0},
        {2.133974596215561, 1.5},
        {1.6339745962155614, 2.3660254037844393},
        {0.6339745962155614, 2.3660254037844393},
        {-0.3660254037844386, 2.3660254037844393},
        {-0.866025403784439, 1.5},
        {0.0, 1.0},
    };
}

std::array<Vec2, 4> keyPoints(const Polygon& base) {
    return {base[3], base[5], base[7], base[11]};
}

// Each row turns the next slot by the running angle and shifts it so that its "to" key point
// lands on the previous slot's "from" key point.
const std::array<PlacementRow, 7> kPlacementRows = {{
    {60, 3, 1},
    {0, 2, 0},
    {60, 3, 1},
    {60, 3, 1},
    {0, 2, 0},
    {60, 3, 1},
    {-120, 3, 3},
}};

std::vector<Affine> childTransforms(const std::array<Vec2, 4>& keyPoints) {
    std::vector<Affine> transforms;
    transforms.reserve(kChildSlots);
    transforms.push_back(identity());

    int angleDegrees = 0;
    Affine turn = identity();
    std::array<Vec2, 4> turned = keyPoints;
    for (const PlacementRow& row : kPlacementRows) {
        angleDegrees += row.turnDegrees;
        if (row.turnDegrees != 0) {
            turn = rotation(degreesToRadians(angleDegrees));
            for (std::size_t i = 0; i < turned.size(); ++i) {
                turned[i] = apply(turn, keyPoints[i]);
            }
        }
        const Vec2 anchor = apply(transforms.back(), keyPoints[row.from]);
        const Vec2 shift = {anchor.x - turned[row.to].x, anchor.y - turned[row.to].y};
        transforms.push_back(compose(translation(shift), turn));
    }

    const Affine mirror = {-1.0, 0.0, 0.0, 0.0, 1.0, 0.0};
    for (Affine& transform : transforms) {
        transform = compose(mirror, transform);
    }
    return transforms;
}

}  // namespace quorvel
