// Collecting the glyphs the pages import, and writing them as one SWF file of DefineFont3 tags
// with their ExportAssets.
#include "swf/font_library.h"

#include "swf/swf_writer.h"
#include "swf/vector_tags.h"

#include <algorithm>

namespace pageconv {
namespace {

constexpr int32_t kLastGlyphNumber = 0xFFFE;  // DefineFont3 counts glyphs in 16 bits

bool canShare(const SwfFont& font) {
    return !font.key.empty() && !font.glyphs.empty() &&
           std::all_of(font.glyphs.begin(), font.glyphs.end(), [](const Glyph& g) {
               return g.fontGlyph >= 0 && g.fontGlyph <= kLastGlyphNumber;
           });
}

void keepEarliest(LibraryFont& font, int pageNumber, const Glyph& glyph) {
    const auto number = static_cast<uint16_t>(glyph.fontGlyph);
    const auto known = font.glyphs.find(number);
    if (known == font.glyphs.end() || known->second.page > pageNumber) {
        Glyph kept = glyph;
        kept.code = number;  // unique within the font, as the page's own codes are not
        font.glyphs[number] = LibraryGlyph{pageNumber, std::move(kept)};
    }
}

// Every number up to the highest used holds a glyph; the unused ones are empty and cost a few
// bytes each before compression.
SwfFont libraryFontGlyphs(const LibraryFont& font) {
    SwfFont whole;
    whole.name = font.name;
    const uint16_t last = font.glyphs.empty() ? 0 : font.glyphs.rbegin()->first;
    whole.glyphs.resize(size_t{last} + 1);
    for (size_t i = 0; i < whole.glyphs.size(); ++i) {
        whole.glyphs[i].code = static_cast<uint16_t>(i);
    }
    for (const auto& [number, kept] : font.glyphs) {
        whole.glyphs[number] = kept.glyph;
    }
    return whole;
}

}  // namespace

std::string exportName(const std::string& key) {
    return "font-" + key;
}

void importSharedFonts(VectorPage& page, const std::string& address) {
    page.fontLibrary = address;
    for (SwfFont& font : page.fonts) {
        if (!canShare(font)) {
            continue;
        }
        FontImport import{exportName(font.key), {}};
        for (const Glyph& glyph : font.glyphs) {
            import.glyphs.push_back(static_cast<uint16_t>(glyph.fontGlyph));
        }
        font.import = std::move(import);
    }
}

void addToLibrary(FontLibrary& library, int pageNumber, const VectorPage& page) {
    const std::lock_guard<std::mutex> held(library.lock);
    for (const SwfFont& font : page.fonts) {
        if (!font.import) {
            continue;
        }
        LibraryFont& kept = library.fonts[font.import->name];
        if (kept.name.empty() || kept.page > pageNumber) {
            kept.name = font.name;
            kept.page = pageNumber;
        }
        for (const Glyph& glyph : font.glyphs) {
            keepEarliest(kept, pageNumber, glyph);
        }
    }
}

std::optional<Bytes> fontLibraryFile(FontLibrary& library, uint8_t version, bool compress) {
    const std::lock_guard<std::mutex> held(library.lock);
    if (library.fonts.empty()) {
        return std::nullopt;
    }
    Bytes tags;
    std::vector<ExportedFont> exported;
    uint16_t id = 1;
    for (const auto& [name, font] : library.fonts) {
        append(tags, fontTag(id, libraryFontGlyphs(font)));
        exported.push_back(ExportedFont{id, name});
        ++id;
    }
    append(tags, exportAssets(exported));
    append(tags, makeTag(tag::kShowFrame, {}));
    append(tags, makeTag(tag::kEnd, {}));
    SwfHeader header;
    header.version = version;
    header.stage = TwipRect{0, 20, 0, 20};
    return makeSwfFile(header, tags, compress);
}

}  // namespace pageconv
