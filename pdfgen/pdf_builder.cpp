// A PDF document under construction: standard and embedded fonts, images, objects written as PDF
// syntax, pages, links, metadata and saving.
#include "pdf_builder.h"

#include <cstdio>
#include <cstring>
#include <system_error>

// MuPDF seeds this generator from the clock; encryption keys come from it. Not in MuPDF's public
// headers, but exported by the library.
extern "C" void fz_srand48(fz_context* ctx, int32_t seed);  // NOLINT(readability-identifier-naming)

namespace pdfgen {
namespace {

template <typename Body>
auto guardedValue(fz_context* ctx, Body&& body) {
    decltype(body()) value{};
    guarded(ctx, [&] { value = body(); });
    return value;
}

void addStandardFont(PdfDoc& pdf, std::string resource, const char* base14Name) {
    fz_context* ctx = pdf.ctx.get();
    FontPtr font = own<fz_font, fz_drop_font>(
        ctx, guardedValue(ctx, [&] { return fz_new_base14_font(ctx, base14Name); }));
    pdf_obj* dict = guardedValue(ctx, [&] {
        return pdf_add_simple_font(ctx, pdf.doc.get(), font.get(), PDF_SIMPLE_ENCODING_LATIN);
    });
    pdf.fonts.push_back({std::move(resource), std::move(font), mu::ownObject(ctx, dict)});
}

void addAlphaState(PdfDoc& pdf, std::string_view name, double alpha) {
    fz_context* ctx = pdf.ctx.get();
    const std::string key(name);
    guarded(ctx, [&] {
        pdf_obj* gs = pdf_dict_puts_dict(ctx, pdf.graphicsStates.get(), key.c_str(), 3);
        pdf_dict_put(ctx, gs, PDF_NAME(Type), PDF_NAME(ExtGState));
        pdf_dict_put_real(ctx, gs, PDF_NAME(ca), alpha);
        pdf_dict_put_real(ctx, gs, PDF_NAME(CA), alpha);
    });
}

void setInfo(PdfDoc& pdf, std::string_view title) {
    fz_context* ctx = pdf.ctx.get();
    const std::string text(title);
    guarded(ctx, [&] {
        pdf_obj* info = pdf_add_new_dict(ctx, pdf.doc.get(), 3);
        pdf_dict_put_text_string(ctx, info, PDF_NAME(Title), text.c_str());
        pdf_dict_put_text_string(ctx, info, PDF_NAME(Creator), "quavelin-pdfgen");
        pdf_dict_put_drop(ctx, pdf_trailer(ctx, pdf.doc.get()), PDF_NAME(Info), info);
    });
}

const StandardFont& fontNamed(const PdfDoc& pdf, std::string_view resource) {
    for (const StandardFont& f : pdf.fonts) {
        if (f.resource == resource) {
            return f;
        }
    }
    throw std::invalid_argument("no standard font " + std::string(resource));
}

// The page's own dictionary of a resource category. The graphics states are shared by every page,
// so a page that adds one gets a copy first.
pdf_obj* categoryOfPage(fz_context* ctx, PdfDoc& pdf, pdf_obj* res, const char* category) {
    pdf_obj* dict = pdf_dict_gets(ctx, res, category);
    if (dict == pdf.graphicsStates.get()) {
        dict = pdf_copy_dict(ctx, dict);
        pdf_dict_puts_drop(ctx, res, category, dict);
    }
    return dict != nullptr ? dict : pdf_dict_puts_dict(ctx, res, category, 4);
}

PdfObjPtr parseObject(PdfDoc& pdf, std::string_view syntax) {
    fz_context* ctx = pdf.ctx.get();
    const std::string text(syntax);
    pdf_obj* obj = nullptr;
    guarded(ctx, [&] {
        fz_stream* stm =
            fz_open_memory(ctx, reinterpret_cast<const unsigned char*>(text.data()), text.size());
        pdf_lexbuf lex;
        pdf_lexbuf_init(ctx, &lex, PDF_LEXBUF_SMALL);
        fz_try(ctx) {
            obj = pdf_parse_stm_obj(ctx, pdf.doc.get(), stm, &lex);
        }
        fz_always(ctx) {
            pdf_lexbuf_fin(ctx, &lex);
            fz_drop_stream(ctx, stm);
        }
        fz_catch(ctx) {
            fz_rethrow(ctx);
        }
    });
    return mu::ownObject(ctx, obj);
}

BufferPtr bufferOf(fz_context* ctx, std::string_view bytes) {
    return own<fz_buffer, fz_drop_buffer>(
        ctx, guardedValue(ctx, [&] {
            return fz_new_buffer_from_copied_data(
                ctx, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        }));
}

PdfObjPtr pageResources(PdfDoc& pdf, const PageSpec& spec) {
    fz_context* ctx = pdf.ctx.get();
    PdfObjPtr res =
        mu::ownObject(ctx, guardedValue(ctx, [&] { return pdf_new_dict(ctx, pdf.doc.get(), 3); }));
    guarded(ctx, [&] {
        pdf_obj* fonts = pdf_dict_put_dict(ctx, res.get(), PDF_NAME(Font), 8);
        for (const StandardFont& f : pdf.fonts) {
            pdf_dict_puts(ctx, fonts, f.resource.c_str(), f.dict.get());
        }
        pdf_dict_put(ctx, res.get(), PDF_NAME(ExtGState), pdf.graphicsStates.get());
        pdf_obj* xobjects = pdf_dict_put_dict(ctx, res.get(), PDF_NAME(XObject), 2);
        for (const auto& [name, image] : spec.images) {
            pdf_dict_puts(ctx, xobjects, name.c_str(), image);
        }
    });
    for (const Resource& r : spec.resources) {
        guarded(ctx, [&] {
            pdf_dict_puts(ctx, categoryOfPage(ctx, pdf, res.get(), r.category.c_str()),
                          r.name.c_str(), r.object);
        });
    }
    return res;
}

void addLinkAnnotation(PdfDoc& pdf, pdf_obj* annots, const Link& link) {
    fz_context* ctx = pdf.ctx.get();
    pdf_obj* target = link.uri.empty() ? pdf.pages.at(link.targetPage).get() : nullptr;
    const fz_rect rect{float(link.rect.x0), float(link.rect.y0), float(link.rect.x1),
                       float(link.rect.y1)};
    guarded(ctx, [&] {
        pdf_obj* annot = pdf_add_new_dict(ctx, pdf.doc.get(), 6);
        pdf_array_push_drop(ctx, annots, annot);
        pdf_dict_put(ctx, annot, PDF_NAME(Type), PDF_NAME(Annot));
        pdf_dict_put(ctx, annot, PDF_NAME(Subtype), PDF_NAME(Link));
        pdf_dict_put_rect(ctx, annot, PDF_NAME(Rect), rect);
        pdf_obj* border = pdf_dict_put_array(ctx, annot, PDF_NAME(Border), 3);
        for (int i = 0; i < 3; ++i) {
            pdf_array_push_int(ctx, border, 0);
        }
        if (target != nullptr) {
            pdf_obj* dest = pdf_dict_put_array(ctx, annot, PDF_NAME(Dest), 2);
            pdf_array_push(ctx, dest, target);
            pdf_array_push(ctx, dest, PDF_NAME(Fit));
        } else {
            pdf_obj* action = pdf_dict_put_dict(ctx, annot, PDF_NAME(A), 2);
            pdf_dict_put(ctx, action, PDF_NAME(S), PDF_NAME(URI));
            pdf_dict_put_string(ctx, action, PDF_NAME(URI), link.uri.data(), link.uri.size());
        }
    });
}

pdf_write_options writeOptions(const Encryption& encryption) {
    pdf_write_options opts = pdf_default_write_options;
    opts.do_compress = 1;
    opts.do_compress_images = 1;
    opts.do_compress_fonts = 1;
    opts.do_garbage = 1;
    opts.do_encrypt = encryption.method;
    opts.permissions = encryption.permissions;
    std::strncpy(opts.opwd_utf8, encryption.ownerPassword.c_str(), sizeof opts.opwd_utf8 - 1);
    std::strncpy(opts.upwd_utf8, encryption.userPassword.c_str(), sizeof opts.upwd_utf8 - 1);
    return opts;
}

}  // namespace

PdfDoc newPdfDoc(std::string_view title) {
    PdfDoc pdf;
    pdf.ctx = mu::newContext();
    fz_context* ctx = pdf.ctx.get();
    // Fixed seed: the same generator run writes the same bytes, encrypted files included.
    fz_srand48(ctx, 20240601);
    pdf.doc = own<pdf_document, pdf_drop_document>(
        ctx, guardedValue(ctx, [&] { return pdf_create_document(ctx); }));
    addStandardFont(pdf, std::string(kSans), "Helvetica");
    addStandardFont(pdf, std::string(kSansBold), "Helvetica-Bold");
    addStandardFont(pdf, std::string(kSerif), "Times-Roman");
    addStandardFont(pdf, std::string(kSerifItalic), "Times-Italic");
    addStandardFont(pdf, std::string(kSerifBold), "Times-Bold");
    pdf.graphicsStates =
        mu::ownObject(ctx, guardedValue(ctx, [&] { return pdf_new_dict(ctx, pdf.doc.get(), 3); }));
    addAlphaState(pdf, kAlpha25, 0.25);
    addAlphaState(pdf, kAlpha50, 0.5);
    addAlphaState(pdf, kAlpha80, 0.8);
    setInfo(pdf, title);
    return pdf;
}

WidthOf widthOf(const PdfDoc& pdf, std::string_view font) {
    fz_context* ctx = pdf.ctx.get();
    fz_font* face = fontNamed(pdf, font).font.get();
    return [ctx, face](std::string_view utf8) {
        const std::u32string text = decodeUtf8(utf8);
        double width = 0;
        guarded(ctx, [&] {
            for (char32_t cp : text) {
                width += fz_advance_glyph(ctx, face, fz_encode_character(ctx, face, int(cp)), 0);
            }
        });
        return width;
    };
}

PdfObjPtr addLosslessImage(PdfDoc& pdf, const RgbPixels& pixels) {
    fz_context* ctx = pdf.ctx.get();
    auto pix = own<fz_pixmap, fz_drop_pixmap>(
        ctx, guardedValue(ctx, [&] {
            return fz_new_pixmap(ctx, fz_device_rgb(ctx), pixels.width, pixels.height, nullptr, 0);
        }));
    const size_t rowBytes = size_t(pixels.width) * 3;
    for (int y = 0; y < pixels.height; ++y) {
        std::memcpy(
            fz_pixmap_samples(ctx, pix.get()) + size_t(y) * fz_pixmap_stride(ctx, pix.get()),
            pixels.samples.data() + y * rowBytes, rowBytes);
    }
    ImagePtr image = own<fz_image, fz_drop_image>(
        ctx, guardedValue(ctx, [&] { return fz_new_image_from_pixmap(ctx, pix.get(), nullptr); }));
    return mu::ownObject(
        ctx, guardedValue(ctx, [&] { return pdf_add_image(ctx, pdf.doc.get(), image.get()); }));
}

PdfObjPtr addJpegImage(PdfDoc& pdf, const std::vector<unsigned char>& jpeg) {
    fz_context* ctx = pdf.ctx.get();
    BufferPtr data = own<fz_buffer, fz_drop_buffer>(ctx, guardedValue(ctx, [&] {
                                                        return fz_new_buffer_from_copied_data(
                                                            ctx, jpeg.data(), jpeg.size());
                                                    }));
    ImagePtr image = own<fz_image, fz_drop_image>(
        ctx, guardedValue(ctx, [&] { return fz_new_image_from_buffer(ctx, data.get()); }));
    return mu::ownObject(
        ctx, guardedValue(ctx, [&] { return pdf_add_image(ctx, pdf.doc.get(), image.get()); }));
}

PdfObjPtr addObject(PdfDoc& pdf, std::string_view syntax) {
    fz_context* ctx = pdf.ctx.get();
    const PdfObjPtr direct = parseObject(pdf, syntax);
    return mu::ownObject(
        ctx, guardedValue(ctx, [&] { return pdf_add_object(ctx, pdf.doc.get(), direct.get()); }));
}

PdfObjPtr addStream(PdfDoc& pdf, std::string_view dictionary, std::string_view data) {
    fz_context* ctx = pdf.ctx.get();
    const PdfObjPtr dict = parseObject(pdf, dictionary);
    const BufferPtr buf = bufferOf(ctx, data);
    return mu::ownObject(ctx, guardedValue(ctx, [&] {
                             return pdf_add_stream(ctx, pdf.doc.get(), buf.get(), dict.get(), 0);
                         }));
}

std::string reference(const PdfDoc& pdf, const PdfObjPtr& object) {
    return std::to_string(pdf_to_num(pdf.ctx.get(), object.get())) + " 0 R";
}

EmbeddedFont addTrueTypeFont(PdfDoc& pdf, const std::filesystem::path& file) {
    fz_context* ctx = pdf.ctx.get();
    const std::string path = file.string();
    if (!std::filesystem::is_regular_file(file)) {
        throw std::runtime_error("missing font " + path + " (scripts/install-deps.sh installs it)");
    }
    FontPtr face = own<fz_font, fz_drop_font>(
        ctx,
        guardedValue(ctx, [&] { return fz_new_font_from_file(ctx, nullptr, path.c_str(), 0, 0); }));
    pdf_obj* dict = guardedValue(ctx, [&] {
        return pdf_add_simple_font(ctx, pdf.doc.get(), face.get(), PDF_SIMPLE_ENCODING_LATIN);
    });
    return {std::move(face), mu::ownObject(ctx, dict)};
}

EmbeddedFont addCffFont(PdfDoc& pdf, const char* base14Name) {
    fz_context* ctx = pdf.ctx.get();
    FontPtr face = own<fz_font, fz_drop_font>(
        ctx, guardedValue(ctx, [&] { return fz_new_base14_font(ctx, base14Name); }));
    pdf_obj* dict =
        guardedValue(ctx, [&] { return pdf_add_cid_font(ctx, pdf.doc.get(), face.get()); });
    return {std::move(face), mu::ownObject(ctx, dict)};
}

EmbeddedFont addCidTrueTypeFont(PdfDoc& pdf, const std::vector<unsigned char>& program) {
    fz_context* ctx = pdf.ctx.get();
    const BufferPtr data = own<fz_buffer, fz_drop_buffer>(
        ctx, guardedValue(ctx, [&] {
            return fz_new_buffer_from_copied_data(ctx, program.data(), program.size());
        }));
    FontPtr face = own<fz_font, fz_drop_font>(
        ctx,
        guardedValue(ctx, [&] { return fz_new_font_from_buffer(ctx, nullptr, data.get(), 0, 0); }));
    pdf_obj* dict =
        guardedValue(ctx, [&] { return pdf_add_cid_font(ctx, pdf.doc.get(), face.get()); });
    return {std::move(face), mu::ownObject(ctx, dict)};
}

std::string glyphIds(const PdfDoc& pdf, const EmbeddedFont& font, std::string_view utf8) {
    fz_context* ctx = pdf.ctx.get();
    std::string hex = "<";
    for (char32_t cp : decodeUtf8(utf8)) {
        int gid = 0;
        guarded(ctx, [&] { gid = fz_encode_character(ctx, font.face.get(), int(cp)); });
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04X", unsigned(gid));
        hex += digits;
    }
    return hex + ">";
}

EmbeddedFont addCjkFont(PdfDoc& pdf) {
    fz_context* ctx = pdf.ctx.get();
    FontPtr face = own<fz_font, fz_drop_font>(
        ctx, guardedValue(ctx, [&] { return fz_new_cjk_font(ctx, FZ_ADOBE_JAPAN); }));
    pdf_obj* dict = guardedValue(ctx, [&] {
        return pdf_add_cjk_font(ctx, pdf.doc.get(), face.get(), FZ_ADOBE_JAPAN, 0, 0);
    });
    return {std::move(face), mu::ownObject(ctx, dict)};
}

std::string ucs2Codes(std::string_view utf8) {
    std::string hex = "<";
    const auto unit = [&hex](unsigned value) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04X", value);
        hex += digits;
    };
    for (const char32_t cp : decodeUtf8(utf8)) {
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(unsigned(cp));
        }
    }
    return hex + ">";
}

EmbeddedFont addNotoFont(PdfDoc& pdf, int ucdnScript) {
    fz_context* ctx = pdf.ctx.get();
    FontPtr face = own<fz_font, fz_drop_font>(
        ctx, guardedValue(ctx, [&] {
            int size = 0;
            int index = 0;
            const unsigned char* data = fz_lookup_noto_font(ctx, ucdnScript, 0, &size, &index);
            if (data == nullptr) {
                fz_throw(ctx, FZ_ERROR_GENERIC, "no built-in font for the script");
            }
            return fz_new_font_from_memory(ctx, nullptr, data, size, index, 0);
        }));
    pdf_obj* dict =
        guardedValue(ctx, [&] { return pdf_add_cid_font(ctx, pdf.doc.get(), face.get()); });
    return {std::move(face), mu::ownObject(ctx, dict)};
}

namespace {

pdf_obj* catalogOf(PdfDoc& pdf) {
    fz_context* ctx = pdf.ctx.get();
    return guardedValue(
        ctx, [&] { return pdf_dict_get(ctx, pdf_trailer(ctx, pdf.doc.get()), PDF_NAME(Root)); });
}

// Makes one level of items under `parent` and returns how many items it holds in all.
int addOutlineLevel(PdfDoc& pdf, pdf_obj* parent, const std::vector<OutlineItem>& items) {
    fz_context* ctx = pdf.ctx.get();
    std::vector<PdfObjPtr> made;
    for (size_t i = 0; i < items.size(); ++i) {
        made.push_back(mu::ownObject(
            ctx, guardedValue(ctx, [&] { return pdf_add_new_dict(ctx, pdf.doc.get(), 8); })));
    }
    int count = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        pdf_obj* item = made[i].get();
        pdf_obj* target = pdf.pages.at(size_t(items[i].targetPage)).get();
        guarded(ctx, [&] {
            pdf_dict_put_text_string(ctx, item, PDF_NAME(Title), items[i].title.c_str());
            pdf_dict_put(ctx, item, PDF_NAME(Parent), parent);
            pdf_obj* dest = pdf_dict_put_array(ctx, item, PDF_NAME(Dest), 2);
            pdf_array_push(ctx, dest, target);
            pdf_array_push(ctx, dest, PDF_NAME(Fit));
            if (i > 0) {
                pdf_dict_put(ctx, item, PDF_NAME(Prev), made[i - 1].get());
            }
            if (i + 1 < items.size()) {
                pdf_dict_put(ctx, item, PDF_NAME(Next), made[i + 1].get());
            }
        });
        count += 1 + addOutlineLevel(pdf, item, items[i].children);
    }
    if (!made.empty()) {
        guarded(ctx, [&] {
            pdf_dict_put(ctx, parent, PDF_NAME(First), made.front().get());
            pdf_dict_put(ctx, parent, PDF_NAME(Last), made.back().get());
            pdf_dict_put_int(ctx, parent, PDF_NAME(Count), count);
        });
    }
    return count;
}

}  // namespace

void addOutline(PdfDoc& pdf, const std::vector<OutlineItem>& items) {
    fz_context* ctx = pdf.ctx.get();
    PdfObjPtr outlines = mu::ownObject(
        ctx, guardedValue(ctx, [&] { return pdf_add_new_dict(ctx, pdf.doc.get(), 4); }));
    guarded(ctx, [&] { pdf_dict_put(ctx, outlines.get(), PDF_NAME(Type), PDF_NAME(Outlines)); });
    addOutlineLevel(pdf, outlines.get(), items);
    pdf_obj* catalog = catalogOf(pdf);
    guarded(ctx, [&] { pdf_dict_put(ctx, catalog, PDF_NAME(Outlines), outlines.get()); });
}

void setPageLabels(PdfDoc& pdf, std::string_view nums) {
    fz_context* ctx = pdf.ctx.get();
    const PdfObjPtr labels = addObject(pdf, "<</Nums [" + std::string(nums) + "]>>");
    pdf_obj* catalog = catalogOf(pdf);
    guarded(ctx, [&] { pdf_dict_puts(ctx, catalog, "PageLabels", labels.get()); });
}

void setLanguage(PdfDoc& pdf, std::string_view tag) {
    fz_context* ctx = pdf.ctx.get();
    const std::string text(tag);
    pdf_obj* catalog = catalogOf(pdf);
    guarded(ctx, [&] { pdf_dict_put_text_string(ctx, catalog, PDF_NAME(Lang), text.c_str()); });
}

void setReadingDirection(PdfDoc& pdf, std::string_view name) {
    fz_context* ctx = pdf.ctx.get();
    const PdfObjPtr preferences = addObject(pdf, "<</Direction /" + std::string(name) + ">>");
    pdf_obj* catalog = catalogOf(pdf);
    guarded(ctx, [&] { pdf_dict_puts(ctx, catalog, "ViewerPreferences", preferences.get()); });
}

void addPage(PdfDoc& pdf, const PageSpec& spec) {
    fz_context* ctx = pdf.ctx.get();
    PdfObjPtr res = pageResources(pdf, spec);
    BufferPtr contents = own<fz_buffer, fz_drop_buffer>(
        ctx, guardedValue(ctx, [&] {
            return fz_new_buffer_from_copied_data(
                ctx, reinterpret_cast<const unsigned char*>(spec.content.ops.data()),
                spec.content.ops.size());
        }));
    const fz_rect media{float(spec.media.x0), float(spec.media.y0), float(spec.media.x1),
                        float(spec.media.y1)};
    PdfObjPtr page = mu::ownObject(ctx, guardedValue(ctx, [&] {
                                       return pdf_add_page(ctx, pdf.doc.get(), media, spec.rotate,
                                                           res.get(), contents.get());
                                   }));
    if (spec.crop) {
        const fz_rect crop{float(spec.crop->x0), float(spec.crop->y0), float(spec.crop->x1),
                           float(spec.crop->y1)};
        guarded(ctx, [&] { pdf_dict_put_rect(ctx, page.get(), PDF_NAME(CropBox), crop); });
    }
    guarded(ctx, [&] { pdf_insert_page(ctx, pdf.doc.get(), -1, page.get()); });
    pdf.pages.push_back(std::move(page));
}

void addLinks(PdfDoc& pdf, size_t pageIndex, const std::vector<Link>& links) {
    fz_context* ctx = pdf.ctx.get();
    pdf_obj* page = pdf.pages.at(pageIndex).get();
    pdf_obj* annots = guardedValue(ctx, [&] {
        pdf_obj* existing = pdf_dict_get(ctx, page, PDF_NAME(Annots));
        return existing ? existing : pdf_dict_put_array(ctx, page, PDF_NAME(Annots), 4);
    });
    for (const Link& link : links) {
        addLinkAnnotation(pdf, annots, link);
    }
}

void savePdf(PdfDoc& pdf, const std::filesystem::path& path, const Encryption& encryption) {
    fz_context* ctx = pdf.ctx.get();
    const pdf_write_options opts = writeOptions(encryption);
    const std::string temp = path.string() + ".part";
    std::error_code ec;
    try {
        guarded(ctx, [&] { pdf_save_document(ctx, pdf.doc.get(), temp.c_str(), &opts); });
    } catch (const MuError& e) {
        std::filesystem::remove(temp, ec);
        throw std::runtime_error("cannot write " + path.string() + ": " + e.what());
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace pdfgen
