// Where a PDF link lands on the page file's stage, and which links a page file may carry.
#pragma once

#include "common/records.h"

#include <optional>
#include <string>
#include <string_view>

namespace pageconv {

// MuPDF hands links over in the displayed page's space (crop box moved to the origin, /Rotate
// applied), the same space as the page's bounds. The stage shows those bounds scaled by `scale`
// (zoom / 72). Returns nothing when the link lies wholly off the page or has no area.
std::optional<Box> linkOnStage(const Box& link, const Box& pageBounds, double scale);

enum class LinkKind { WebAddress, PageInDocument, Ignored };

// Web and mail addresses open in the browser; page targets are resolved later; anything else
// (other files, javascript: and other schemes a browser would run) is left out.
LinkKind classifyLinkUri(std::string_view uri);

// The metadata record of a page's internal links, e.g. <link page="7" x="100.00" .../>.
std::string internalLinkElement(int targetPage, const Box& onStage);

}  // namespace pageconv
