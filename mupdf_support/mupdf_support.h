// MuPDF support shared by the page converter and the PDF generator: owning handles for MuPDF
// objects and the bridge from MuPDF's longjmp errors to C++ exceptions.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace mu {

struct MuError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// MuPDF reports errors by longjmp, which skips C++ destructors: the body must create no C++ objects
// that need destroying, and must not throw. Anything it allocates is handed to a handle afterwards.
template <typename Body>
void guarded(fz_context* ctx, Body&& body) {
    bool failed = false;
    fz_try(ctx) {
        body();
    }
    fz_catch(ctx) {
        failed = true;
    }
    if (failed) {
        throw MuError(fz_caught_message(ctx));
    }
}

struct ContextDeleter {
    void operator()(fz_context* ctx) const { fz_drop_context(ctx); }
};
using ContextPtr = std::unique_ptr<fz_context, ContextDeleter>;

// Deleters for objects whose drop function needs the context they were made in.
template <typename T, void (*Drop)(fz_context*, T*)>
struct InContextDeleter {
    fz_context* ctx = nullptr;
    void operator()(T* p) const { Drop(ctx, p); }
};
template <typename T, void (*Drop)(fz_context*, T*)>
using InContextPtr = std::unique_ptr<T, InContextDeleter<T, Drop>>;

using PdfDocPtr = InContextPtr<pdf_document, pdf_drop_document>;
using PdfObjPtr = InContextPtr<pdf_obj, pdf_drop_obj>;
using FontPtr = InContextPtr<fz_font, fz_drop_font>;
using BufferPtr = InContextPtr<fz_buffer, fz_drop_buffer>;
using ImagePtr = InContextPtr<fz_image, fz_drop_image>;
using DocumentPtr = InContextPtr<fz_document, fz_drop_document>;
using PagePtr = InContextPtr<fz_page, fz_drop_page>;
using LinkPtr = InContextPtr<fz_link, fz_drop_link>;
using PixmapPtr = InContextPtr<fz_pixmap, fz_drop_pixmap>;
using DisplayListPtr = InContextPtr<fz_display_list, fz_drop_display_list>;
using DevicePtr = InContextPtr<fz_device, fz_drop_device>;

template <typename T, void (*Drop)(fz_context*, T*)>
InContextPtr<T, Drop> own(fz_context* ctx, T* p) {
    return InContextPtr<T, Drop>(p, InContextDeleter<T, Drop>{ctx});
}

inline PdfObjPtr ownObject(fz_context* ctx, pdf_obj* obj) {
    return own<pdf_obj, pdf_drop_obj>(ctx, obj);
}

// A context with its store capped at `storeBytes`.
inline ContextPtr newContext(size_t storeBytes = 64u << 20) {
    ContextPtr ctx(fz_new_context(nullptr, nullptr, storeBytes));
    if (!ctx) {
        throw MuError("cannot create a MuPDF context");
    }
    return ctx;
}

}  // namespace mu
