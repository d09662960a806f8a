// How many pixels a page's bitmap gets: the stage times the oversampling factor, reduced to what
// Flash players accept and to what a bitmap fill's scale can stretch back over the stage.
#pragma once

#include <optional>

namespace pageconv {

struct BitmapSize {
    int width = 0;
    int height = 0;
};

struct BitmapLimits {
    int maxSide = 0;
    long long maxPixels = 0;
};

// The resolution the default oversampling renders at: twice the default zoom of 72 dpi, which
// keeps text crisp on high-density screens. A page shown at this resolution or more is already
// sharper than the viewer displays it, and a larger bitmap would cost four times the rendering
// and encoding for each doubling of the factor without a visible gain, so it is not oversampled.
constexpr double kSharpBitmapDpi = 144;

// max(1, kSharpBitmapDpi / zoom): 2 at zoom 72, 1.44 at zoom 100, 1 from zoom 144 on.
double defaultOversample(int zoomDpi);

// Flash Player 10 raised the bitmap limits; older players refuse more than 2880 pixels a side.
BitmapLimits bitmapLimitsFor(int swfVersion);

// Nothing when the stage is so large that even the biggest allowed bitmap would have to be
// stretched beyond the fill matrix's range.
std::optional<BitmapSize> bitmapSizeFor(double stageWidth, double stageHeight, double oversample,
                                        int swfVersion);

}  // namespace pageconv
