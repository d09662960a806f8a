// Bounds of outlines and drawing items in stage twips, and the removal of clip layers that
// change nothing on the page (the converter's "-G" switch).
#pragma once

#include "swf/vector_page.h"

#include <optional>
#include <vector>

namespace pageconv {

// Of every point of the outline, control points included, so curves stay inside; {} when empty.
TwipRect outlineBounds(const Outline& outline);

// Where a stroke can reach: the outline widened for the line's width, caps and miters.
TwipRect strokeBounds(const Outline& outline, const LineStyle& line);

// What an item can cover on the stage. Text and bitmaps depend on the page's fonts and bitmaps,
// so they have none here; nor does a clip layer with nothing in it.
std::optional<TwipRect> itemBounds(const DrawItem& item);

// The rectangle an outline of one axis-aligned rectangle encloses, if that is all it is.
std::optional<TwipRect> rectangleOf(const Outline& outline);

// Replaces clip layers that clip nothing away by their content, folds a layer into the one it
// sits in when both have the same outline, and drops empty layers. Layers it is unsure about
// stay.
void flattenClipLayers(std::vector<DrawItem>& items, const TwipRect& stage);

}  // namespace pageconv
