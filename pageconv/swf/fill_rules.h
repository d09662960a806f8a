// Whether an outline covers the same area under both fill rules. Ruffle's canvas renderer fills
// every shape even-odd whatever the shape asks for, so a non-zero fill is only safe as a shape
// where the even-odd rule gives the same picture.
#pragma once

#include "swf/vector_page.h"

namespace pageconv {

// True when no point lies inside two subpaths that turn the same way or inside a subpath that
// crosses itself: then no point has a winding number beyond one either way, and the rules agree.
// Outlines too long to check cheaply count as disagreeing.
bool fillRulesAgree(const Outline& outline);

// Subpaths and segments past which the check gives up.
constexpr size_t kMaxCheckedSegments = 4000;

}  // namespace pageconv
