// The counting device behind `measurePage`. Its callbacks run inside MuPDF's error handling and
// so hold nothing that needs destroying: the state is plain values and fixed arrays.
#include "pdf/page_measure.h"

#include "mupdf_support.h"
#include "pdf/vector_device.h"

#include <algorithm>
#include <bitset>
#include <cmath>

namespace pageconv {
namespace {

// Image cover is marked on a grid of this many cells each way: a share to within a cell.
constexpr int kGridCells = 32;
// Clips nested deeper than this count as the deepest one kept.
constexpr int kMaxClipDepth = 64;

struct MeasureState {
    PageMeasure measure;
    fz_rect page{};
    fz_rect clips[kMaxClipDepth]{};
    int clipDepth = 0;
    int maskDepth = 0;  // inside a soft mask's definition, nothing is painted
    std::bitset<static_cast<std::size_t>(kGridCells) * kGridCells> covered;
};

struct MeasureDevice {
    fz_device super;
    MeasureState* state;
};

MeasureState& stateOf(fz_device* device) {
    return *reinterpret_cast<MeasureDevice*>(device)->state;
}

fz_rect currentClip(const MeasureState& state) {
    if (state.clipDepth == 0) {
        return state.page;
    }
    return state.clips[std::min(state.clipDepth, kMaxClipDepth) - 1];
}

void pushClip(MeasureState& state, fz_rect area) {
    const fz_rect clip = fz_intersect_rect(area, currentClip(state));
    if (state.clipDepth < kMaxClipDepth) {
        state.clips[state.clipDepth] = clip;
    }
    ++state.clipDepth;
}

// The grid cells whose centres lie inside `area` (page coordinates) become covered.
void cover(MeasureState& state, fz_rect area) {
    const fz_rect seen = fz_intersect_rect(area, currentClip(state));
    if (fz_is_empty_rect(seen)) {
        return;
    }
    const double cellWidth = (state.page.x1 - state.page.x0) / kGridCells;
    const double cellHeight = (state.page.y1 - state.page.y0) / kGridCells;
    const auto first = [](double from, double cell) {
        return std::max(0, static_cast<int>(std::ceil(from / cell - 0.5)));
    };
    const auto last = [](double to, double cell) {
        return std::min(kGridCells - 1, static_cast<int>(std::floor(to / cell - 0.5)));
    };
    for (int y = first(seen.y0, cellHeight); y <= last(seen.y1, cellHeight); ++y) {
        for (int x = first(seen.x0, cellWidth); x <= last(seen.x1, cellWidth); ++x) {
            state.covered.set(static_cast<size_t>(y) * kGridCells + x);
        }
    }
}

size_t glyphCount(const fz_text* text) {
    size_t count = 0;
    for (const fz_text_span* span = text->head; span != nullptr; span = span->next) {
        count += static_cast<size_t>(std::max(span->len, 0));
    }
    return count;
}

void countPath(fz_device* device) {
    MeasureState& state = stateOf(device);
    state.measure.paths += state.maskDepth == 0 ? 1 : 0;
}

void countText(fz_device* device, const fz_text* text) {
    MeasureState& state = stateOf(device);
    state.measure.glyphs += state.maskDepth == 0 ? glyphCount(text) : 0;
}

void countImage(fz_device* device, const fz_image* image, fz_matrix ctm) {
    MeasureState& state = stateOf(device);
    if (state.maskDepth == 0) {
        ++state.measure.images;
        state.measure.imagePixels += static_cast<double>(image->w) * image->h;
        cover(state, fz_transform_rect(fz_unit_rect, ctm));
    }
}

void fillPath(fz_context*, fz_device* device, const fz_path*, int, fz_matrix, fz_colorspace*,
              const float*, float, fz_color_params) {
    countPath(device);
}

void strokePath(fz_context*, fz_device* device, const fz_path*, const fz_stroke_state*, fz_matrix,
                fz_colorspace*, const float*, float, fz_color_params) {
    countPath(device);
}

void clipPath(fz_context* ctx, fz_device* device, const fz_path* path, int, fz_matrix ctm,
              fz_rect scissor) {
    pushClip(stateOf(device), fz_intersect_rect(fz_bound_path(ctx, path, nullptr, ctm), scissor));
}

void clipStrokePath(fz_context* ctx, fz_device* device, const fz_path* path,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    pushClip(stateOf(device), fz_intersect_rect(fz_bound_path(ctx, path, stroke, ctm), scissor));
}

void fillText(fz_context*, fz_device* device, const fz_text* text, fz_matrix, fz_colorspace*,
              const float*, float, fz_color_params) {
    countText(device, text);
}

void strokeText(fz_context*, fz_device* device, const fz_text* text, const fz_stroke_state*,
                fz_matrix, fz_colorspace*, const float*, float, fz_color_params) {
    countText(device, text);
}

void clipText(fz_context* ctx, fz_device* device, const fz_text* text, fz_matrix ctm,
              fz_rect scissor) {
    countText(device, text);
    pushClip(stateOf(device), fz_intersect_rect(fz_bound_text(ctx, text, nullptr, ctm), scissor));
}

void clipStrokeText(fz_context* ctx, fz_device* device, const fz_text* text,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    countText(device, text);
    pushClip(stateOf(device), fz_intersect_rect(fz_bound_text(ctx, text, stroke, ctm), scissor));
}

void fillShade(fz_context*, fz_device* device, fz_shade*, fz_matrix, float, fz_color_params) {
    MeasureState& state = stateOf(device);
    state.measure.shadings += state.maskDepth == 0 ? 1 : 0;
}

void fillImage(fz_context*, fz_device* device, fz_image* image, fz_matrix ctm, float,
               fz_color_params) {
    countImage(device, image, ctm);
}

void fillImageMask(fz_context*, fz_device* device, fz_image* image, fz_matrix ctm, fz_colorspace*,
                   const float*, float, fz_color_params) {
    countImage(device, image, ctm);
}

void clipImageMask(fz_context*, fz_device* device, fz_image*, fz_matrix ctm, fz_rect scissor) {
    pushClip(stateOf(device), fz_intersect_rect(fz_transform_rect(fz_unit_rect, ctm), scissor));
}

void popClip(fz_context*, fz_device* device) {
    MeasureState& state = stateOf(device);
    state.clipDepth = std::max(0, state.clipDepth - 1);
}

// What the mask is defined with paints nothing; the content drawn through it, up to its
// pop_clip, is clipped to the mask's area.
void beginMask(fz_context*, fz_device* device, fz_rect area, int, fz_colorspace*, const float*,
               fz_color_params) {
    MeasureState& state = stateOf(device);
    pushClip(state, area);
    ++state.maskDepth;
}

void endMask(fz_context*, fz_device* device) {
    MeasureState& state = stateOf(device);
    state.maskDepth = std::max(0, state.maskDepth - 1);
}

fz_device* newMeasureDeviceRaw(fz_context* ctx, MeasureState* state) {
    fz_device* device = nullptr;
    fz_var(device);
    fz_try(ctx) {
        auto* measure = fz_new_derived_device(ctx, MeasureDevice);
        measure->state = state;
        device = &measure->super;
    }
    fz_catch(ctx) {
        return nullptr;
    }
    device->fill_path = fillPath;
    device->stroke_path = strokePath;
    device->clip_path = clipPath;
    device->clip_stroke_path = clipStrokePath;
    device->fill_text = fillText;
    device->stroke_text = strokeText;
    device->clip_text = clipText;
    device->clip_stroke_text = clipStrokeText;
    device->fill_shade = fillShade;
    device->fill_image = fillImage;
    device->fill_image_mask = fillImageMask;
    device->clip_image_mask = clipImageMask;
    device->pop_clip = popClip;
    device->begin_mask = beginMask;
    device->end_mask = endMask;
    return device;
}

bool runRaw(fz_context* ctx, fz_display_list* list, fz_device* device, fz_matrix ctm,
            fz_cookie* cookie) {
    fz_try(ctx) {
        fz_run_display_list(ctx, list, device, ctm, fz_infinite_rect, cookie);
        fz_close_device(ctx, device);
    }
    fz_catch(ctx) {
        return false;
    }
    return true;
}

}  // namespace

bool measurePage(fz_context* ctx, fz_display_list* list, fz_cookie* cookie, const Box& bounds,
                 PageMeasure& measure) {
    MeasureState state;
    state.page = fz_make_rect(0, 0, static_cast<float>(bounds.x1 - bounds.x0),
                              static_cast<float>(bounds.y1 - bounds.y0));
    const mu::DevicePtr device =
        mu::own<fz_device, fz_drop_device>(ctx, newMeasureDeviceRaw(ctx, &state));
    if (!device || !runRaw(ctx, list, device.get(), pageMatrix(bounds, 1.0), cookie) ||
        (cookie != nullptr && cookie->abort != 0)) {
        return false;
    }
    state.measure.imageShare =
        static_cast<double>(state.covered.count()) / (kGridCells * kGridCells);
    measure = state.measure;
    return true;
}

}  // namespace pageconv
