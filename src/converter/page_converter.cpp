// The tool's contact with the page converter: the info query and the conversion run.
#include "converter/page_converter.h"

void parseInfoReply(const QByteArray& reply, FlipbookSettings& settings) {
    (void)reply;
    (void)settings;
}

void queryPageSize(const QString& converterPath, const QString& pdfPath,
                   FlipbookSettings& settings) {
    (void)converterPath;
    (void)pdfPath;
    (void)settings;
}

ConversionOutcome convertPages(const QString& converterPath, const ConverterSwitches& switches,
                               const QString& pdfPath, const QString& conversionPattern) {
    (void)converterPath;
    (void)switches;
    (void)pdfPath;
    (void)conversionPattern;
    return {};
}
