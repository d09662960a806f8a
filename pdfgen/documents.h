// The generated test and sample documents, one writer per file.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "content.h"

namespace pdfgen {

// colours.pdf: page N (1-based) is filled with kPageColours[N - 1], as 0xRRGGBB.
inline constexpr std::array<unsigned, 12> kPageColours = {
    0xE6194B, 0x3CB44B, 0xFFE119, 0x4363D8, 0xF58231, 0x911EB4,
    0x42D4F4, 0xF032E6, 0xBFEF45, 0x469990, 0x9A6324, 0x800000,
};

inline constexpr const char* kUserPassword = "user-secret";
inline constexpr const char* kOwnerPassword = "owner-secret";

// One "N RRGGBB" line per page of colours.pdf.
std::string colourTableText();

void writeGeometry(const std::filesystem::path& dir);
void writeColours(const std::filesystem::path& dir);
void writeShapes(const std::filesystem::path& dir);
void writeEncrypted(const std::filesystem::path& dir);
void writeOwnerOnly(const std::filesystem::path& dir);
// Both derive from geometry.pdf, which must be written first.
void writeTruncated(const std::filesystem::path& dir);
void writeBroken(const std::filesystem::path& dir);
void writeText200(const std::filesystem::path& dir);
void writeImages20(const std::filesystem::path& dir);
void writeSample(const std::filesystem::path& dir);
// index.pdf: 8 pages labelled Cover, i, ii, A-7, A-8, a, BB, XIV; a nested outline whose last
// entries lead to pages 7 and 8; Latin, Greek, Japanese and Arabic text on pages 2 to 5, a page
// rotated by 90 degrees (6) and a scanned page with invisible text (7); language en.
void writeIndex(const std::filesystem::path& dir);
// tagged.pdf: a tagged page (heading, hyphenated paragraph, figure with alternative text, list,
// artifact footer) and a scanned page without text; title only in XMP, language en-GB.
void writeTagged(const std::filesystem::path& dir);
// rtl.pdf: kRightToLeftPages pages that read right to left (/ViewerPreferences /Direction /R2L),
// page N in kPageColours[N - 1] with its number and an Arabic line; an outline of three entries
// leading to pages 1, 2 and 4.
inline constexpr size_t kRightToLeftPages = 6;
void writeRightToLeft(const std::filesystem::path& dir);

// vector.pdf: one feature a page, in this order (names for tests and their artifacts).
inline constexpr std::array<const char*, 19> kVectorPages = {
    "standard-font",  "truetype-font",  "cff-font",       "type3-font",   "text-transforms",
    "render-modes",   "dashed-strokes", "fill-rules",     "nested-clips", "soft-mask",
    "image-mask",     "jpeg-image",     "lossless-image", "shading-sh",   "shading-pattern",
    "blend-multiply", "group-alpha",    "rotate-90",      "crop-box"};
void writeVector(const std::filesystem::path& dir);
// vector-hostile.pdf: a 300,000-segment path, zero and 1e6 scales, coordinates near 1e9, a font
// whose program is garbage, glyphs without outlines.
inline constexpr std::array<const char*, 6> kHostilePages = {
    "long-path",       "degenerate-transforms", "huge-transforms",
    "far-coordinates", "garbage-font",          "empty-glyphs"};
void writeVectorHostile(const std::filesystem::path& dir);
// vector-controls.pdf: vector.pdf's pages with one defect each, for comparisons to tell apart from
// the real pages: standard-font without one glyph, render-modes with the clip of mode 7 lost,
// fill-rules with the even-odd star filled nonzero, nested-clips without the inner clip, and
// blend-multiply blending normally.
void writeVectorControls(const std::filesystem::path& dir);

// Files with the quirks of real documents that once failed to convert:
// encrypted-objstm.pdf: two pages, RC4-encrypted (kUserPassword, kOwnerPassword), with the catalog
// and page tree inside an encrypted object stream;
void writeEncryptedObjectStream(const std::filesystem::path& dir);
// encrypted-attachment.pdf: one page readable without a password; only its attached file is
// encrypted (a user password is set);
void writeEncryptedAttachment(const std::filesystem::path& dir);
// claimed-pages.pdf: one page under a page tree that claims 1,410,065,407;
void writeClaimedPages(const std::filesystem::path& dir);
// page-cycle.pdf: kCyclePages pages, page kCycleAt a page-tree node that is its own kid;
inline constexpr int kCyclePages = 40;
inline constexpr int kCycleAt = 2;
void writePageCycle(const std::filesystem::path& dir);
// zero-width-image.pdf: two pages; the second draws text, an image of width 0, a green square
// and more text.
void writeZeroWidthImage(const std::filesystem::path& dir);
// broken-hinting.pdf: kBrokenHintingLines in an embedded TrueType CID font (Identity-H) whose
// hinting program fails, and a line in Helvetica;
inline constexpr std::array<const char*, 3> kBrokenHintingLines = {
    "Text that must not vanish", "Glyphs drawn from outlines", "Third line: 0123456789"};
void writeBrokenHinting(const std::filesystem::path& dir);
// crop-marks.pdf: a crop box (kCropMarksCrop) far inside the media box, with a square and a line
// of text inside, a line running across its right edge, and slug lines, marks and a bleed
// outside, the slug lines in fonts used nowhere else.
inline constexpr Rect kCropMarksCrop{100, 600, 400, 700};
void writeCropMarks(const std::filesystem::path& dir);
// blended-text.pdf: an A4 page of kBlendedTextLines lines of text, a Multiply highlight over the
// second and a square (kBlendedTextSquare) under a soft mask whose group covers the whole page.
inline constexpr int kBlendedTextLines = 30;
inline constexpr Rect kBlendedTextSquare{400, 300, 460, 360};
void writeBlendedText(const std::filesystem::path& dir);
// gradients.pdf: axial and radial shadings, one case a page, in this order; the last (two
// circles apart) is a cone that SWF's gradients cannot draw.
inline constexpr std::array<const char*, 8> kGradientPages = {
    "axial-stops",   "axial-rotated", "radial-concentric", "radial-focal",
    "radial-nested", "patterns",      "axial-alpha",       "radial-cone"};
void writeGradients(const std::filesystem::path& dir);
// photobook.pdf: a landscape picture book of 12 pages, photographs at 144 dpi: a title over a
// full-bleed photograph, a foreword of text alone, then twice over a full-bleed photograph, one
// with a caption on a band, one framed with two lines of caption and a pair with captions, with
// a grid of four and text beside a photograph between them.
void writePhotoBook(const std::filesystem::path& dir);

// Every file, in an order that satisfies the dependencies above.
std::vector<std::string> generatedFileNames();
void writeAll(const std::filesystem::path& dir);

}  // namespace pdfgen
