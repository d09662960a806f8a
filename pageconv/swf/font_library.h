// The book's font library: every glyph the pages use, written once into one file beside the
// pages, which the pages import their fonts from instead of carrying each its own copy. The
// library's glyph numbers are the source font's own, so a page knows them without waiting for
// the others, and workers on different pages agree without talking to each other.
#pragma once

#include "swf/vector_page.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace pageconv {

struct LibraryGlyph {
    int page = 0;  // the earliest page that used it: which copy is kept does not depend on timing
    Glyph glyph;
};

struct LibraryFont {
    std::string name;
    int page = 0;
    std::map<uint16_t, LibraryGlyph> glyphs;  // by glyph number
};

// Shared by the run's workers.
struct FontLibrary {
    std::string address;  // where the pages import it from, as the player resolves it
    std::mutex lock;
    std::map<std::string, LibraryFont> fonts;  // by export name
};

// The name a source font is exported under.
std::string exportName(const std::string& key);

// Makes each font of the page that the library can hold an import from `address`: those with a
// key whose glyphs all carry their number in the source font.
void importSharedFonts(VectorPage& page, const std::string& address);

// Adds the glyphs of the page's imported fonts.
void addToLibrary(FontLibrary& library, int pageNumber, const VectorPage& page);

// The library file, fonts in the order of their names; nothing when no page imports a font.
std::optional<Bytes> fontLibraryFile(FontLibrary& library, uint8_t version, bool compress);

}  // namespace pageconv
