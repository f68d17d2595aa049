// A picture of a census's objects: for each rule and weight its most common objects, one row
// each, its phases side by side (live tiles and the dead ring around them, in the picture's
// colours), labelled with code, period and count. Drawn from the canonical forms, so an object
// appears as its code places it, not where it was found.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "census/ObjectTable.h"

namespace quorvel {

// Objects drawn per rule and weight, and phases drawn per object.
constexpr std::size_t kGalleryObjects = 24;
constexpr std::size_t kGalleryPhases = 8;

// The SVG of the census's objects to `out`. Entries without a canonical form (read from a
// file) are left out.
void writeGallerySvg(const ObjectCensus& objects, std::ostream& out);

// Through OutputFile: "Unable to write gallery: PATH" when it cannot be written.
void writeGallery(const ObjectCensus& objects, const std::string& path, std::ostream* report);

}  // namespace quorvel
