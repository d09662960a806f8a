// The JPEG images a page draws directly, decoded ahead of MuPDF. fz_try unwinds with longjmp
// and so does libjpeg's error handler here: the functions that use either hold no C++ objects
// with destructors.
#include "pdf/image_preload.h"

#include "common/jpeg_errors.h"

#include <mupdf/pdf.h>

#include <cstdio>

namespace pageconv {
namespace {

bool isName(fz_context* ctx, pdf_obj* obj, pdf_obj* name) {
    return pdf_is_name(ctx, obj) && pdf_name_eq(ctx, obj, name);
}

bool onlyDctFilter(fz_context* ctx, pdf_obj* filter) {
    if (pdf_is_array(ctx, filter)) {
        return pdf_array_len(ctx, filter) == 1 &&
               isName(ctx, pdf_array_get(ctx, filter, 0), PDF_NAME(DCTDecode));
    }
    return isName(ctx, filter, PDF_NAME(DCTDecode));
}

// An 8-bit DeviceGray or DeviceRGB JPEG with nothing that changes its samples after decoding.
bool plainJpeg(fz_context* ctx, pdf_obj* image, long long maxPixels) {
    if (!pdf_is_stream(ctx, image) ||
        !isName(ctx, pdf_dict_get(ctx, image, PDF_NAME(Subtype)), PDF_NAME(Image)) ||
        !onlyDctFilter(ctx, pdf_dict_get(ctx, image, PDF_NAME(Filter))) ||
        pdf_dict_get_int(ctx, image, PDF_NAME(BitsPerComponent)) != 8) {
        return false;
    }
    for (pdf_obj* key : {PDF_NAME(DecodeParms), PDF_NAME(Decode), PDF_NAME(SMask), PDF_NAME(Mask),
                         PDF_NAME(ImageMask)}) {
        if (pdf_dict_get(ctx, image, key) != nullptr) {
            return false;
        }
    }
    pdf_obj* space = pdf_dict_get(ctx, image, PDF_NAME(ColorSpace));
    if (!isName(ctx, space, PDF_NAME(DeviceRGB)) && !isName(ctx, space, PDF_NAME(DeviceGray))) {
        return false;
    }
    const long long w = pdf_dict_get_int(ctx, image, PDF_NAME(Width));
    const long long h = pdf_dict_get_int(ctx, image, PDF_NAME(Height));
    return w > 0 && h > 0 && w * h <= maxPixels;
}

// A plain JPEG is DeviceGray or DeviceRGB.
bool isGray(fz_context* ctx, pdf_obj* image) {
    return isName(ctx, pdf_dict_get(ctx, image, PDF_NAME(ColorSpace)), PDF_NAME(DeviceGray));
}

// Decodes the stream into the pixmap's rows; false when it is not a JPEG of exactly the
// pixmap's size and components.
bool decodeInto(const unsigned char* data, size_t size, unsigned char* samples, int width,
                int height, int components, ptrdiff_t stride) {
    jpeg_decompress_struct info{};
    JumpingErrorManager errors{};
    info.err = jumpingErrors(errors);
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_width != static_cast<JDIMENSION>(width) ||
        info.output_height != static_cast<JDIMENSION>(height) ||
        info.output_components != components) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = samples + static_cast<ptrdiff_t>(info.output_scanline) * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

fz_pixmap* decodeImage(fz_context* ctx, pdf_obj* image) {
    fz_buffer* data = nullptr;
    fz_pixmap* pixmap = nullptr;
    fz_var(data);
    fz_var(pixmap);
    fz_try(ctx) {
        data = pdf_load_raw_stream(ctx, image);
        pixmap = fz_new_pixmap(ctx, isGray(ctx, image) ? fz_device_gray(ctx) : fz_device_rgb(ctx),
                               pdf_dict_get_int(ctx, image, PDF_NAME(Width)),
                               pdf_dict_get_int(ctx, image, PDF_NAME(Height)), nullptr, 0);
        unsigned char* bytes = nullptr;
        const size_t size = fz_buffer_storage(ctx, data, &bytes);
        if (!decodeInto(bytes, size, fz_pixmap_samples(ctx, pixmap), fz_pixmap_width(ctx, pixmap),
                        fz_pixmap_height(ctx, pixmap), fz_pixmap_components(ctx, pixmap),
                        fz_pixmap_stride(ctx, pixmap))) {
            fz_drop_pixmap(ctx, pixmap);
            pixmap = nullptr;
        }
    }
    fz_always(ctx) {
        fz_drop_buffer(ctx, data);
    }
    fz_catch(ctx) {
        fz_drop_pixmap(ctx, pixmap);
        return nullptr;
    }
    return pixmap;
}

void storeDecoded(fz_context* ctx, pdf_obj* object, fz_pixmap* pixmap) {
    fz_image* image = nullptr;
    fz_var(image);
    fz_try(ctx) {
        image = fz_new_image_from_pixmap(ctx, pixmap, nullptr);
        image->interpolate = pdf_dict_get_bool(ctx, object, PDF_NAME(Interpolate)) ? 1 : 0;
        pdf_store_item(ctx, object, image, fz_image_size(ctx, image));
    }
    fz_always(ctx) {
        fz_drop_image(ctx, image);
    }
    fz_catch(ctx) {
        // Not stored: MuPDF decodes the image itself.
    }
}

bool alreadyLoaded(fz_context* ctx, pdf_obj* object) {
    void* known = pdf_find_item(ctx, fz_drop_image_imp, object);
    fz_drop_image(ctx, static_cast<fz_image*>(known));
    return known != nullptr;
}

void preloadImage(fz_context* ctx, pdf_obj* object) {
    if (alreadyLoaded(ctx, object)) {
        return;
    }
    fz_pixmap* pixmap = decodeImage(ctx, object);
    if (pixmap != nullptr) {
        storeDecoded(ctx, object, pixmap);
        fz_drop_pixmap(ctx, pixmap);
    }
}

long long decodedBytes(fz_context* ctx, pdf_obj* image) {
    return pdf_dict_get_int(ctx, image, PDF_NAME(Width)) *
           static_cast<long long>(pdf_dict_get_int(ctx, image, PDF_NAME(Height))) *
           (isGray(ctx, image) ? 1 : 3);
}

constexpr int kMaxCandidates = 16;

struct Candidates {
    pdf_obj* images[kMaxCandidates] = {};
    int count = 0;
    long long bytes = 0;
};

// The plain JPEGs among the page's XObjects; none when there are more than fit in the array.
void findCandidates(fz_context* ctx, fz_page* page, long long maxPixels, Candidates& found) {
    pdf_page* pdfPage = pdf_page_from_fz_page(ctx, page);
    if (pdfPage == nullptr) {
        return;
    }
    fz_try(ctx) {
        pdf_obj* resources = pdf_dict_get_inheritable(ctx, pdfPage->obj, PDF_NAME(Resources));
        pdf_obj* objects = pdf_dict_get(ctx, resources, PDF_NAME(XObject));
        const int count = pdf_dict_len(ctx, objects);
        for (int i = 0; i < count && found.count <= kMaxCandidates; ++i) {
            pdf_obj* object = pdf_dict_get_val(ctx, objects, i);
            if (plainJpeg(ctx, object, maxPixels)) {
                if (found.count < kMaxCandidates) {
                    found.images[found.count] = object;
                    found.bytes += decodedBytes(ctx, object);
                }
                ++found.count;
            }
        }
    }
    fz_catch(ctx) {
        found.count = 0;  // a damaged resource dictionary: the page is drawn as MuPDF reads it
    }
}

void preloadFound(fz_context* ctx, fz_page* page, long long maxPixels, long long maxBytes,
                  bool forgetLoaded) {
    Candidates found;
    findCandidates(ctx, page, maxPixels, found);
    if (found.count > kMaxCandidates || found.bytes > maxBytes) {
        return;
    }
    for (int i = 0; i < found.count; ++i) {
        if (forgetLoaded) {
            pdf_remove_item(ctx, fz_drop_image_imp, found.images[i]);
        }
        preloadImage(ctx, found.images[i]);
    }
}

}  // namespace

void preloadPageJpegs(PdfSession& session, fz_page* page, long long maxPixels, long long maxBytes) {
    preloadFound(session.context.get(), page, maxPixels, maxBytes, false);
}

void reloadPageJpegs(PdfSession& session, fz_page* page, long long maxPixels, long long maxBytes) {
    preloadFound(session.context.get(), page, maxPixels, maxBytes, true);
}

}  // namespace pageconv
