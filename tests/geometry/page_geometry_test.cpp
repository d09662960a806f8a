// Unit tests of the page geometry: length conversion, the paper table and the final page size.
#include <gtest/gtest.h>

#include "geometry/page_geometry.h"

namespace {

struct TextCase {
    const char* input;
    const char* expected;
};

TEST(Geometry, ConvertLength) {
    const TextCase cases[] = {
        // Millimetres and inches scale by the book's own units and print in "%g" form.
        {"210mm", "775.53"},
        {"297mm", "1096.82"},
        {"1mm", "3.693"},
        {"400mm", "1477.2"},
        {"800mm", "2954.4"},
        {"1in", "93.81"},
        {"8.5in", "797.385"},
        {"7.5in", "703.575"},
        {"-5mm", "-18.465"},
        {"1000000in", "9.381e+07"},
        // Whole numbers stand as typed; "pt" is cut off without parsing.
        {"595", "595"},
        {"0595", "0595"},
        {"", ""},
        {"12pt", "12"},
        {"12.5pt", "12.5"},
        {"pt", ""},
        {"abcpt", "abc"},
        // Plain decimals are points, as a converter reply spells them.
        {"12.5", "12.5"},
        {"841.89", "841.89"},
        {"500.5", "500.5"},
        {"595.00", "595.00"},
        {".5", ".5"},
        // Anything else is unreadable and gives the empty text.
        {"12cm", ""},
        {"-5", ""},
        {"+5", ""},
        {"1.2.3", ""},
        {" 5", ""},
        {"8.5IN", ""},
        {"210MM", ""},
        {"12Pt", ""},
        // A unit without a number reads as zero.
        {"mm", "0"},
        {"abcmm", "0"},
        {"in", "0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(convertLength(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected))
            << "input: '" << c.input << "'";
    }
}

TEST(Geometry, IsAllDigits) {
    const struct {
        const char* text;
        bool expected;
    } cases[] = {
        {"", true},
        {"0", true},
        {"0123456789", true},
        {"12.5", false},
        {"-5", false},
        {" 5", false},
        {"5 ", false},
        {"5a", false},
        {"\xd9\xa1", false},      // ARABIC-INDIC DIGIT ONE is a digit, but not one of ours
        {"\xef\xbc\x95", false},  // FULLWIDTH DIGIT FIVE
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isAllDigits(QString::fromUtf8(c.text)), c.expected) << "text: '" << c.text << "'";
    }
}

TEST(Geometry, ReadableLength) {
    const struct {
        const char* text;
        bool expected;
    } cases[] = {
        {"500", true},   {"500.5", true}, {"12.5pt", true}, {"210mm", true},  {"8.5in", true},
        {".5in", true},  {"5.", true},    {"", false},      {"21cm", false},  {"210MM", false},
        {"-5", false},   {"-5mm", false}, {"+5", false},    {"abcpt", false}, {"pt", false},
        {"mm", false},   {"1e3", false},  {"1.2.3", false}, {" 5", false},    {"5 mm", false},
        {"12Pt", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isReadableLength(QString::fromUtf8(c.text)), c.expected)
            << "text: '" << c.text << "'";
    }
}

TEST(Geometry, EveryReadableLengthConvertsToANumber) {
    for (const char* text : {"500", "500.5", "12.5pt", "210mm", "8.5in", ".5in", "5."}) {
        bool ok = false;
        convertLength(QString::fromUtf8(text)).toDouble(&ok);
        EXPECT_TRUE(ok) << text;
    }
}

TEST(Geometry, PaperTableRowsInOrderWithTheirSizes) {
    const struct {
        const char* name;
        const char* width;
        const char* height;
    } expected[] = {
        {"A3", "1096.82", "1551.06"},      {"A4", "775.53", "1096.82"},
        {"A5", "546.564", "775.53"},       {"A6", "387.765", "546.564"},
        {"Tabloid", "1031.91", "1594.77"}, {"Screen", "938.1", "703.575"},
        {"Ledger", "1313.23", "797.319"},  {"Executive", "680.123", "985.005"},
        {"Legal", "797.385", "1313.34"},   {"Letter", "797.385", "1031.91"},
    };
    const auto table = paperSizeTable();
    ASSERT_EQ(table.size(), std::size(expected));
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_STREQ(table[i].name, expected[i].name);
        const auto row = findPaperSize(QString::fromLatin1(expected[i].name));
        ASSERT_TRUE(row.has_value()) << expected[i].name;
        EXPECT_EQ(convertLength(QString::fromLatin1(row->widthText)),
                  QString::fromLatin1(expected[i].width))
            << expected[i].name;
        EXPECT_EQ(convertLength(QString::fromLatin1(row->heightText)),
                  QString::fromLatin1(expected[i].height))
            << expected[i].name;
    }
    EXPECT_EQ(paperNameList(),
              QStringLiteral("A3, A4, A5, A6, Tabloid, Screen, Ledger, Executive, Legal, Letter"));
}

TEST(Geometry, PaperNamesMatchWholeAndCaseSensitive) {
    for (const char* name : {"a4", "A4 ", " A4", "LETTER", "Foo", "", "A"}) {
        EXPECT_FALSE(findPaperSize(QString::fromLatin1(name)).has_value()) << "'" << name << "'";
    }
}

// The settings as the info query and the options would leave them, before resolving.
struct ResolveCase {
    const char* label;
    const char* width;
    const char* height;
    const char* paper;
    SizeSource source;
    int zoom;
    const char* expectedWidth;
    const char* expectedHeight;
};

TEST(Geometry, ResolvePageSize) {
    using S = SizeSource;
    const ResolveCase cases[] = {
        {"no size options", "595.00", "842.00", "", S::Unchanged, 72, "595.00", "842.00"},
        {"-pw 826 -ph 1024", "826", "1024", "", S::WidthHeight, 72, "826", "1024"},
        {"-pw 400mm -ph 800mm", "400mm", "800mm", "", S::WidthHeight, 72, "1477.2", "2954.4"},
        {"-pp A4", "595", "842", "A4", S::Paper, 72, "775.53", "1096.82"},
        {"-pp A6", "595", "842", "A6", S::Paper, 72, "387.765", "546.564"},
        {"-pp Letter", "595", "842", "Letter", S::Paper, 72, "797.385", "1031.91"},
        {"-pp Legal", "595", "842", "Legal", S::Paper, 72, "797.385", "1313.34"},
        {"-pp a4", "595.3", "841.89", "a4", S::Paper, 72, "595.3", "841.89"},
        {"-pp Foo", "595", "842", "Foo", S::Paper, 72, "595", "842"},
        {"-pw 400mm -pp Foo", "400mm", "842", "Foo", S::Paper, 72, "400mm", "842"},
        {"-pw 500 -pp A4", "500", "842", "A4", S::Paper, 72, "775.53", "1096.82"},
        {"-pp A4 -pw 500", "500", "842", "A4", S::WidthHeight, 72, "500", "842"},
        {"-pw 500, reply height 841.89", "500", "841.89", "", S::WidthHeight, 72, "500", "841.89"},
        {"-pw 500 -ph 21cm", "500", "21cm", "", S::WidthHeight, 72, "500", ""},
        {"-pp A4 -zoom 150", "595", "842", "A4", S::Paper, 150, "1615.69", "2285.04"},
        {"-pw 826 -ph 1024 -zoom 150", "826", "1024", "", S::WidthHeight, 150, "1720.83",
         "2133.33"},
        {"-pw 595 -ph 842 -zoom 144", "595", "842", "", S::WidthHeight, 144, "1190", "1684"},
        {"-zoom 72", "595.00", "842.00", "", S::Unchanged, 72, "595.00", "842.00"},
        {"-zoom 0", "595", "842", "", S::Unchanged, 0, "0", "0"},
        {"-pw 12.5 -zoom 150", "12.5", "842", "", S::WidthHeight, 150, "26.0417", "1754.17"},
        {"-zoom 150, reply 595.00", "595.00", "842.00", "", S::Unchanged, 150, "1239.58",
         "1754.17"},
        {"-zoom 150, empty reply", "", "", "", S::Unchanged, 150, "0", "0"},
    };
    for (const auto& c : cases) {
        FlipbookSettings settings;
        settings.pageWidth = QString::fromLatin1(c.width);
        settings.pageHeight = QString::fromLatin1(c.height);
        settings.sizeSource = c.source;
        settings.paperName = QString::fromLatin1(c.paper);
        settings.zoom = c.zoom;
        resolvePageSize(settings);
        EXPECT_EQ(settings.pageWidth, QString::fromLatin1(c.expectedWidth)) << c.label;
        EXPECT_EQ(settings.pageHeight, QString::fromLatin1(c.expectedHeight)) << c.label;
    }
}

TEST(Geometry, FormatGMatchesPrintf) {
    for (const double value : {0.0, 1.0, 1477.2, -18.465, 797.385, 1234567.0, 0.0001234, 1e-5,
                               123456.0, 999999.5, 2285.0416666}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%g", value);
        EXPECT_EQ(formatG(value), QString::fromLatin1(expected)) << expected;
    }
}

}  // namespace
