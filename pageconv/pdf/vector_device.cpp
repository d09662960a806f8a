// The vector device's entry points: MuPDF's device calls in drawing order, the clip and group
// stack, paths and the raster regions. Text and images have files of their own.
#include "pdf/vector_device.h"

#include "pdf/vector_state.h"
#include "swf/fill_rules.h"

#include <algorithm>
#include <cmath>

namespace pageconv {
namespace {

// MuPDF allocates the device itself and knows nothing of C++: the state lives elsewhere.
struct VectorDevice {
    fz_device super;
    VectorState* state;
};

// Every call counts as the renderer that later draws the raster regions counts it
// (pdf/call_count.h); calls a Type 3 glyph makes while it is drawn are not the page's and do not
// count: the renderer never sees them, its draw device draws the glyph itself.
template <typename Body>
void onCall(fz_device* device, Body&& body) {
    VectorState& state = *reinterpret_cast<VectorDevice*>(device)->state;
    if (!state.insideGlyph) {
        countCall(state.calls);
    }
    if (state.failed) {
        return;
    }
    try {
        body(state);
    } catch (...) {
        state.failed = true;  // the page is written as a bitmap instead
    }
}

// Adds what a call inside a raster region paints (nothing: of unknown extent) to the area of the
// outermost region, which is the one rendered.
void notePainted(VectorState& state, const std::optional<fz_rect>& bounds) {
    Frame* region = nullptr;
    for (Frame& frame : state.frames) {
        if (frame.definingMask) {
            return;
        }
        if (region == nullptr &&
            (frame.kind == FrameKind::Scope || frame.kind == FrameKind::ImageMasked)) {
            region = &frame;
        }
    }
    if (region == nullptr) {
        return;
    }
    if (!bounds) {
        region->paintedUnknown = true;
        return;
    }
    const Box box = boxOf(*bounds);
    region->painted =
        region->painted
            ? Box{std::min(region->painted->x0, box.x0), std::min(region->painted->y0, box.y0),
                  std::max(region->painted->x1, box.x1), std::max(region->painted->y1, box.y1)}
            : box;
}

bool insideScope(VectorState& state, const std::optional<fz_rect>& painted = std::nullopt) {
    if (state.scopeDepth == 0) {
        return false;
    }
    for (Frame& frame : state.frames) {
        if (frame.kind == FrameKind::Scope || frame.kind == FrameKind::ImageMasked) {
            frame.mixed = true;
            break;
        }
    }
    notePainted(state, painted);
    return true;
}

// The part of a region's area its content paints, when that is known.
Box paintedArea(const Frame& frame) {
    if (frame.paintedUnknown || !frame.painted) {
        return frame.clip;
    }
    return intersect(frame.clip, *frame.painted);
}

// In poly2bitmap mode only text is drawn here; the rest is in the page bitmap beneath.
bool onlyTextWanted(const VectorState& state) {
    return state.options.textOnly && !state.insideGlyph;
}

// Content wholly outside the crop box, or the clip it is drawn in, is never seen: print files
// carry bleed and crop marks far beyond the crop box, with fonts of their own. Content that
// reaches past the stage is kept and marks the page for a clip to the stage.
bool unseen(VectorState& state, const fz_rect& bounds) {
    const Box box = boxOf(bounds);
    const Box clip = currentClip(state);
    if (box.x1 < clip.x0 || box.x0 > clip.x1 || box.y1 < clip.y0 || box.y0 > clip.y1) {
        return true;
    }
    const Box& stage = state.stage;
    if (box.x0 < stage.x0 || box.y0 < stage.y0 || box.x1 > stage.x1 || box.y1 > stage.y1) {
        state.drawing.spillsPastStage = true;
    }
    return false;
}

Rgba paintColour(VectorState& state, fz_colorspace* space, const float* colour, float alpha,
                 fz_color_params params) {
    if (state.glyphColour) {
        return *state.glyphColour;
    }
    return rgbaOf(state.ctx, space, colour, alpha, params);
}

void pushFrame(VectorState& state, FrameKind kind, const Box& clip) {
    Frame frame;
    frame.kind = kind;
    frame.clip = clip;
    state.frames.push_back(std::move(frame));
}

void pushClipLayer(VectorState& state, Outline outline, FillRule rule, const Box& area) {
    std::vector<DrawItem>& items = currentTarget(state);
    items.push_back(DrawItem{ClipLayer{std::move(outline), rule, {}}});
    state.targets.push_back(&std::get<ClipLayer>(items.back().what).content);
    pushFrame(state, FrameKind::ClipLayer, intersect(area, currentClip(state)));
}

void popFrame(VectorState& state) {
    if (state.frames.empty()) {
        return;
    }
    Frame frame = std::move(state.frames.back());
    state.frames.pop_back();
    switch (frame.kind) {
        case FrameKind::ClipLayer:
            state.targets.pop_back();
            break;
        case FrameKind::Scope:
        case FrameKind::ImageMasked:
            if (--state.scopeDepth > 0 || state.options.textOnly) {
                break;
            }
            if (frame.kind == FrameKind::ImageMasked && frame.image && !frame.mixed) {
                fillMaskedImage(state, frame);
            } else {
                addRasterRegion(state, paintedArea(frame));
            }
            break;
        case FrameKind::PassThrough:
        case FrameKind::InsideScope:
            break;
    }
}

// Pushes that need no region of their own inside one: the enclosing region draws them.
bool pushInsideScope(VectorState& state) {
    if (state.scopeDepth == 0) {
        return false;
    }
    pushFrame(state, FrameKind::InsideScope, currentClip(state));
    return true;
}

LineCap capOf(fz_linecap cap) {
    switch (cap) {
        case FZ_LINECAP_ROUND:
        case FZ_LINECAP_TRIANGLE:
            return LineCap::Round;
        case FZ_LINECAP_SQUARE:
            return LineCap::Square;
        default:
            return LineCap::Butt;
    }
}

LineJoin joinOf(fz_linejoin join) {
    switch (join) {
        case FZ_LINEJOIN_ROUND:
            return LineJoin::Round;
        case FZ_LINEJOIN_BEVEL:
            return LineJoin::Bevel;
        default:
            return LineJoin::Miter;
    }
}

// SWF strokes have one width; a page matrix that stretches one way more than the other would
// draw them differently, so such strokes are left to the raster.
constexpr double kMaxStrokeStretch = 1.2;

bool strokeStretched(fz_matrix ctm) {
    const double across = std::hypot(ctm.a, ctm.b);
    const double down = std::hypot(ctm.c, ctm.d);
    const double shear = std::abs(ctm.a * ctm.c + ctm.b * ctm.d) / std::max(across * down, 1e-12);
    return std::max(across, down) > kMaxStrokeStretch * std::min(across, down) || shear > 0.05;
}

std::optional<LineStyle> lineStyleOf(const fz_stroke_state* stroke, fz_matrix ctm, Rgba colour) {
    const double width = stroke->linewidth * fz_matrix_expansion(ctm);
    if (!std::isfinite(width) || width > 65535 || strokeStretched(ctm)) {
        return std::nullopt;
    }
    LineStyle line;
    line.width = static_cast<uint16_t>(std::clamp(std::lround(width), 1L, 65535L));
    line.colour = colour;
    const bool dashed = stroke->dash_len > 0;
    line.startCap = capOf(dashed ? stroke->dash_cap : stroke->start_cap);
    line.endCap = capOf(dashed ? stroke->dash_cap : stroke->end_cap);
    line.join = joinOf(stroke->linejoin);
    line.miterLimit = stroke->miterlimit;
    return line;
}

// Dashes are cut here, on the path flattened to lines: SWF has no dashed strokes.
std::optional<Outline> dashedOutline(fz_context* ctx, const fz_path* path,
                                     const fz_stroke_state* stroke, fz_matrix ctm) {
    const std::optional<std::vector<Polyline>> lines = polylinesOf(ctx, path, ctm);
    if (!lines) {
        return std::nullopt;
    }
    const double scale = fz_matrix_expansion(ctm);
    std::vector<double> pattern;
    for (int i = 0; i < stroke->dash_len && i < 32; ++i) {
        pattern.push_back(stroke->dash_list[i] * scale);
    }
    OutlineBuilder builder;
    for (const Polyline& dash : dashLines(*lines, pattern, stroke->dash_phase * scale)) {
        if (dash.empty()) {
            continue;
        }
        moveTo(builder, dash.front());
        for (size_t i = 1; i < dash.size(); ++i) {
            lineTo(builder, dash[i]);
        }
        if (dash.size() == 1) {
            lineTo(builder, dash.front());  // a dot: its caps still draw
        }
    }
    if (edgeCount(builder.outline) > kMaxPathEdges) {
        return std::nullopt;
    }
    return std::move(builder.outline);
}

void fillPath(fz_context*, fz_device* device, const fz_path* path, int evenOdd, fz_matrix ctm,
              fz_colorspace* space, const float* colour, float alpha, fz_color_params params) {
    onCall(device, [&](VectorState& state) {
        const fz_rect bounds = fz_bound_path(state.ctx, path, nullptr, ctm);
        if (insideScope(state, bounds) || onlyTextWanted(state) || unseen(state, bounds)) {
            return;
        }
        std::optional<Outline> outline = outlineOf(state.ctx, path, ctm);
        if (outline && evenOdd == 0 && !fillRulesAgree(*outline)) {
            outline.reset();  // a renderer that fills even-odd only would draw it wrong
        }
        if (!outline) {
            addRasterRegion(state, boxOf(bounds));
            return;
        }
        if (outline->empty()) {
            return;
        }
        currentTarget(state).push_back(DrawItem{
            FilledShape{std::move(*outline), evenOdd != 0 ? FillRule::EvenOdd : FillRule::NonZero,
                        paintColour(state, space, colour, alpha, params)}});
    });
}

void strokePath(fz_context*, fz_device* device, const fz_path* path, const fz_stroke_state* stroke,
                fz_matrix ctm, fz_colorspace* space, const float* colour, float alpha,
                fz_color_params params) {
    onCall(device, [&](VectorState& state) {
        const fz_rect bounds = fz_bound_path(state.ctx, path, stroke, ctm);
        if (insideScope(state, bounds) || onlyTextWanted(state) || unseen(state, bounds)) {
            return;
        }
        const auto line =
            lineStyleOf(stroke, ctm, paintColour(state, space, colour, alpha, params));
        std::optional<Outline> outline;
        if (line) {
            outline = stroke->dash_len > 0 ? dashedOutline(state.ctx, path, stroke, ctm)
                                           : outlineOf(state.ctx, path, ctm);
        }
        if (!outline) {
            addRasterRegion(state, boxOf(bounds));
            return;
        }
        if (outline->empty()) {
            return;
        }
        currentTarget(state).push_back(DrawItem{StrokedShape{std::move(*outline), *line}});
    });
}

void clipPath(fz_context*, fz_device* device, const fz_path* path, int evenOdd, fz_matrix ctm,
              fz_rect) {
    onCall(device, [&](VectorState& state) {
        if (pushInsideScope(state)) {
            return;
        }
        const Box area = boxOf(fz_bound_path(state.ctx, path, nullptr, ctm));
        std::optional<Outline> outline = outlineOf(state.ctx, path, ctm);
        if (outline && evenOdd != 0 && !fillRulesAgree(*outline)) {
            outline.reset();  // a renderer that clips non-zero only would show too much
        }
        if (!outline) {
            openScope(state, FrameKind::Scope, area);
            return;
        }
        pushClipLayer(state, std::move(*outline),
                      evenOdd != 0 ? FillRule::EvenOdd : FillRule::NonZero, area);
    });
}

// SWF clips by the inside of shapes only; a clip by a stroke is left to the raster.
void clipStrokePath(fz_context*, fz_device* device, const fz_path* path,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect) {
    onCall(device, [&](VectorState& state) {
        if (!pushInsideScope(state)) {
            openScope(state, FrameKind::Scope, boxOf(fz_bound_path(state.ctx, path, stroke, ctm)));
        }
    });
}

void noteTextCall(VectorState& state) {
    if (!state.insideGlyph) {
        state.drawing.textCalls.push_back(state.calls.last);
    }
}

void fillTextCall(fz_context*, fz_device* device, const fz_text* text, fz_matrix ctm,
                  fz_colorspace* space, const float* colour, float alpha, fz_color_params params) {
    onCall(device, [&](VectorState& state) {
        const fz_rect bounds = fz_bound_text(state.ctx, text, nullptr, ctm);
        if (insideScope(state, bounds) || unseen(state, bounds)) {
            return;
        }
        noteTextCall(state);
        fillText(state, text, ctm, paintColour(state, space, colour, alpha, params));
    });
}

void strokeTextCall(fz_context*, fz_device* device, const fz_text* text,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_colorspace* space,
                    const float* colour, float alpha, fz_color_params params) {
    onCall(device, [&](VectorState& state) {
        const fz_rect bounds = fz_bound_text(state.ctx, text, stroke, ctm);
        if (insideScope(state, bounds) || unseen(state, bounds)) {
            return;
        }
        noteTextCall(state);
        const auto line =
            lineStyleOf(stroke, ctm, paintColour(state, space, colour, alpha, params));
        std::optional<Outline> outline;
        if (line) {
            outline = textOutline(state, text, ctm);
        }
        if (!outline) {
            state.drawing.textCalls.pop_back();  // the raster draws it instead
            addRasterRegion(state, boxOf(fz_bound_text(state.ctx, text, stroke, ctm)));
            return;
        }
        currentTarget(state).push_back(DrawItem{StrokedShape{std::move(*outline), *line}});
    });
}

void clipTextCall(fz_context*, fz_device* device, const fz_text* text, fz_matrix ctm, fz_rect) {
    onCall(device, [&](VectorState& state) {
        if (pushInsideScope(state)) {
            return;
        }
        const Box area = boxOf(fz_bound_text(state.ctx, text, nullptr, ctm));
        std::optional<Outline> outline = textOutline(state, text, ctm);
        if (!outline) {
            openScope(state, FrameKind::Scope, area);
            return;
        }
        pushClipLayer(state, std::move(*outline), FillRule::NonZero, area);
    });
}

void clipStrokeTextCall(fz_context*, fz_device* device, const fz_text* text,
                        const fz_stroke_state* stroke, fz_matrix ctm, fz_rect) {
    onCall(device, [&](VectorState& state) {
        if (!pushInsideScope(state)) {
            openScope(state, FrameKind::Scope, boxOf(fz_bound_text(state.ctx, text, stroke, ctm)));
        }
    });
}

// Invisible text (a scan's text layer, mode 3) draws nothing.
void ignoreText(fz_context*, fz_device* device, const fz_text*, fz_matrix) {
    onCall(device, [](VectorState&) {});
}

void fillShade(fz_context*, fz_device* device, fz_shade* shade, fz_matrix ctm, float alpha,
               fz_color_params params) {
    onCall(device, [&](VectorState& state) {
        if (insideScope(state) || onlyTextWanted(state) ||
            (state.options.gradients && fillShading(state, shade, ctm, alpha, params))) {
            return;
        }
        addRasterRegion(state, boxOf(fz_bound_shade(state.ctx, shade, ctm)));
    });
}

bool sameMatrix(fz_matrix a, fz_matrix b) {
    return a.a == b.a && a.b == b.b && a.c == b.c && a.d == b.d && a.e == b.e && a.f == b.f;
}

// The one image an image-mask clip holds, drawn where the mask is, waits for the clip's end.
bool takeMaskedImage(VectorState& state, fz_image* image, fz_matrix ctm, float alpha) {
    if (state.scopeDepth != 1 || state.frames.empty()) {
        return false;
    }
    Frame& frame = state.frames.back();
    if (frame.kind != FrameKind::ImageMasked || frame.image || frame.mixed ||
        !sameMatrix(frame.maskMatrix, ctm)) {
        return false;
    }
    frame.image = mu::own<fz_image, fz_drop_image>(state.ctx, fz_keep_image(state.ctx, image));
    frame.imageAlpha = alpha;
    return true;
}

void fillImageCall(fz_context*, fz_device* device, fz_image* image, fz_matrix ctm, float alpha,
                   fz_color_params) {
    onCall(device, [&](VectorState& state) {
        const fz_rect bounds = fz_transform_rect(fz_unit_rect, ctm);
        if (takeMaskedImage(state, image, ctm, alpha) || insideScope(state, bounds) ||
            onlyTextWanted(state) || unseen(state, bounds)) {
            return;
        }
        fillImage(state, image, ctm, alpha);
    });
}

void fillImageMaskCall(fz_context*, fz_device* device, fz_image* image, fz_matrix ctm,
                       fz_colorspace* space, const float* colour, float alpha,
                       fz_color_params params) {
    onCall(device, [&](VectorState& state) {
        const fz_rect bounds = fz_transform_rect(fz_unit_rect, ctm);
        if (insideScope(state, bounds) || onlyTextWanted(state) || unseen(state, bounds)) {
            return;
        }
        fillImageMask(state, image, ctm, paintColour(state, space, colour, alpha, params));
    });
}

void clipImageMask(fz_context*, fz_device* device, fz_image* image, fz_matrix ctm, fz_rect) {
    onCall(device, [&](VectorState& state) {
        if (pushInsideScope(state)) {
            return;
        }
        openScope(state, FrameKind::ImageMasked, boxOf(fz_transform_rect(fz_unit_rect, ctm)));
        Frame& frame = state.frames.back();
        frame.mask = mu::own<fz_image, fz_drop_image>(state.ctx, fz_keep_image(state.ctx, image));
        frame.maskMatrix = ctm;
    });
}

void popClip(fz_context*, fz_device* device) {
    onCall(device, [](VectorState& state) { popFrame(state); });
}

void beginMask(fz_context*, fz_device* device, fz_rect area, int, fz_colorspace*, const float*,
               fz_color_params) {
    onCall(device, [&](VectorState& state) {
        if (!pushInsideScope(state)) {
            openScope(state, FrameKind::Scope, boxOf(area));
        }
        state.frames.back().definingMask = true;
    });
}

// The mask's frame stays until the pop that ends the masked content, which is what paints.
void endMask(fz_context*, fz_device* device) {
    onCall(device, [](VectorState& state) {
        if (!state.frames.empty()) {
            state.frames.back().definingMask = false;
        }
    });
}

void beginGroup(fz_context*, fz_device* device, fz_rect area, fz_colorspace*, int, int knockout,
                int blendMode, float alpha) {
    onCall(device, [&](VectorState& state) {
        if (pushInsideScope(state)) {
            return;
        }
        if (blendMode == FZ_BLEND_NORMAL && alpha >= 1.0F && knockout == 0) {
            pushFrame(state, FrameKind::PassThrough, currentClip(state));
            return;
        }
        openScope(state, FrameKind::Scope, boxOf(area));
    });
}

void endGroup(fz_context*, fz_device* device) {
    onCall(device, [](VectorState& state) { popFrame(state); });
}

// Patterns are drawn by the raster; 0 asks MuPDF to send the tile's content, which the
// renderer of the regions is sent as well, so that both count the same calls.
int beginTile(fz_context*, fz_device* device, fz_rect area, fz_rect, float, float, fz_matrix, int) {
    onCall(device, [&](VectorState& state) {
        if (!pushInsideScope(state)) {
            openScope(state, FrameKind::Scope, boxOf(area));
        }
        notePainted(state, std::nullopt);  // a tile repeats its content over its area
    });
    return 0;
}

void endTile(fz_context*, fz_device* device) {
    onCall(device, [](VectorState& state) { popFrame(state); });
}

void renderFlags(fz_context*, fz_device* device, int, int) {
    onCall(device, [](VectorState&) {});
}

void defaultColourSpaces(fz_context*, fz_device* device, fz_default_colorspaces*) {
    onCall(device, [](VectorState&) {});
}

void beginLayer(fz_context*, fz_device* device, const char*) {
    onCall(device, [](VectorState&) {});
}

void endLayer(fz_context*, fz_device* device) {
    onCall(device, [](VectorState&) {});
}

fz_device* newVectorDeviceRaw(fz_context* ctx, VectorState* state) {
    fz_device* device = nullptr;
    fz_var(device);
    fz_try(ctx) {
        auto* vector = fz_new_derived_device(ctx, VectorDevice);
        vector->state = state;
        device = &vector->super;
    }
    fz_catch(ctx) {
        return nullptr;
    }
    device->fill_path = fillPath;
    device->stroke_path = strokePath;
    device->clip_path = clipPath;
    device->clip_stroke_path = clipStrokePath;
    device->fill_text = fillTextCall;
    device->stroke_text = strokeTextCall;
    device->clip_text = clipTextCall;
    device->clip_stroke_text = clipStrokeTextCall;
    device->ignore_text = ignoreText;
    device->fill_shade = fillShade;
    device->fill_image = fillImageCall;
    device->fill_image_mask = fillImageMaskCall;
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
    return device;
}

bool runRaw(fz_context* ctx, fz_display_list* list, fz_device* device, fz_matrix ctm,
            fz_cookie* cookie, std::array<char, 256>& message) {
    fz_try(ctx) {
        fz_run_display_list(ctx, list, device, ctm, fz_infinite_rect, cookie);
        fz_close_device(ctx, device);
    }
    fz_catch(ctx) {
        std::snprintf(message.data(), message.size(), "%s", fz_caught_message(ctx));
        return false;
    }
    return true;
}

Outline stageOutline(const Box& stage) {
    OutlineBuilder builder;
    moveTo(builder, PointF{stage.x0, stage.y0});
    lineTo(builder, PointF{stage.x1, stage.y0});
    lineTo(builder, PointF{stage.x1, stage.y1});
    lineTo(builder, PointF{stage.x0, stage.y1});
    closePath(builder);
    return std::move(builder.outline);
}

}  // namespace

void clipToStage(VectorDrawing& drawing, const Box& stage) {
    if (!drawing.spillsPastStage) {
        return;
    }
    std::vector<DrawItem> content = std::move(drawing.page.items);
    drawing.page.items.clear();
    drawing.page.items.push_back(
        DrawItem{ClipLayer{stageOutline(stage), FillRule::NonZero, std::move(content)}});
    drawing.spillsPastStage = false;
}

fz_matrix pageMatrix(const Box& bounds, double perPoint) {
    return fz_concat(fz_translate(static_cast<float>(-bounds.x0), static_cast<float>(-bounds.y0)),
                     fz_scale(static_cast<float>(perPoint), static_cast<float>(perPoint)));
}

bool drawVectors(fz_context* ctx, fz_display_list* list, fz_cookie* cookie, const Box& bounds,
                 const VectorOptions& options, VectorDrawing& drawing, std::string& error) {
    VectorState state;
    state.ctx = ctx;
    state.options = options;
    state.toTwips = pageMatrix(bounds, options.twipsPerPoint);
    state.stage = Box{0, 0, (bounds.x1 - bounds.x0) * options.twipsPerPoint,
                      (bounds.y1 - bounds.y0) * options.twipsPerPoint};
    state.targets.push_back(&state.drawing.page.items);
    const mu::DevicePtr device =
        mu::own<fz_device, fz_drop_device>(ctx, newVectorDeviceRaw(ctx, &state));
    if (!device) {
        error = "out of memory";
        return false;
    }
    state.device = device.get();
    std::array<char, 256> message{};
    if (!runRaw(ctx, list, device.get(), state.toTwips, cookie, message)) {
        error = message.data();
        return false;
    }
    if (cookie != nullptr && cookie->abort != 0) {
        error = "the page was stopped";  // the drawing holds only part of the page
        return false;
    }
    if (state.failed) {
        error = state.failure.empty() ? "the page cannot be drawn as vectors" : state.failure;
        return false;
    }
    drawing = std::move(state.drawing);
    return true;
}

}  // namespace pageconv
