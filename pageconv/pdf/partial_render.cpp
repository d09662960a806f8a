// A device between the display list and MuPDF's draw device that counts the calls, lets clip,
// mask and group calls through so that the drawing's structure stays whole, and lets painting
// calls through only up to the last wanted one and not when they are dropped. MuPDF errors
// pass through these functions as longjmps, so they hold no C++ objects.
#include "pdf/partial_render.h"

#include "pdf/call_count.h"
#include "swf/jpeg_encode.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace pageconv {
namespace {

struct CountingDevice {
    fz_device super;
    fz_device* target;
    const PartialRender* part;
    CallCount calls;
};

CountingDevice& counting(fz_device* device) {
    return *reinterpret_cast<CountingDevice*>(device);
}

// Counts the call; true when it may paint.
bool paints(fz_device* device) {
    CountingDevice& self = counting(device);
    const size_t index = countCall(self.calls);
    const auto& dropped = self.part->droppedCalls;
    return index <= self.part->lastCall &&
           !std::binary_search(dropped.begin(), dropped.end(), index);
}

fz_device* countedTarget(fz_device* device) {
    countCall(counting(device).calls);
    return counting(device).target;
}

void fillPath(fz_context* ctx, fz_device* dev, const fz_path* path, int evenOdd, fz_matrix ctm,
              fz_colorspace* cs, const float* colour, float alpha, fz_color_params params) {
    if (paints(dev)) {
        fz_fill_path(ctx, counting(dev).target, path, evenOdd, ctm, cs, colour, alpha, params);
    }
}

void strokePath(fz_context* ctx, fz_device* dev, const fz_path* path, const fz_stroke_state* stroke,
                fz_matrix ctm, fz_colorspace* cs, const float* colour, float alpha,
                fz_color_params params) {
    if (paints(dev)) {
        fz_stroke_path(ctx, counting(dev).target, path, stroke, ctm, cs, colour, alpha, params);
    }
}

void clipPath(fz_context* ctx, fz_device* dev, const fz_path* path, int evenOdd, fz_matrix ctm,
              fz_rect scissor) {
    fz_clip_path(ctx, countedTarget(dev), path, evenOdd, ctm, scissor);
}

void clipStrokePath(fz_context* ctx, fz_device* dev, const fz_path* path,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    fz_clip_stroke_path(ctx, countedTarget(dev), path, stroke, ctm, scissor);
}

void fillText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
              fz_colorspace* cs, const float* colour, float alpha, fz_color_params params) {
    if (paints(dev)) {
        fz_fill_text(ctx, counting(dev).target, text, ctm, cs, colour, alpha, params);
    }
}

void strokeText(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state* stroke,
                fz_matrix ctm, fz_colorspace* cs, const float* colour, float alpha,
                fz_color_params params) {
    if (paints(dev)) {
        fz_stroke_text(ctx, counting(dev).target, text, stroke, ctm, cs, colour, alpha, params);
    }
}

void clipText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
              fz_rect scissor) {
    fz_clip_text(ctx, countedTarget(dev), text, ctm, scissor);
}

void clipStrokeText(fz_context* ctx, fz_device* dev, const fz_text* text,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    fz_clip_stroke_text(ctx, countedTarget(dev), text, stroke, ctm, scissor);
}

void ignoreText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm) {
    fz_ignore_text(ctx, countedTarget(dev), text, ctm);
}

void fillShade(fz_context* ctx, fz_device* dev, fz_shade* shade, fz_matrix ctm, float alpha,
               fz_color_params params) {
    if (paints(dev)) {
        fz_fill_shade(ctx, counting(dev).target, shade, ctm, alpha, params);
    }
}

void fillImage(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, float alpha,
               fz_color_params params) {
    if (paints(dev)) {
        fz_fill_image(ctx, counting(dev).target, image, ctm, alpha, params);
    }
}

void fillImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                   fz_colorspace* cs, const float* colour, float alpha, fz_color_params params) {
    if (paints(dev)) {
        fz_fill_image_mask(ctx, counting(dev).target, image, ctm, cs, colour, alpha, params);
    }
}

void clipImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                   fz_rect scissor) {
    fz_clip_image_mask(ctx, countedTarget(dev), image, ctm, scissor);
}

void popClip(fz_context* ctx, fz_device* dev) {
    fz_pop_clip(ctx, countedTarget(dev));
}

void beginMask(fz_context* ctx, fz_device* dev, fz_rect area, int luminosity, fz_colorspace* cs,
               const float* backdrop, fz_color_params params) {
    fz_begin_mask(ctx, countedTarget(dev), area, luminosity, cs, backdrop, params);
}

void endMask(fz_context* ctx, fz_device* dev) {
    fz_end_mask(ctx, countedTarget(dev));
}

void beginGroup(fz_context* ctx, fz_device* dev, fz_rect area, fz_colorspace* cs, int isolated,
                int knockout, int blendMode, float alpha) {
    fz_begin_group(ctx, countedTarget(dev), area, cs, isolated, knockout, blendMode, alpha);
}

void endGroup(fz_context* ctx, fz_device* dev) {
    fz_end_group(ctx, countedTarget(dev));
}

// Tile id 0 keeps the draw device from caching tiles: a cached tile would have MuPDF skip the
// tile's content, and the calls counted here would no longer match the vector device's.
int beginTile(fz_context* ctx, fz_device* dev, fz_rect area, fz_rect view, float xstep, float ystep,
              fz_matrix ctm, int) {
    fz_begin_tile_id(ctx, countedTarget(dev), area, view, xstep, ystep, ctm, 0);
    return 0;
}

void endTile(fz_context* ctx, fz_device* dev) {
    fz_end_tile(ctx, countedTarget(dev));
}

void renderFlags(fz_context* ctx, fz_device* dev, int set, int clear) {
    fz_render_flags(ctx, countedTarget(dev), set, clear);
}

void defaultColourSpaces(fz_context* ctx, fz_device* dev, fz_default_colorspaces* spaces) {
    fz_set_default_colorspaces(ctx, countedTarget(dev), spaces);
}

void beginLayer(fz_context* ctx, fz_device* dev, const char* name) {
    fz_begin_layer(ctx, countedTarget(dev), name);
}

void endLayer(fz_context* ctx, fz_device* dev) {
    fz_end_layer(ctx, countedTarget(dev));
}

void setCallbacks(fz_device* device) {
    device->fill_path = fillPath;
    device->stroke_path = strokePath;
    device->clip_path = clipPath;
    device->clip_stroke_path = clipStrokePath;
    device->fill_text = fillText;
    device->stroke_text = strokeText;
    device->clip_text = clipText;
    device->clip_stroke_text = clipStrokeText;
    device->ignore_text = ignoreText;
    device->fill_shade = fillShade;
    device->fill_image = fillImage;
    device->fill_image_mask = fillImageMask;
    device->clip_image_mask = clipImageMask;
    device->pop_clip = popClip;
    device->begin_mask = beginMask;
    device->end_mask = endMask;
    device->begin_group = beginGroup;
    device->end_group = endGroup;
    device->begin_tile = beginTile;
    device->end_tile = endTile;
    device->render_flags = renderFlags;
    device->set_default_colorspaces = defaultColourSpaces;
    device->begin_layer = beginLayer;
    device->end_layer = endLayer;
}

fz_pixmap* renderRaw(fz_context* ctx, fz_display_list* list, const PartialRender* part,
                     std::array<char, 256>* message) {
    fz_pixmap* pixmap = nullptr;
    fz_device* draw = nullptr;
    fz_device* counter = nullptr;
    fz_var(pixmap);
    fz_var(draw);
    fz_var(counter);
    fz_try(ctx) {
        const fz_irect box{part->pixels.left, part->pixels.top,
                           part->pixels.left + part->pixels.width,
                           part->pixels.top + part->pixels.height};
        pixmap = fz_new_pixmap_with_bbox(ctx, part->gray ? fz_device_gray(ctx) : fz_device_rgb(ctx),
                                         box, nullptr, 0);
        fz_clear_pixmap_with_value(ctx, pixmap, 0xFF);
        draw = fz_new_draw_device(ctx, fz_identity, pixmap);
        auto* self = fz_new_derived_device(ctx, CountingDevice);
        counter = &self->super;
        self->target = draw;
        self->part = part;
        self->calls = CallCount{};
        setCallbacks(counter);
        fz_run_display_list(ctx, list, counter, part->ctm, fz_infinite_rect, part->cookie);
        fz_close_device(ctx, counter);
        fz_close_device(ctx, draw);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, counter);
        fz_drop_device(ctx, draw);
    }
    fz_catch(ctx) {
        std::snprintf(message->data(), message->size(), "%s", fz_caught_message(ctx));
        fz_drop_pixmap(ctx, pixmap);
        return nullptr;
    }
    return pixmap;
}

std::optional<SwfBitmap> encodedRegion(fz_context* ctx, fz_pixmap* pixmap, int quality) {
    const int components = fz_pixmap_components(ctx, pixmap);
    const PagePixels pixels{fz_pixmap_samples(ctx, pixmap), fz_pixmap_width(ctx, pixmap),
                            fz_pixmap_height(ctx, pixmap), fz_pixmap_stride(ctx, pixmap),
                            components};
    const bool gray = components == 1 || hasOnlyGrays(pixels);
    auto jpeg = encodeJpeg(pixels, gray ? JpegColour::Grayscale : JpegColour::Rgb, quality);
    if (!jpeg) {
        return std::nullopt;
    }
    return SwfBitmap{BitmapKind::Jpeg, std::move(*jpeg), {}, pixels.width, pixels.height};
}

}  // namespace

PartialRender wholePage(const Box& bounds, int width, int height) {
    PartialRender part;
    part.ctm =
        fz_concat(fz_translate(static_cast<float>(-bounds.x0), static_cast<float>(-bounds.y0)),
                  fz_scale(static_cast<float>(width / (bounds.x1 - bounds.x0)),
                           static_cast<float>(height / (bounds.y1 - bounds.y0))));
    part.pixels = PixelBox{0, 0, width, height};
    return part;
}

mu::PixmapPtr renderPart(fz_context* ctx, fz_display_list* list, const PartialRender& part,
                         std::string& error) {
    std::array<char, 256> message{};
    mu::PixmapPtr pixmap =
        mu::own<fz_pixmap, fz_drop_pixmap>(ctx, renderRaw(ctx, list, &part, &message));
    if (part.cookie != nullptr && part.cookie->abort != 0) {
        pixmap.reset();  // only part of the drawing reached it
        error = "the page was stopped";
    } else if (!pixmap) {
        error = std::string("rendering failed: ") + message.data();
    }
    return pixmap;
}

bool renderRegions(fz_context* ctx, fz_display_list* list, fz_cookie* cookie, const Box& bounds,
                   const VectorOptions& options, VectorDrawing& drawing, std::string& error) {
    PartialRender part;
    part.cookie = cookie;
    part.ctm = pageMatrix(bounds, options.twipsPerPoint * options.bitmapPixelsPerTwip);
    for (const RasterRegion& region : drawing.regions) {
        part.pixels = region.pixels;
        part.lastCall = region.lastCall;
        const mu::PixmapPtr pixmap = renderPart(ctx, list, part, error);
        if (!pixmap) {
            return false;
        }
        std::optional<SwfBitmap> bitmap = encodedRegion(ctx, pixmap.get(), options.jpegQuality);
        if (!bitmap) {
            error = "JPEG encoding failed";
            return false;
        }
        drawing.page.bitmaps[region.bitmap] = std::move(*bitmap);
    }
    return true;
}

}  // namespace pageconv
