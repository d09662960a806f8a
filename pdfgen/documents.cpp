// The small test documents: page geometry, solid colours, encryption, damaged files, benchmarks.
#include "documents.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "pdf_builder.h"
#include "photo.h"
#include "prose.h"

namespace pdfgen {
namespace {

constexpr Rect kA4{0, 0, 595, 842};
const Rgb kInk = rgb_from_hex(0x1A1A1A);
const Rgb kWhite = rgb_from_hex(0xFFFFFF);
const Rgb kLinkFill = rgb_from_hex(0xDDEBFA);
const Rgb kLinkEdge = rgb_from_hex(0x2A6FC9);

std::filesystem::path in(const std::filesystem::path& dir, const char* name) {
    return dir / name;
}

// Links are invisible; this shows where one lies so a rendered page can be checked by eye.
void link_marker(Content& c, Rect r, const std::string& label) {
    set_fill(c, kLinkFill);
    fill_rect(c, r);
    set_stroke(c, kLinkEdge, 1);
    stroke_rect(c, r);
    set_fill(c, kLinkEdge);
    draw_text(c, kSans, 12, {r.x0 + 8, r.y0 + r.height() / 2 - 4}, label);
}

void page_title(Content& c, Rect page, const std::string& title) {
    set_fill(c, kInk);
    draw_text(c, kSansBold, 28, {page.x0 + 50, page.y1 - 70}, title);
}

void shapes(Content& c, Point origin) {
    set_fill(c, rgb_from_hex(0xF2A541));
    fill_rect(c, {origin.x, origin.y, origin.x + 90, origin.y + 60});
    set_fill(c, rgb_from_hex(0x3DA35D));
    fill_circle(c, {origin.x + 150, origin.y + 30}, 30);
    set_fill(c, rgb_from_hex(0xC0392B));
    fill_polygon(
        c,
        {{origin.x + 200, origin.y}, {origin.x + 260, origin.y}, {origin.x + 230, origin.y + 60}});
    set_stroke(c, kInk, 2);
    stroke_polyline(c, {{origin.x, origin.y - 20}, {origin.x + 260, origin.y - 20}});
}

PageSpec plain_page(Rect media, const std::string& title) {
    PageSpec page;
    page.media = media;
    page_title(page.content, media, title);
    return page;
}

void body_text(const PdfDoc& pdf, Content& c, Rect box, int paragraphs, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> text;
    text.reserve(size_t(paragraphs));
    for (int i = 0; i < paragraphs; ++i) {
        text.push_back(make_paragraph(rng));
    }
    flow_paragraphs(c, {kSerif, 11, 14, kInk}, width_of(pdf, kSerif), box, text, 6);
}

std::vector<unsigned char> read_bytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    const std::filesystem::path temp = path.string() + ".part";
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
    std::filesystem::rename(temp, path);
}

void write_text_pages(const std::filesystem::path& path, int pages, const Encryption& encryption,
                      const std::string& label) {
    PdfDoc pdf = new_pdf_doc(label);
    for (int n = 1; n <= pages; ++n) {
        PageSpec page = plain_page(kA4, label + " page " + std::to_string(n));
        body_text(pdf, page.content, {50, 60, 545, 740}, 5, 1000 + n);
        add_page(pdf, page);
    }
    save_pdf(pdf, path, encryption);
}

// Shades what the crop box hides, so a renderer that ignores it shows pink margins.
PageSpec cropped_page() {
    PageSpec cropped;
    cropped.media = {0, 0, 612, 792};
    cropped.crop = Rect{50, 100, 550, 700};
    set_fill(cropped.content, rgb_from_hex(0xF4B6C2));
    fill_rect(cropped.content, cropped.media);
    set_fill(cropped.content, kWhite);
    fill_rect(cropped.content, *cropped.crop);
    set_fill(cropped.content, kInk);
    draw_text(cropped.content, kSansBold, 28, {80, 640}, "Page 4 - cropped");
    link_marker(cropped.content, {100, 200, 300, 240}, "example.com/four");
    shapes(cropped.content, {100, 400});
    return cropped;
}

}  // namespace

std::string colour_table_text() {
    std::string out;
    for (size_t i = 0; i < kPageColours.size(); ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%zu %06X\n", i + 1, kPageColours[i]);
        out += line;
    }
    return out;
}

void write_geometry(const std::filesystem::path& dir) {
    PdfDoc pdf = new_pdf_doc("Page geometry");
    const PdfObjPtr card = add_lossless_image(pdf, make_test_card(140, 100));

    PageSpec first = plain_page(kA4, "Page 1");
    shapes(first.content, {72, 520});
    draw_image(first.content, "Im1", {360, 480, 500, 580});
    first.images.emplace_back("Im1", card.get());
    link_marker(first.content, {72, 700, 272, 740}, "example.com/one");
    body_text(pdf, first.content, {72, 100, 523, 440}, 3, 1);
    add_page(pdf, first);

    PageSpec landscape = plain_page({0, 0, 842, 595}, "Page 2 - landscape");
    link_marker(landscape.content, {100, 100, 300, 140}, "example.com/two");
    shapes(landscape.content, {450, 300});
    add_page(pdf, landscape);

    PageSpec rotated = plain_page(kA4, "Page 3 - rotated 90");
    rotated.rotate = 90;
    link_marker(rotated.content, {72, 700, 272, 740}, "example.com/three");
    shapes(rotated.content, {72, 480});
    add_page(pdf, rotated);

    add_page(pdf, cropped_page());

    PageSpec small = plain_page({0, 0, 420, 595}, "Page 5");
    link_marker(small.content, {50, 50, 250, 90}, "to page 1");
    add_page(pdf, small);

    PageSpec letter = plain_page({0, 0, 612, 792}, "Page 6");
    body_text(pdf, letter.content, {72, 72, 540, 700}, 6, 6);
    add_page(pdf, letter);

    add_links(pdf, 0, {{{72, 700, 272, 740}, "https://example.com/one"}});
    add_links(pdf, 1, {{{100, 100, 300, 140}, "https://example.com/two"}});
    add_links(pdf, 2, {{{72, 700, 272, 740}, "https://example.com/three"}});
    add_links(pdf, 3, {{{100, 200, 300, 240}, "https://example.com/four"}});
    add_links(pdf, 4, {{{50, 50, 250, 90}, "", 0}});
    save_pdf(pdf, in(dir, "geometry.pdf"));
}

void write_colours(const std::filesystem::path& dir) {
    PdfDoc pdf = new_pdf_doc("Colours");
    const WidthOf bold = width_of(pdf, kSansBold);
    for (size_t i = 0; i < kPageColours.size(); ++i) {
        PageSpec page;
        page.media = kA4;
        set_fill(page.content, rgb_from_hex(kPageColours[i]));
        fill_rect(page.content, kA4);
        set_fill(page.content, kWhite);
        fill_rect(page.content, {177.5, 331, 417.5, 511});
        const std::string number = std::to_string(i + 1);
        set_fill(page.content, rgb_from_hex(0x000000));
        draw_text(page.content, kSansBold, 140, {297.5 - bold(number) * 70, 370}, number);
        add_page(pdf, page);
    }
    add_links(
        pdf, 1,
        {{{100, 100, 495, 200}, "", 6}, {{100, 300, 495, 400}, "https://example.com/colours"}});
    save_pdf(pdf, in(dir, "colours.pdf"));
}

void write_encrypted(const std::filesystem::path& dir) {
    const Encryption aes{
        PDF_ENCRYPT_AES_256, kOwnerPassword, kUserPassword,
        PDF_PERM_PRINT | PDF_PERM_PRINT_HQ | PDF_PERM_COPY | PDF_PERM_ACCESSIBILITY};
    write_text_pages(in(dir, "encrypted.pdf"), 3, aes, "Encrypted");
}

void write_owner_only(const std::filesystem::path& dir) {
    const Encryption aes{PDF_ENCRYPT_AES_128, kOwnerPassword, "",
                         PDF_PERM_PRINT | PDF_PERM_PRINT_HQ | PDF_PERM_ACCESSIBILITY};
    write_text_pages(in(dir, "owner-only.pdf"), 2, aes, "Owner password only");
}

void write_truncated(const std::filesystem::path& dir) {
    std::vector<unsigned char> bytes = read_bytes(in(dir, "geometry.pdf"));
    const std::string text(bytes.begin(), bytes.end());
    const size_t startxref = text.rfind("startxref");
    const size_t xref = text.rfind("\nxref", startxref);
    if (startxref == std::string::npos || xref == std::string::npos) {
        throw std::runtime_error("geometry.pdf has no cross-reference table to cut off");
    }
    bytes.resize(xref + 1);
    write_bytes(in(dir, "truncated.pdf"), bytes);
}

void write_broken(const std::filesystem::path& dir) {
    const std::string header = "%PDF-1.4\n";
    std::vector<unsigned char> bytes(header.begin(), header.end());
    std::mt19937 rng(4);
    for (int i = 0; i < 4096; ++i) {
        bytes.push_back(static_cast<unsigned char>(rng() & 0xFF));
    }
    write_bytes(in(dir, "broken.pdf"), bytes);
}

void write_text200(const std::filesystem::path& dir) {
    PdfDoc pdf = new_pdf_doc("Two hundred pages of text");
    const WidthOf serif = width_of(pdf, kSerif);
    std::mt19937 rng(200);
    for (int n = 1; n <= 200; ++n) {
        PageSpec page;
        page.media = kA4;
        set_fill(page.content, kInk);
        draw_text(page.content, kSans, 8, {50, 810}, "Field notes on coastal walking");
        draw_text(page.content, kSans, 8, {530, 810}, std::to_string(n));
        std::vector<std::string> paragraphs;
        paragraphs.reserve(14);
        for (int i = 0; i < 14; ++i) {
            paragraphs.push_back(make_paragraph(rng));
        }
        flow_paragraphs(page.content, {kSerif, 9.5, 11.4, kInk}, serif, {50, 40, 545, 795},
                        paragraphs, 3);
        add_page(pdf, page);
    }
    save_pdf(pdf, in(dir, "text200.pdf"));
}

void write_images20(const std::filesystem::path& dir) {
    PdfDoc pdf = new_pdf_doc("Twenty photographs");
    for (int n = 1; n <= 20; ++n) {
        const PdfObjPtr photo =
            add_jpeg_image(pdf, encode_jpeg(make_landscape(1190, 1684, 100 + n), 85));
        PageSpec page;
        page.media = kA4;
        draw_image(page.content, "Im1", kA4);
        page.images.emplace_back("Im1", photo.get());
        add_page(pdf, page);
    }
    save_pdf(pdf, in(dir, "images20.pdf"));
}

std::vector<std::string> generated_file_names() {
    return {"geometry.pdf", "colours.pdf", "encrypted.pdf", "owner-only.pdf", "truncated.pdf",
            "broken.pdf",   "sample.pdf",  "text200.pdf",   "images20.pdf"};
}

void write_all(const std::filesystem::path& dir) {
    write_geometry(dir);
    write_colours(dir);
    write_encrypted(dir);
    write_owner_only(dir);
    write_truncated(dir);
    write_broken(dir);
    write_sample(dir);
    write_text200(dir);
    write_images20(dir);
}

}  // namespace pdfgen
