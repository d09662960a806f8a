// Images as SWF bitmaps: the PDF's own JPEG data where a player shows it the same and it is not
// far sharper than the page needs, otherwise the image drawn by MuPDF at no more than twice its
// size on the stage: a JPEG for opaque pictures, lossless with alpha for transparency, masks
// and images of few colours, whose edges JPEG would smear.
#include "pdf/vector_state.h"

#include "swf/jpeg_encode.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

namespace pageconv {
namespace {

// An image is drawn with at most this many pixels per stage pixel each way.
constexpr double kImagePixelsPerStagePixel = 2.0;
// The PDF's own JPEG is kept while it has at most this much more resolution than that.
constexpr double kPassThroughExcess = 1.5;
// What a SWF bitmap may hold (Flash Player 10's limits).
constexpr int kMaxBitmapSide = 8191;
constexpr double kMaxBitmapPixels = 16777215;

struct ImageSize {
    int width = 1;
    int height = 1;
};

double stagePixels(double dx, double dy) {
    return std::hypot(dx, dy) / 20.0;
}

ImageSize targetSize(const fz_image* image, fz_matrix ctm) {
    double width = std::min<double>(
        image->w, std::ceil(kImagePixelsPerStagePixel * stagePixels(ctm.a, ctm.b)));
    double height = std::min<double>(
        image->h, std::ceil(kImagePixelsPerStagePixel * stagePixels(ctm.c, ctm.d)));
    width = std::clamp(width, 1.0, static_cast<double>(kMaxBitmapSide));
    height = std::clamp(height, 1.0, static_cast<double>(kMaxBitmapSide));
    if (width * height > kMaxBitmapPixels) {
        const double shrink = std::sqrt(kMaxBitmapPixels / (width * height));
        width = std::max(1.0, std::floor(width * shrink));
        height = std::max(1.0, std::floor(height * shrink));
    }
    return ImageSize{static_cast<int>(width), static_cast<int>(height)};
}

// Baseline JPEG without an Adobe colour transform marker: every player decodes it alike.
bool isPlainJpeg(const unsigned char* data, size_t size) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return false;
    }
    size_t at = 2;
    while (at + 4 <= size && data[at] == 0xFF) {
        const unsigned char marker = data[at + 1];
        if (marker == 0xEE || (marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 &&
                               marker != 0xC8 && marker != 0xCC)) {
            return false;  // Adobe marker, or progressive, lossless or arithmetic coding
        }
        if (marker == 0xC0 || marker == 0xC1) {
            return true;
        }
        at += 2 + (static_cast<size_t>(data[at + 2]) << 8 | data[at + 3]);
    }
    return false;
}

bool passesThrough(fz_context* ctx, fz_image* image, ImageSize target, Bytes& jpeg) {
    fz_compressed_buffer* compressed = fz_compressed_image_buffer(ctx, image);
    if (compressed == nullptr || compressed->buffer == nullptr ||
        compressed->params.type != FZ_IMAGE_JPEG ||
        compressed->params.u.jpeg.color_transform != -1 || image->use_decode ||
        image->use_colorkey || image->imagemask || image->mask != nullptr || image->bpc != 8 ||
        image->orientation > 1 || image->colorspace == nullptr) {
        return false;
    }
    const bool gray = image->n == 1 && fz_colorspace_is_gray(ctx, image->colorspace);
    const bool rgb = image->n == 3 && fz_colorspace_is_rgb(ctx, image->colorspace);
    if (!(gray || rgb) || image->w > target.width * kPassThroughExcess ||
        image->h > target.height * kPassThroughExcess) {
        return false;
    }
    unsigned char* data = nullptr;
    const size_t size = fz_buffer_storage(ctx, compressed->buffer, &data);
    if (!isPlainJpeg(data, size)) {
        return false;
    }
    jpeg.assign(data, data + size);
    return true;
}

enum class DrawMode { Image, Mask, MaskedImage };

struct ImageDrawing {
    DrawMode mode = DrawMode::Image;
    fz_image* image = nullptr;
    fz_image* mask = nullptr;
    float rgb[3] = {0, 0, 0};
    float alpha = 1;
};

// Draws into a transparent RGBA pixmap of the target size, the image's unit square on it.
fz_pixmap* drawImageRaw(fz_context* ctx, const ImageDrawing* what, ImageSize size) {
    fz_pixmap* pixmap = nullptr;
    fz_device* device = nullptr;
    fz_var(pixmap);
    fz_var(device);
    fz_try(ctx) {
        pixmap = fz_new_pixmap(ctx, fz_device_rgb(ctx), size.width, size.height, nullptr, 1);
        fz_clear_pixmap(ctx, pixmap);
        device = fz_new_draw_device(ctx, fz_identity, pixmap);
        const fz_matrix ctm =
            fz_scale(static_cast<float>(size.width), static_cast<float>(size.height));
        if (what->mode == DrawMode::Mask) {
            fz_fill_image_mask(ctx, device, what->image, ctm, fz_device_rgb(ctx), what->rgb,
                               what->alpha, fz_default_color_params);
        } else {
            if (what->mode == DrawMode::MaskedImage) {
                fz_clip_image_mask(ctx, device, what->mask, ctm, fz_infinite_rect);
            }
            fz_fill_image(ctx, device, what->image, ctm, what->alpha, fz_default_color_params);
            if (what->mode == DrawMode::MaskedImage) {
                fz_pop_clip(ctx, device);
            }
        }
        fz_close_device(ctx, device);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
    }
    fz_catch(ctx) {
        fz_drop_pixmap(ctx, pixmap);
        return nullptr;
    }
    return pixmap;
}

bool allOpaque(const unsigned char* rgba, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        if (rgba[i * 4 + 3] != 255) {
            return false;
        }
    }
    return true;
}

SwfBitmap losslessOf(const unsigned char* rgba, ImageSize size) {
    SwfBitmap bitmap{BitmapKind::Lossless, {}, {}, size.width, size.height};
    const size_t pixels = static_cast<size_t>(size.width) * size.height;
    bitmap.data.resize(pixels * 4);
    for (size_t i = 0; i < pixels; ++i) {  // MuPDF's RGBA is premultiplied, as SWF wants it
        bitmap.data[i * 4] = rgba[i * 4 + 3];
        bitmap.data[i * 4 + 1] = rgba[i * 4];
        bitmap.data[i * 4 + 2] = rgba[i * 4 + 1];
        bitmap.data[i * 4 + 3] = rgba[i * 4 + 2];
    }
    return bitmap;
}

std::optional<SwfBitmap> jpegOf(const unsigned char* rgba, ImageSize size, int quality) {
    const size_t pixels = static_cast<size_t>(size.width) * size.height;
    std::vector<uint8_t> rgb(pixels * 3);
    for (size_t i = 0; i < pixels; ++i) {
        std::copy_n(rgba + i * 4, 3, rgb.begin() + static_cast<std::ptrdiff_t>(i * 3));
    }
    const PagePixels view{rgb.data(), size.width, size.height, size.width * 3, 3};
    auto jpeg =
        encodeJpeg(view, hasOnlyGrays(view) ? JpegColour::Grayscale : JpegColour::Rgb, quality);
    if (!jpeg) {
        return std::nullopt;
    }
    return SwfBitmap{BitmapKind::Jpeg, std::move(*jpeg), {}, size.width, size.height};
}

// Images of a few colours or levels: line art, scans of text, icons.
bool hasFewColours(fz_context* ctx, const fz_image* image) {
    return image->imagemask || image->bpc <= 2 ||
           (image->colorspace != nullptr && fz_colorspace_is_indexed(ctx, image->colorspace));
}

// Ruffle's renderers disagree on bitmaps with partial transparency (one takes SWF's
// premultiplied colours as they are, the other multiplies them again), so an image that is
// more than a soft edge away from fully opaque or fully clear is drawn by the raster together
// with what lies beneath it.
constexpr double kMaxSoftPixelShare = 0.02;

bool hasSoftAlpha(const unsigned char* rgba, size_t pixels) {
    size_t soft = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const unsigned char alpha = rgba[i * 4 + 3];
        soft += alpha > 16 && alpha < 239 ? 1 : 0;
    }
    return static_cast<double>(soft) > kMaxSoftPixelShare * static_cast<double>(pixels);
}

// Charts, screenshots and flat artwork hold a few colours; JPEG would ring around their edges,
// and zlib packs them smaller anyway.
constexpr size_t kFewColours = 256;

bool usesFewColours(const unsigned char* rgba, size_t pixels) {
    std::unordered_set<uint32_t> seen;
    uint32_t previous = 0xFFFFFFFF;
    for (size_t i = 0; i < pixels; ++i) {
        const uint32_t colour = static_cast<uint32_t>(rgba[i * 4]) << 16 |
                                static_cast<uint32_t>(rgba[i * 4 + 1]) << 8 | rgba[i * 4 + 2];
        if (colour != previous && seen.insert(colour).second && seen.size() > kFewColours) {
            return false;
        }
        previous = colour;
    }
    return true;
}

enum class Drawn { Done, Soft, Failed };

Drawn drawnBitmap(VectorState& state, const ImageDrawing& what, ImageSize size, bool fewColours,
                  SwfBitmap& bitmap) {
    const mu::PixmapPtr pixmap =
        mu::own<fz_pixmap, fz_drop_pixmap>(state.ctx, drawImageRaw(state.ctx, &what, size));
    if (!pixmap) {
        return Drawn::Failed;
    }
    const unsigned char* rgba = fz_pixmap_samples(state.ctx, pixmap.get());
    const size_t pixels = static_cast<size_t>(size.width) * size.height;
    if (hasSoftAlpha(rgba, pixels)) {
        return Drawn::Soft;
    }
    if (fewColours || !allOpaque(rgba, pixels) || usesFewColours(rgba, pixels)) {
        bitmap = losslessOf(rgba, size);
        return Drawn::Done;
    }
    std::optional<SwfBitmap> jpeg = jpegOf(rgba, size, state.options.jpegQuality);
    if (!jpeg) {
        return Drawn::Failed;
    }
    bitmap = std::move(*jpeg);
    return Drawn::Done;
}

std::optional<SwfMatrix> placementOf(fz_matrix ctm, ImageSize size) {
    SwfMatrix m;
    m.scaleX = ctm.a / size.width;
    m.rotateSkew0 = ctm.b / size.width;
    m.rotateSkew1 = ctm.c / size.height;
    m.scaleY = ctm.d / size.height;
    for (const double v : {m.scaleX, m.rotateSkew0, m.rotateSkew1, m.scaleY}) {
        if (!(std::abs(v) < kMaxMatrixScale)) {
            return std::nullopt;
        }
    }
    if (!(std::abs(ctm.e) < kMaxCoordinateTwips && std::abs(ctm.f) < kMaxCoordinateTwips)) {
        return std::nullopt;
    }
    m.translateX = static_cast<int32_t>(std::lround(ctm.e));
    m.translateY = static_cast<int32_t>(std::lround(ctm.f));
    return m;
}

// MuPDF draws an image it blows up with hard pixel edges unless the PDF asks for smoothing;
// so does the player then.
bool smoothedOnStage(const fz_image* image, fz_matrix ctm) {
    const double grow =
        std::max(stagePixels(ctm.a, ctm.b) / image->w, stagePixels(ctm.c, ctm.d) / image->h);
    return image->interpolate || grow < 2.0;
}

void place(VectorState& state, SwfBitmap bitmap, fz_matrix ctm, bool smoothed) {
    const auto placement = placementOf(ctm, ImageSize{bitmap.width, bitmap.height});
    if (!placement) {
        addRasterRegion(state, boxOf(fz_transform_rect(fz_unit_rect, ctm)));
        return;
    }
    VectorPage& page = state.drawing.page;
    currentTarget(state).push_back(
        DrawItem{PlacedBitmap{page.bitmaps.size(), *placement, smoothed}});
    page.bitmaps.push_back(std::move(bitmap));
}

bool degenerate(fz_matrix ctm) {
    const double area =
        std::abs(static_cast<double>(ctm.a) * ctm.d - static_cast<double>(ctm.b) * ctm.c);
    return !(area > 1e-3) || !std::isfinite(area);
}

void drawAndPlace(VectorState& state, const ImageDrawing& what, fz_matrix ctm, bool fewColours) {
    const ImageSize size = targetSize(what.image, ctm);
    SwfBitmap bitmap;
    if (drawnBitmap(state, what, size, fewColours, bitmap) != Drawn::Done) {
        addRasterRegion(state, boxOf(fz_transform_rect(fz_unit_rect, ctm)));
        return;
    }
    place(state, std::move(bitmap), ctm, smoothedOnStage(what.image, ctm));
}

}  // namespace

void fillImage(VectorState& state, fz_image* image, fz_matrix ctm, float alpha) {
    if (degenerate(ctm) || image->w <= 0 || image->h <= 0) {
        return;
    }
    Bytes jpeg;
    if (alpha >= 1.0F && passesThrough(state.ctx, image, targetSize(image, ctm), jpeg)) {
        place(state, SwfBitmap{BitmapKind::Jpeg, std::move(jpeg), {}, image->w, image->h}, ctm,
              smoothedOnStage(image, ctm));
        return;
    }
    ImageDrawing what;
    what.image = image;
    what.alpha = alpha;
    drawAndPlace(state, what, ctm, hasFewColours(state.ctx, image));
}

void fillImageMask(VectorState& state, fz_image* image, fz_matrix ctm, Rgba colour) {
    if (degenerate(ctm) || image->w <= 0 || image->h <= 0) {
        return;
    }
    ImageDrawing what;
    what.mode = DrawMode::Mask;
    what.image = image;
    what.rgb[0] = colour.r / 255.0F;
    what.rgb[1] = colour.g / 255.0F;
    what.rgb[2] = colour.b / 255.0F;
    what.alpha = colour.a / 255.0F;
    drawAndPlace(state, what, ctm, true);
}

void fillMaskedImage(VectorState& state, const Frame& frame) {
    if (degenerate(frame.maskMatrix)) {
        return;
    }
    ImageDrawing what;
    what.mode = DrawMode::MaskedImage;
    what.image = frame.image.get();
    what.mask = frame.mask.get();
    what.alpha = frame.imageAlpha;
    drawAndPlace(state, what, frame.maskMatrix, hasFewColours(state.ctx, frame.image.get()));
}

}  // namespace pageconv
