// Text as SWF fonts: one font per PDF font and page holding the glyphs the page uses (or all of
// them), text records placing them, glyph outlines as shapes where fonts are not wanted, and
// Type 3 glyphs drawn through the device like any other drawing.
#include "pdf/vector_state.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

namespace pageconv {
namespace {

void dropPath(fz_context* ctx, fz_path* path) {
    fz_drop_path(ctx, path);
}

// How far a glyph's quadratic curves may stray from its cubic ones, in font units: 1/2048 of
// the em, a twentieth of a screen pixel for body text at 8x zoom. A finer tolerance only adds
// curves, which every page carries again in its own fonts.
constexpr double kGlyphToleranceUnits = kFontEmUnits / 2048.0;

// DefineFont3 counts glyphs in 16 bits.
constexpr int kMaxFontGlyphs = 65535;

fz_path* outlineGlyphRaw(fz_context* ctx, fz_font* font, int gid, fz_matrix trm, bool* ok) {
    fz_path* path = nullptr;
    fz_var(path);
    *ok = true;
    fz_try(ctx) {
        path = fz_outline_glyph(ctx, font, gid, trm);
    }
    fz_catch(ctx) {
        *ok = false;
    }
    return path;
}

float advanceRaw(fz_context* ctx, fz_font* font, int gid) {
    float advance = 0;
    fz_var(advance);
    fz_try(ctx) {
        advance = fz_advance_glyph(ctx, font, gid, 0);
    }
    fz_catch(ctx) {
        advance = 0;
    }
    return advance;
}

// The size at which a glyph is drawn to see whether it has ink: body text's size on screen.
constexpr float kInkTestPixels = 32;

bool glyphHasInkRaw(fz_context* ctx, fz_font* font, int gid) {
    fz_pixmap* pixmap = nullptr;
    fz_var(pixmap);
    bool ink = false;
    fz_try(ctx) {
        fz_matrix trm = fz_scale(kInkTestPixels, -kInkTestPixels);
        pixmap = fz_render_glyph_pixmap(ctx, font, gid, &trm, nullptr, 8);
        const size_t bytes = pixmap == nullptr
                                 ? 0
                                 : static_cast<size_t>(fz_pixmap_stride(ctx, pixmap)) *
                                       fz_pixmap_height(ctx, pixmap);
        const unsigned char* samples = pixmap == nullptr ? nullptr : fz_pixmap_samples(ctx, pixmap);
        for (size_t i = 0; i < bytes && !ink; ++i) {
            ink = samples[i] != 0;
        }
    }
    fz_always(ctx) {
        fz_drop_pixmap(ctx, pixmap);
    }
    fz_catch(ctx) {
        ink = false;
    }
    return ink;
}

// FreeType's outline walked into a MuPDF path, scaled from font units by `trm`.
struct OutlineWalk {
    fz_context* ctx = nullptr;
    fz_path* path = nullptr;
    fz_matrix trm{};
};

fz_point walkPoint(const OutlineWalk& walk, const FT_Vector* v) {
    return fz_transform_point_xy(static_cast<float>(v->x), static_cast<float>(v->y), walk.trm);
}

int ftMoveTo(const FT_Vector* to, void* user) {
    auto* walk = static_cast<OutlineWalk*>(user);
    const fz_point p = walkPoint(*walk, to);
    fz_moveto(walk->ctx, walk->path, p.x, p.y);
    return 0;
}

int ftLineTo(const FT_Vector* to, void* user) {
    auto* walk = static_cast<OutlineWalk*>(user);
    const fz_point p = walkPoint(*walk, to);
    fz_lineto(walk->ctx, walk->path, p.x, p.y);
    return 0;
}

int ftConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* walk = static_cast<OutlineWalk*>(user);
    const fz_point c = walkPoint(*walk, control);
    const fz_point p = walkPoint(*walk, to);
    fz_quadto(walk->ctx, walk->path, c.x, c.y, p.x, p.y);
    return 0;
}

int ftCubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* walk = static_cast<OutlineWalk*>(user);
    const fz_point a = walkPoint(*walk, c1);
    const fz_point b = walkPoint(*walk, c2);
    const fz_point p = walkPoint(*walk, to);
    fz_curveto(walk->ctx, walk->path, a.x, a.y, b.x, b.y, p.x, p.y);
    return 0;
}

// MuPDF outlines TrueType glyphs hinted, and a font whose hinting program is broken (a subset
// that lost the functions its glyphs call) fails every hinted load, while the renderer, which
// does not hint, draws the glyph. The outline unhinted, straight from FreeType.
fz_path* unhintedOutlineRaw(fz_context* ctx, fz_font* font, int gid, fz_matrix trm) {
    auto* face = static_cast<FT_Face>(fz_font_ft_face(ctx, font));
    if (face == nullptr || face->units_per_EM == 0) {
        return nullptr;
    }
    static const FT_Outline_Funcs kFuncs = {ftMoveTo, ftLineTo, ftConicTo, ftCubicTo, 0, 0};
    OutlineWalk walk;
    walk.ctx = ctx;
    walk.trm = fz_concat(fz_scale(1.0F / face->units_per_EM, 1.0F / face->units_per_EM), trm);
    fz_var(walk);
    fz_try(ctx) {
        fz_lock(ctx, FZ_LOCK_FREETYPE);
        if (FT_Load_Glyph(face, static_cast<FT_UInt>(gid),
                          FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_IGNORE_TRANSFORM) == 0 &&
            face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            walk.path = fz_new_path(ctx);
            FT_Outline_Decompose(&face->glyph->outline, &kFuncs, &walk);
        }
    }
    fz_always(ctx) {
        fz_unlock(ctx, FZ_LOCK_FREETYPE);
    }
    fz_catch(ctx) {
        fz_drop_path(ctx, walk.path);
        return nullptr;
    }
    return walk.path;
}

std::optional<Outline> outlineOfPath(fz_context* ctx, fz_path* path, double tolerance) {
    return path == nullptr ? Outline{} : outlineOf(ctx, path, fz_identity, tolerance);
}

// The glyph's outline under `trm`; an empty outline for a glyph without ink (a space), nothing
// when no outline of a glyph with ink can be had: its text is then drawn by the raster, since
// an empty outline would show it as a space.
std::optional<Outline> glyphOutline(fz_context* ctx, fz_font* font, int gid, fz_matrix trm,
                                    double tolerance = kCurveToleranceTwips) {
    bool ok = false;
    const mu::InContextPtr<fz_path, dropPath> path(outlineGlyphRaw(ctx, font, gid, trm, &ok),
                                                   {ctx});
    if (!ok) {
        return std::nullopt;
    }
    std::optional<Outline> outline = outlineOfPath(ctx, path.get(), tolerance);
    if (!outline || !outline->empty() || !glyphHasInkRaw(ctx, font, gid)) {
        return outline;
    }
    const mu::InContextPtr<fz_path, dropPath> unhinted(unhintedOutlineRaw(ctx, font, gid, trm),
                                                       {ctx});
    outline = outlineOfPath(ctx, unhinted.get(), tolerance);
    if (!outline || outline->empty()) {
        return std::nullopt;
    }
    return outline;
}

// The font file's digest and the styles MuPDF fakes on it: glyphs of fonts with equal keys have
// equal outlines, on whichever page they are drawn.
std::string fontKey(fz_context* ctx, fz_font* font) {
    unsigned char digest[16] = {};
    bool ok = true;
    fz_try(ctx) {
        fz_font_digest(ctx, font, digest);
    }
    fz_catch(ctx) {
        ok = false;
    }
    if (!ok) {
        return {};
    }
    static const char kHex[] = "0123456789abcdef";
    std::string key;
    for (const unsigned char byte : digest) {
        key += kHex[byte >> 4];
        key += kHex[byte & 15];
    }
    key += font->flags.fake_bold ? "b" : "";
    key += font->flags.fake_italic ? "i" : "";
    return key;
}

bool isType3(fz_font* font) {
    return font->t3procs != nullptr;
}

std::optional<uint16_t> addGlyph(VectorState& state, FontSlot& slot, fz_font* font, int gid) {
    if (const auto known = slot.glyphOf.find(gid); known != slot.glyphOf.end()) {
        return known->second;
    }
    SwfFont& swfFont = state.drawing.page.fonts[slot.index];
    if (slot.broken || swfFont.glyphs.size() >= kMaxFontGlyphs) {
        return std::nullopt;
    }
    const fz_matrix emToFont = fz_scale(kFontEmUnits, -kFontEmUnits);
    std::optional<Outline> outline =
        glyphOutline(state.ctx, font, gid, emToFont, kGlyphToleranceUnits);
    if (!outline) {
        slot.broken = true;
        return std::nullopt;
    }
    const auto index = static_cast<uint16_t>(swfFont.glyphs.size());
    const double advance = advanceRaw(state.ctx, font, gid) * kFontEmUnits;
    swfFont.glyphs.push_back(Glyph{std::move(*outline),
                                   static_cast<int32_t>(std::lround(std::clamp(
                                       advance, -1.0 * kFontEmUnits, 1.0 * kFontEmUnits))),
                                   index, gid});
    slot.glyphOf.emplace(gid, index);
    return index;
}

FontSlot& fontSlot(VectorState& state, fz_font* font) {
    if (const auto known = state.fonts.find(font); known != state.fonts.end()) {
        return known->second;
    }
    FontSlot& slot = state.fonts[font];
    slot.index = state.drawing.page.fonts.size();
    SwfFont& added = state.drawing.page.fonts.emplace_back();
    added.name = fz_font_name(state.ctx, font);
    added.key = fontKey(state.ctx, font);
    if (state.options.fullFonts) {
        for (int gid = 0; gid < std::min(font->glyph_count, kMaxFontGlyphs) && !slot.broken;
             ++gid) {
            addGlyph(state, slot, font, gid);
        }
    }
    return slot;
}

fz_matrix glyphMatrix(const fz_text_span& span, const fz_text_item& item) {
    fz_matrix trm = span.trm;
    trm.e = item.x;
    trm.f = item.y;
    return trm;
}

bool runGlyphRaw(fz_context* ctx, fz_font* font, int gid, fz_matrix trm, fz_device* device) {
    fz_try(ctx) {
        fz_run_t3_glyph(ctx, font, gid, trm, device);
    }
    fz_catch(ctx) {
        return false;
    }
    return true;
}

// A Type 3 glyph is a little drawing of its own; one declared uncoloured takes the text's.
void drawType3Span(VectorState& state, const fz_text_span& span, fz_matrix ctm, Rgba colour) {
    if (state.insideGlyph) {
        return;  // a glyph drawing glyphs of its own font would never end
    }
    state.insideGlyph = true;
    for (int i = 0; i < span.len && !state.failed; ++i) {
        const int gid = span.items[i].gid;
        if (gid < 0 || gid > 255) {
            continue;
        }
        const bool coloured = (span.font->t3flags[gid] & FZ_DEVFLAG_COLOR) != 0;
        state.glyphColour = coloured ? std::nullopt : std::optional<Rgba>(colour);
        if (!runGlyphRaw(state.ctx, span.font, gid,
                         fz_concat(glyphMatrix(span, span.items[i]), ctm), state.device)) {
            state.failed = true;
            state.failure = "a Type 3 glyph cannot be drawn";
        }
    }
    state.glyphColour.reset();
    state.insideGlyph = false;
}

// How a span's glyphs sit in SWF text: the em square `height` twips tall, mapped by `matrix`
// (y flipped, since glyphs grow up in PDF and down in SWF) with the first glyph at its origin.
struct SpanLayout {
    SwfMatrix matrix;
    uint16_t height = 0;
    fz_matrix inverse{};  // stage twips relative to the first glyph back to text space
};

std::optional<SpanLayout> spanLayout(const fz_text_span& span, fz_matrix ctm) {
    const fz_matrix shape =
        fz_concat(fz_matrix{span.trm.a, span.trm.b, span.trm.c, span.trm.d, 0, 0},
                  fz_matrix{ctm.a, ctm.b, ctm.c, ctm.d, 0, 0});
    const double det =
        static_cast<double>(shape.a) * shape.d - static_cast<double>(shape.b) * shape.c;
    if (!(std::abs(det) > 1e-6) || !std::isfinite(det)) {
        return std::nullopt;
    }
    SpanLayout layout;
    const double height = std::clamp(std::round(std::sqrt(std::abs(det))), 1.0, 65535.0);
    layout.height = static_cast<uint16_t>(height);
    const fz_matrix text{static_cast<float>(shape.a / height),
                         static_cast<float>(shape.b / height),
                         static_cast<float>(-shape.c / height),
                         static_cast<float>(-shape.d / height),
                         0,
                         0};
    for (const float v : {text.a, text.b, text.c, text.d}) {
        if (!(std::abs(v) < kMaxMatrixScale)) {
            return std::nullopt;
        }
    }
    layout.matrix.scaleX = text.a;
    layout.matrix.rotateSkew0 = text.b;
    layout.matrix.rotateSkew1 = text.c;
    layout.matrix.scaleY = text.d;
    layout.inverse = fz_invert_matrix(text);
    return layout;
}

// Glyph positions in text space; nothing when they leave the range SWF records can reach.
bool placeGlyphs(VectorState& state, const fz_text_span& span, fz_matrix ctm, FontSlot& slot,
                 SpanLayout& layout, PlacedText& placed) {
    const fz_point origin = fz_transform_point_xy(span.items[0].x, span.items[0].y, ctm);
    if (!(std::abs(origin.x) < kMaxCoordinateTwips && std::abs(origin.y) < kMaxCoordinateTwips)) {
        return false;
    }
    placed.matrix.translateX = static_cast<int32_t>(std::lround(origin.x));
    placed.matrix.translateY = static_cast<int32_t>(std::lround(origin.y));
    for (int i = 0; i < span.len; ++i) {
        const fz_text_item& item = span.items[i];
        if (item.gid < 0) {
            continue;
        }
        const std::optional<uint16_t> glyph = addGlyph(state, slot, span.font, item.gid);
        if (!glyph) {
            return false;
        }
        fz_point at = fz_transform_point_xy(item.x, item.y, ctm);
        at.x -= static_cast<float>(placed.matrix.translateX);
        at.y -= static_cast<float>(placed.matrix.translateY);
        const fz_point local = fz_transform_point(at, layout.inverse);
        if (!(std::abs(local.x) < kMaxCoordinateTwips && std::abs(local.y) < kMaxCoordinateTwips)) {
            return false;
        }
        placed.glyphs.push_back(GlyphPosition{*glyph, static_cast<int32_t>(std::lround(local.x)),
                                              static_cast<int32_t>(std::lround(local.y))});
    }
    return true;
}

bool sameLook(const PlacedText& a, const PlacedText& b) {
    const SwfMatrix& m = a.matrix;
    const SwfMatrix& n = b.matrix;
    return a.font == b.font && a.height == b.height && a.colour == b.colour &&
           m.scaleX == n.scaleX && m.scaleY == n.scaleY && m.rotateSkew0 == n.rotateSkew0 &&
           m.rotateSkew1 == n.rotateSkew1;
}

// Lines of one font, size and colour drawn one after the other become one text: each text
// costs the file a definition and a placement, and a page has hundreds of lines.
bool joinPrevious(std::vector<DrawItem>& items, const PlacedText& text, fz_matrix inverse) {
    auto* previous = items.empty() ? nullptr : std::get_if<PlacedText>(&items.back().what);
    if (previous == nullptr || !sameLook(*previous, text) || previous->glyphs.size() > 4096) {
        return false;
    }
    const fz_point shift = fz_transform_vector(
        fz_point{static_cast<float>(text.matrix.translateX - previous->matrix.translateX),
                 static_cast<float>(text.matrix.translateY - previous->matrix.translateY)},
        inverse);
    if (!(std::abs(shift.x) < kMaxCoordinateTwips && std::abs(shift.y) < kMaxCoordinateTwips)) {
        return false;
    }
    const auto dx = static_cast<int32_t>(std::lround(shift.x));
    const auto dy = static_cast<int32_t>(std::lround(shift.y));
    for (const GlyphPosition& glyph : text.glyphs) {
        previous->glyphs.push_back(GlyphPosition{glyph.glyph, glyph.x + dx, glyph.y + dy});
    }
    return true;
}

// False when the span must be drawn some other way.
bool placeSpan(VectorState& state, const fz_text_span& span, fz_matrix ctm, Rgba colour) {
    if (span.len == 0) {
        return true;
    }
    std::optional<SpanLayout> layout = spanLayout(span, ctm);
    if (!layout) {
        // A flattened matrix draws nothing; one out of SWF's range is drawn by the raster.
        const fz_matrix m = fz_concat(span.trm, ctm);
        return std::abs(static_cast<double>(m.a) * m.d - static_cast<double>(m.b) * m.c) <= 1e-6;
    }
    FontSlot& slot = fontSlot(state, span.font);
    PlacedText placed;
    placed.font = slot.index;
    placed.matrix = layout->matrix;
    placed.height = layout->height;
    placed.colour = colour;
    if (!placeGlyphs(state, span, ctm, slot, *layout, placed)) {
        return false;
    }
    if (!placed.glyphs.empty() && !joinPrevious(currentTarget(state), placed, layout->inverse)) {
        currentTarget(state).push_back(DrawItem{std::move(placed)});
    }
    return true;
}

bool addSpanOutline(VectorState& state, const fz_text_span& span, fz_matrix ctm,
                    OutlineBuilder& builder) {
    for (int i = 0; i < span.len; ++i) {
        if (span.items[i].gid < 0) {
            continue;
        }
        const std::optional<Outline> glyph =
            glyphOutline(state.ctx, span.font, span.items[i].gid,
                         fz_concat(glyphMatrix(span, span.items[i]), ctm));
        if (!glyph || builder.outline.size() + glyph->size() > kMaxPathEdges) {
            return false;
        }
        builder.outline.insert(builder.outline.end(), glyph->begin(), glyph->end());
    }
    return true;
}

}  // namespace

std::optional<Outline> textOutline(VectorState& state, const fz_text* text, fz_matrix ctm) {
    OutlineBuilder builder;
    for (const fz_text_span* span = text->head; span != nullptr; span = span->next) {
        if (isType3(span->font) || !addSpanOutline(state, *span, ctm, builder)) {
            return std::nullopt;
        }
    }
    return std::move(builder.outline);
}

void fillText(VectorState& state, const fz_text* text, fz_matrix ctm, Rgba colour) {
    bool needsRaster = false;
    for (const fz_text_span* span = text->head; span != nullptr; span = span->next) {
        if (isType3(span->font)) {
            drawType3Span(state, *span, ctm, colour);
        } else if (state.options.textAsShapes) {
            OutlineBuilder builder;
            if (!addSpanOutline(state, *span, ctm, builder)) {
                needsRaster = true;
            } else if (!builder.outline.empty()) {
                currentTarget(state).push_back(
                    DrawItem{FilledShape{std::move(builder.outline), FillRule::NonZero, colour}});
            }
        } else if (!placeSpan(state, *span, ctm, colour)) {
            needsRaster = true;
        }
    }
    if (needsRaster) {
        if (!state.drawing.textCalls.empty() &&
            state.drawing.textCalls.back() == state.calls.last) {
            state.drawing.textCalls.pop_back();
        }
        addRasterRegion(state, boxOf(fz_bound_text(state.ctx, text, nullptr, ctm)));
    }
}

}  // namespace pageconv
