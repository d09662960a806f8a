// sample.pdf: an eight-page brochure, the document users convert first.
#include "documents.h"
#include "pdf_builder.h"

namespace pdfgen {

void write_sample(const std::filesystem::path& dir) {
    PdfDoc pdf = new_pdf_doc("Northshore Coastal Trail");
    for (int n = 1; n <= 8; ++n) {
        PageSpec page;
        page.media = {0, 0, 595, 842};
        draw_text(page.content, kSansBold, 30, {60, 760}, "Page " + std::to_string(n));
        add_page(pdf, page);
    }
    save_pdf(pdf, dir / "sample.pdf");
}

}  // namespace pdfgen
