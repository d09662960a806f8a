// Choice of the page bitmap's size.
#include "swf/bitmap_size.h"

#include "swf/swf_writer.h"

#include <algorithm>
#include <cmath>

namespace pageconv {

double defaultOversample(int zoomDpi) {
    return zoomDpi <= 0 ? 1.0 : std::max(1.0, kSharpBitmapDpi / zoomDpi);
}

BitmapLimits bitmapLimitsFor(int swfVersion) {
    if (swfVersion >= 10) {
        return BitmapLimits{8191, 16'777'215};
    }
    return BitmapLimits{2880, 2880LL * 2880LL};
}

std::optional<BitmapSize> bitmapSizeFor(double stageWidth, double stageHeight, double oversample,
                                        int swfVersion) {
    const BitmapLimits limits = bitmapLimitsFor(swfVersion);
    double factor = oversample;
    factor = std::min(factor, limits.maxSide / stageWidth);
    factor = std::min(factor, limits.maxSide / stageHeight);
    factor = std::min(factor, std::sqrt(limits.maxPixels / (stageWidth * stageHeight)));
    BitmapSize size{
        std::clamp(static_cast<int>(std::floor(stageWidth * factor + 0.5)), 1, limits.maxSide),
        std::clamp(static_cast<int>(std::floor(stageHeight * factor + 0.5)), 1, limits.maxSide)};
    // Rounding both sides up can step over the pixel budget by a row; take it back.
    while (static_cast<long long>(size.width) * size.height > limits.maxPixels) {
        (size.width >= size.height ? size.width : size.height) -= 1;
    }
    const double stretch =
        std::max(stageWidth * 20.0 / size.width, stageHeight * 20.0 / size.height);
    if (stretch > kMaxMatrixScale) {
        return std::nullopt;
    }
    return size;
}

}  // namespace pageconv
