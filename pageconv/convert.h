// The converter's two runs: the info query and the conversion of pages into page files.
#pragma once

#include "options.h"

#include <string>

namespace pageconv {

// Both return the process exit status and print their own messages.
void printError(const std::string& message);
int runInfoQuery(const InfoRequest& request);
int runConversion(const ConvertOptions& options);

// Tuning that tests and measurements may set through the environment.
struct RunTuning {
    int workers = 0;           // 0: one per hardware thread, at most one per page
    bool preloadJpegs = true;  // decode plain JPEG images with libjpeg ahead of MuPDF
    double oversample = 0;     // bitmap pixels per stage pixel; 0: defaultOversample(zoom)
    bool progress = false;     // a progress line on standard error after each page
    bool index = true;         // write book.json; off only to measure what the index costs
    bool gradients = true;     // shadings as gradients; off only to measure what they save
    bool measurePages = true;  // photo pages known before drawing; off: drawn both ways, as before
};

RunTuning tuningFromEnvironment();

// The page file name: the pattern with its "%" replaced by the page number.
std::string pageFileName(const std::string& pattern, int page);

// A page's stage in pixels, from its displayed size in points.
double stagePixels(double points, int zoomDpi);

}  // namespace pageconv
