// What a tagged PDF's structure tree says of its pages' text: the headings, paragraphs, list items
// and figures in the structure's order, tied to each page's marked content by its MCIDs, and for
// each word of a page the marked content its characters are drawn in.
#pragma once

#include "pdf/pdf_pages.h"
#include "text_version.h"

#include <map>
#include <vector>

namespace pageconv {

struct PageStructure {
    std::vector<PageTag> tags;
    std::map<int, int> tagOfMcid;  // marked content id on the page: its tag
};

// One per PDF page (0-based); empty when the document has no structure tree or it cannot be read.
// Bounded in depth and size, and cycles in the tree are not followed.
std::vector<PageStructure> documentStructure(PdfSession& session);

// The tag of each of the page's words (-1 where its characters lie in no tagged marked content),
// the words being boxed on a stage of text.width x text.height over the displayed page. Empty
// when the page's content cannot be read again.
std::vector<int> pageWordTags(PdfSession& session, int pageNumber, const PageStructure& structure,
                              const PageText& text);

}  // namespace pageconv
