// Plain JPEG images of a page decoded by libjpeg straight into MuPDF pixmaps before the page is
// drawn. MuPDF's own JPEG filter hands the decoded rows on one byte at a time, which on photo
// pages costs more than the decoding itself; an image decoded here is put into MuPDF's store
// under the object MuPDF looks it up by, so that drawing the page finds it already decoded.
#pragma once

#include "pdf/pdf_pages.h"

namespace pageconv {

// Images with more than `maxPixels` pixels are left to MuPDF, which may decode a large image
// drawn small at a fraction of its size. Anything unusual about an image (another filter or
// colour space, masks, decode arrays, a damaged stream) also leaves it to MuPDF. A page whose
// resources hold more than 16 such images or more than `maxBytes` of them decoded is left to
// MuPDF altogether: its resources may well list images that it never draws, and what is
// decoded here must stay in the store until the page is drawn.
void preloadPageJpegs(PdfSession& session, fz_page* page, long long maxPixels, long long maxBytes);

// `preloadPageJpegs` for a page recorded already, whose images MuPDF holds undecoded: those
// copies leave the store first. Only a page recorded again after this draws the decoded ones.
void reloadPageJpegs(PdfSession& session, fz_page* page, long long maxPixels, long long maxBytes);

}  // namespace pageconv
