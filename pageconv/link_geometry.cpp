// Link placement and link filtering for the page files.
#include "link_geometry.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace pageconv {

std::optional<Box> linkOnStage(const Box& link, const Box& pageBounds, double scale) {
    // Some producers write rectangles with their corners swapped; normalise before clipping.
    const Box ordered{std::min(link.x0, link.x1), std::min(link.y0, link.y1),
                      std::max(link.x0, link.x1), std::max(link.y0, link.y1)};
    const Box clipped{std::max(ordered.x0, pageBounds.x0), std::max(ordered.y0, pageBounds.y0),
                      std::min(ordered.x1, pageBounds.x1), std::min(ordered.y1, pageBounds.y1)};
    if (!(clipped.x1 > clipped.x0) || !(clipped.y1 > clipped.y0)) {
        return std::nullopt;
    }
    return Box{(clipped.x0 - pageBounds.x0) * scale, (clipped.y0 - pageBounds.y0) * scale,
               (clipped.x1 - pageBounds.x0) * scale, (clipped.y1 - pageBounds.y0) * scale};
}

namespace {

std::string lowerSchemeOf(std::string_view uri) {
    const auto colon = uri.find(':');
    if (colon == std::string_view::npos) {
        return {};
    }
    std::string scheme(uri.substr(0, colon));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return scheme;
}

}  // namespace

LinkKind classifyLinkUri(std::string_view uri) {
    if (uri.starts_with('#')) {
        return LinkKind::PageInDocument;
    }
    constexpr std::array<std::string_view, 4> kBrowserSchemes{"http", "https", "mailto", "ftp"};
    const std::string scheme = lowerSchemeOf(uri);
    const bool browserScheme =
        std::find(kBrowserSchemes.begin(), kBrowserSchemes.end(), scheme) != kBrowserSchemes.end();
    return browserScheme ? LinkKind::WebAddress : LinkKind::Ignored;
}

std::string internalLinkElement(int targetPage, const Box& onStage) {
    std::array<char, 256> text{};
    std::snprintf(text.data(), text.size(),
                  R"(<link page="%d" x="%.2f" y="%.2f" width="%.2f" height="%.2f"/>)", targetPage,
                  onStage.x0, onStage.y0, onStage.x1 - onStage.x0, onStage.y1 - onStage.y0);
    return text.data();
}

}  // namespace pageconv
