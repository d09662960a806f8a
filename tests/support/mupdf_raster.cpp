// quavelin-mupdf-raster: MuPDF's own picture of one PDF page as a PNG of a given pixel size, the
// reference the fidelity tests compare played page files against.
//
//     quavelin-mupdf-raster in.pdf PAGE WIDTH HEIGHT out.png      (PAGE counts from 1)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mupdf_support.h"

namespace {

struct Request {
    std::string pdf;
    int page = 0;
    int width = 0;
    int height = 0;
    std::string png;
};

bool parseRequest(int argc, char** argv, Request& r) {
    if (argc != 6) {
        return false;
    }
    r = {argv[1], std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), argv[5]};
    return r.page >= 1 && r.width > 0 && r.height > 0;
}

// The page as displayed (crop box, rotation) stretched to exactly width x height pixels over white,
// as a player stretches a stage to its element.
void writeRaster(const Request& r) {
    mu::ContextPtr owner = mu::newContext();
    fz_context* ctx = owner.get();
    mu::guarded(ctx, [&] { fz_register_document_handlers(ctx); });
    fz_document* doc = nullptr;
    mu::guarded(ctx, [&] { doc = fz_open_document(ctx, r.pdf.c_str()); });
    const mu::DocumentPtr docOwner = mu::own<fz_document, fz_drop_document>(ctx, doc);
    fz_page* page = nullptr;
    mu::guarded(ctx, [&] { page = fz_load_page(ctx, doc, r.page - 1); });
    const mu::PagePtr pageOwner = mu::own<fz_page, fz_drop_page>(ctx, page);
    const fz_rect bounds = fz_bound_page(ctx, page);
    const fz_matrix ctm =
        fz_concat(fz_translate(-bounds.x0, -bounds.y0),
                  fz_scale(r.width / (bounds.x1 - bounds.x0), r.height / (bounds.y1 - bounds.y0)));
    fz_pixmap* pix = nullptr;
    mu::guarded(ctx, [&] { pix = fz_new_pixmap_from_page(ctx, page, ctm, fz_device_rgb(ctx), 0); });
    const mu::PixmapPtr pixOwner = mu::own<fz_pixmap, fz_drop_pixmap>(ctx, pix);
    if (fz_pixmap_width(ctx, pix) != r.width || fz_pixmap_height(ctx, pix) != r.height) {
        throw mu::MuError("the page rounds to " + std::to_string(fz_pixmap_width(ctx, pix)) + "x" +
                          std::to_string(fz_pixmap_height(ctx, pix)) + " pixels");
    }
    mu::guarded(ctx, [&] { fz_save_pixmap_as_png(ctx, pix, r.png.c_str()); });
}

}  // namespace

int main(int argc, char** argv) {
    Request request;
    if (!parseRequest(argc, argv, request)) {
        std::fputs("usage: quavelin-mupdf-raster in.pdf PAGE WIDTH HEIGHT out.png\n", stderr);
        return 2;
    }
    try {
        writeRaster(request);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quavelin-mupdf-raster: %s\n", e.what());
        return 1;
    }
    return 0;
}
