// What the book index and the text version read from the PDF: the outline, the /PageLabels
// ranges, a page's words, the document's title, subject and language, and its reading direction.
// A part that cannot be read is left empty: the index is an aid, never a reason to fail a page.
#pragma once

#include "book_index.h"
#include "pdf/pdf_pages.h"

#include <string>
#include <vector>

namespace pageconv {

// The outline with 1-based PDF page targets (0 where a target leads nowhere in the document).
std::vector<OutlineEntry> documentOutline(PdfSession& session);

// The /PageLabels ranges sorted by first page; empty when the PDF has none.
std::vector<LabelRange> documentLabelRanges(PdfSession& session);

// The /ViewerPreferences /Direction of the document; left to right where it says nothing usable.
ReadingDirection documentDirection(PdfSession& session);

// The words of a recorded page in reading order, boxed on the stage that shows `bounds` scaled by
// `scale`; invisible text is included. False when the page was stopped or its text unreadable.
bool pageWords(PdfSession& session, fz_display_list* list, const Box& bounds, double scale,
               std::vector<PageWord>& words);

// The document's own description of itself; a part it lacks or that cannot be read is empty.
struct DocumentFacts {
    std::string title;     // the document info's, else its XMP metadata's
    std::string subject;   // the document info's
    std::string language;  // the catalogue's /Lang as a language tag
};
DocumentFacts documentFacts(PdfSession& session);

}  // namespace pageconv
