// How a patch is pictured, shared by the SVG snapshot and the viewer page so that both show
// a state in the same colours and frame: the background, the two tile colours and their
// outline width, and the margin between the patch and the picture's edges.
#pragma once

namespace quorvel {

// Picture units on every side of the patch's extent.
constexpr double kPictureMargin = 24.0;

constexpr char kBackgroundColour[] = "#090a0f";
constexpr char kLiveFill[] = "#96ff5f";
constexpr char kLiveStroke[] = "#d9ffb8";
constexpr char kDeadFill[] = "#171b26";
constexpr char kDeadStroke[] = "#394252";
constexpr char kStrokeWidth[] = "0.03";

// The SVG namespace name (a name, not an address anything is fetched from).
constexpr char kSvgNamespace[] = "http://www.w3.org/2000/svg";

}  // namespace quorvel
