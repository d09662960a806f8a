// The generated PDFs read back with MuPDF: page counts and sizes, links, encryption, damage.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "documents.h"
#include "mupdf_support.h"

namespace pdfgen {
namespace {

using namespace mu;

const std::filesystem::path kDir = QUAVELIN_TEST_PDF_DIR;

struct Opened {
    ContextPtr ctx;
    DocumentPtr doc;
};

Opened openPdf(const std::string& name) {
    Opened o{mu::newContext(), nullptr};
    fz_context* ctx = o.ctx.get();
    const std::string path = (kDir / name).string();
    fz_document* doc = nullptr;
    guarded(ctx, [&] {
        fz_register_document_handlers(ctx);
        doc = fz_open_document(ctx, path.c_str());
    });
    o.doc = own<fz_document, fz_drop_document>(ctx, doc);
    return o;
}

int pageCount(const Opened& o) {
    int n = 0;
    guarded(o.ctx.get(), [&] { n = fz_count_pages(o.ctx.get(), o.doc.get()); });
    return n;
}

PagePtr loadPage(const Opened& o, int index) {
    fz_page* page = nullptr;
    guarded(o.ctx.get(), [&] { page = fz_load_page(o.ctx.get(), o.doc.get(), index); });
    return own<fz_page, fz_drop_page>(o.ctx.get(), page);
}

fz_rect pageBounds(const Opened& o, int index) {
    const PagePtr page = loadPage(o, index);
    return fz_bound_page(o.ctx.get(), page.get());
}

struct FoundLink {
    fz_rect rect;
    std::string uri;
    int targetPage;  // -1 for links out of the document
};

std::vector<FoundLink> linksOn(const Opened& o, int index) {
    fz_context* ctx = o.ctx.get();
    const PagePtr page = loadPage(o, index);
    fz_link* first = nullptr;
    guarded(ctx, [&] { first = fz_load_links(ctx, page.get()); });
    const LinkPtr owned = own<fz_link, fz_drop_link>(ctx, first);
    std::vector<FoundLink> found;
    for (fz_link* l = first; l != nullptr; l = l->next) {
        int target = -1;
        if (!fz_is_external_link(ctx, l->uri)) {
            guarded(ctx, [&] {
                target = fz_page_number_from_location(
                    ctx, o.doc.get(), fz_resolve_link(ctx, o.doc.get(), l->uri, nullptr, nullptr));
            });
        }
        found.push_back({l->rect, l->uri, target});
    }
    return found;
}

void expectRect(fz_rect got, fz_rect want, const std::string& what) {
    EXPECT_NEAR(got.x0, want.x0, 0.01) << what;
    EXPECT_NEAR(got.y0, want.y0, 0.01) << what;
    EXPECT_NEAR(got.x1, want.x1, 0.01) << what;
    EXPECT_NEAR(got.y1, want.y1, 0.01) << what;
}

TEST(Documents, PageCountsAndDisplayedSizes) {
    const struct {
        const char* file;
        int pages;
        std::vector<fz_rect> sizes;  // the first pages, as displayed (after crop and rotation)
    } cases[] = {
        {"geometry.pdf",
         6,
         {{0, 0, 595, 842},
          {0, 0, 842, 595},
          {0, 0, 842, 595},
          {0, 0, 500, 600},
          {0, 0, 420, 595},
          {0, 0, 612, 792}}},
        {"sample.pdf", 8, {{0, 0, 595, 842}, {0, 0, 595, 842}}},
        {"colours.pdf", 12, {{0, 0, 595, 842}}},
        {"text200.pdf", 200, {{0, 0, 595, 842}}},
        {"images20.pdf", 20, {{0, 0, 595, 842}}},
        {"photobook.pdf", 12, {{0, 0, 842, 595}}},
        {"owner-only.pdf", 2, {{0, 0, 595, 842}}},
        {"encrypted.pdf", 3, {{0, 0, 595, 842}}},  // sizes are readable before authenticating
        {"truncated.pdf", 6, {{0, 0, 595, 842}, {0, 0, 842, 595}}},  // repaired on open
    };
    for (const auto& c : cases) {
        const Opened o = openPdf(c.file);
        EXPECT_EQ(pageCount(o), c.pages) << c.file;
        for (size_t i = 0; i < c.sizes.size(); ++i) {
            expectRect(pageBounds(o, int(i)), c.sizes[i],
                       c.file + (" page " + std::to_string(i + 1)));
        }
    }
}

TEST(Documents, LinksLandWhereTheyWereDrawn) {
    const struct {
        const char* file;
        fz_rect rect;  // page space: top-left origin, after crop and rotation
        std::string uri;
        int page;
        int targetPage;
    } cases[] = {
        {"geometry.pdf", {72, 102, 272, 142}, "https://example.com/one", 0, -1},
        {"geometry.pdf", {100, 455, 300, 495}, "https://example.com/two", 1, -1},
        {"geometry.pdf", {700, 72, 740, 272}, "https://example.com/three", 2, -1},
        {"geometry.pdf", {50, 460, 250, 500}, "https://example.com/four", 3, -1},
        {"geometry.pdf", {50, 505, 250, 545}, "", 4, 0},
        {"colours.pdf", {100, 642, 495, 742}, "", 1, 6},
        {"colours.pdf", {100, 442, 495, 542}, "https://example.com/colours", 1, -1},
    };
    for (const auto& c : cases) {
        const Opened o = openPdf(c.file);
        const std::string what = c.file + (" page " + std::to_string(c.page + 1));
        bool matched = false;
        for (const FoundLink& l : linksOn(o, c.page)) {
            const bool sameTarget = c.uri.empty() ? l.targetPage == c.targetPage : l.uri == c.uri;
            if (sameTarget) {
                expectRect(l.rect, c.rect, what + " " + l.uri);
                matched = true;
            }
        }
        EXPECT_TRUE(matched) << what << " lacks the link to " << c.uri << c.targetPage;
    }
}

TEST(Documents, LinkCountsPerPage) {
    const struct {
        const char* file;
        std::vector<size_t> counts;
    } cases[] = {
        {"geometry.pdf", {1, 1, 1, 1, 1, 0}},
        {"colours.pdf", {0, 2, 0}},
    };
    for (const auto& c : cases) {
        const Opened o = openPdf(c.file);
        for (size_t i = 0; i < c.counts.size(); ++i) {
            EXPECT_EQ(linksOn(o, int(i)).size(), c.counts[i]) << c.file << " page " << i + 1;
        }
    }
}

TEST(Documents, SampleLinksToTheWebAndToPageFive) {
    const Opened o = openPdf("sample.pdf");
    int external = 0;
    int toPageFive = 0;
    for (int i = 0; i < pageCount(o); ++i) {
        for (const FoundLink& l : linksOn(o, i)) {
            external += l.targetPage < 0 ? 1 : 0;
            toPageFive += l.targetPage == 4 ? 1 : 0;
        }
    }
    EXPECT_GE(external, 1);
    EXPECT_GE(toPageFive, 1);
}

TEST(Documents, PasswordsUnlockOnlyWhatTheyShould) {
    const struct {
        const char* file;
        const char* password;
        bool needsPassword;
        bool accepted;
    } cases[] = {
        {"encrypted.pdf", kUserPassword, true, true},
        {"encrypted.pdf", kOwnerPassword, true, true},
        {"encrypted.pdf", "wrong", true, false},
        {"encrypted.pdf", "", true, false},
        {"owner-only.pdf", kOwnerPassword, false, true},
        {"geometry.pdf", "", false, true},
    };
    for (const auto& c : cases) {
        const Opened o = openPdf(c.file);
        fz_context* ctx = o.ctx.get();
        EXPECT_EQ(fz_needs_password(ctx, o.doc.get()) != 0, c.needsPassword) << c.file;
        EXPECT_EQ(fz_authenticate_password(ctx, o.doc.get(), c.password) != 0, c.accepted)
            << c.file << " with '" << c.password << "'";
    }
}

// Reading the colour table wrongly, or drawing the wrong colour, both show in one corner pixel.
TEST(Documents, ColourPagesMatchTheTable) {
    const Opened o = openPdf("colours.pdf");
    fz_context* ctx = o.ctx.get();
    for (int i = 0; i < int(kPageColours.size()); ++i) {
        const PagePtr page = loadPage(o, i);
        fz_pixmap* pix = nullptr;
        guarded(ctx, [&] {
            pix = fz_new_pixmap_from_page(ctx, page.get(), fz_scale(0.1f, 0.1f), fz_device_rgb(ctx),
                                          0);
        });
        const auto owned = own<fz_pixmap, fz_drop_pixmap>(ctx, pix);
        // Two pixels in from the top-left corner.
        const size_t offset = size_t(fz_pixmap_stride(ctx, pix)) * 2 + 6;
        const unsigned char* s = fz_pixmap_samples(ctx, pix) + offset;
        const unsigned got = unsigned(s[0]) << 16 | unsigned(s[1]) << 8 | s[2];
        EXPECT_EQ(got, kPageColours[size_t(i)]) << "colours.pdf page " << i + 1;
    }
}

TEST(Documents, BrokenFileDoesNotOpenAsAPdfWithPages) {
    const Opened o{mu::newContext(), nullptr};
    fz_context* ctx = o.ctx.get();
    const std::string path = (kDir / "broken.pdf").string();
    int pages = -1;
    bool opened = true;
    try {
        guarded(ctx, [&] {
            fz_register_document_handlers(ctx);
            fz_document* doc = fz_open_document(ctx, path.c_str());
            fz_try(ctx) {
                pages = fz_count_pages(ctx, doc);
            }
            fz_always(ctx) {
                fz_drop_document(ctx, doc);
            }
            fz_catch(ctx) {
                fz_rethrow(ctx);
            }
        });
    } catch (const MuError&) {
        opened = false;
    }
    EXPECT_TRUE(!opened || pages == 0) << "broken.pdf opened with " << pages << " pages";
}

std::string pageText(const Opened& o, int index) {
    fz_context* ctx = o.ctx.get();
    std::string text;
    guarded(ctx, [&] {
        fz_stext_page* page = fz_new_stext_page_from_page_number(ctx, o.doc.get(), index, nullptr);
        fz_buffer* buf = nullptr;
        fz_try(ctx) {
            buf = fz_new_buffer_from_stext_page(ctx, page);
        }
        fz_always(ctx) {
            fz_drop_stext_page(ctx, page);
        }
        fz_catch(ctx) {
            fz_rethrow(ctx);
        }
        const char* utf8 = fz_string_from_buffer(ctx, buf);
        text.assign(utf8);  // cannot throw for these short pages
        fz_drop_buffer(ctx, buf);
    });
    return text;
}

// Text written through the font encoding must read back as the same characters.
TEST(Documents, TextReadsBackAsWritten) {
    const struct {
        const char* file;
        int page;
        const char* text;
    } cases[] = {
        {"geometry.pdf", 0, "Page 1"},
        {"geometry.pdf", 3, "Page 4 - cropped"},
        {"sample.pdf", 0, "Northshore"},
        {"sample.pdf", 1, "drovers\xE2\x80\x99 tracks"},                     // right single quote
        {"sample.pdf", 5, "Kelmouth \xE2\x80\x93 Arnmouth"},                 // en dash
        {"sample.pdf", 1, "Northshore Coastal Trail \xE2\x80\xA2 Visitor"},  // bullet
        {"text200.pdf", 199, "Field notes on coastal walking"},
    };
    for (const auto& c : cases) {
        const Opened o = openPdf(c.file);
        EXPECT_NE(pageText(o, c.page).find(c.text), std::string::npos)
            << c.file << " page " << c.page + 1 << " lacks: " << c.text;
    }
}

TEST(Documents, FailedSaveLeavesNothingBehind) {
    const auto dir = std::filesystem::path(testing::TempDir()) / "pdfgen_missing" / "deeper";
    std::filesystem::remove_all(dir.parent_path());
    EXPECT_THROW(writeColours(dir), std::exception);
    EXPECT_FALSE(std::filesystem::exists(dir.parent_path()));
}

std::vector<char> fileBytes(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TEST(Documents, OutputIsTheSameOnEveryRun) {
    const auto dir = std::filesystem::path(testing::TempDir()) / "pdfgen_rerun";
    std::filesystem::create_directories(dir);
    writeGeometry(dir);
    writeEncrypted(dir);  // encryption keys are random unless seeded
    writeVector(dir);     // fonts read from files and embedded by MuPDF
    for (const char* name : {"geometry.pdf", "encrypted.pdf", "vector.pdf"}) {
        EXPECT_EQ(fileBytes(dir / name), fileBytes(kDir / name)) << name;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace pdfgen
