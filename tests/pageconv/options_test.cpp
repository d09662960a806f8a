// The converter's command line: every switch, its value checks, and the refusal of unknown words.
#include "options.h"

#include <gtest/gtest.h>

namespace pageconv {
namespace {

using Args = std::vector<std::string>;

ConvertOptions convertOf(const Args& args) {
    const CommandLine line = parseCommandLine(args);
    if (const auto* error = std::get_if<UsageError>(&line)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<ConvertOptions>(line);
}

TEST(ConverterOptions, EverySwitchTakesEffect) {
    const ConvertOptions o = convertOf({"-p",     "1,4,6,9-11",
                                        "-P",     "pw",
                                        "-z",     "-j",
                                        "30",     "-S",
                                        "-f",     "-G",
                                        "-s",     "zoom=150",
                                        "-s",     "poly2bitmap",
                                        "-s",     "bitmap",
                                        "-T",     "8",
                                        "-s",     "disablelinks",
                                        "-L",     "data/fonts.swf",
                                        "in.pdf", "out/tmp/test%.swf"});
    EXPECT_EQ(o.pageRange, "1,4,6,9-11");
    EXPECT_EQ(o.password, "pw");
    EXPECT_EQ(o.fontLibrary, "data/fonts.swf");
    EXPECT_TRUE(o.compress);
    EXPECT_EQ(o.jpegQuality, 30);
    EXPECT_EQ(o.zoomDpi, 150);
    EXPECT_EQ(o.swfVersion, 8);
    EXPECT_FALSE(o.links);
    EXPECT_TRUE(o.textAsShapes);
    EXPECT_TRUE(o.fullFonts);
    EXPECT_TRUE(o.flattenClips);
    EXPECT_EQ(o.pageMode, PageMode::Bitmap);
    EXPECT_EQ(o.pdfPath, "in.pdf");
    EXPECT_EQ(o.outputPattern, "out/tmp/test%.swf");
}

TEST(ConverterOptions, Defaults) {
    const ConvertOptions o = convertOf({"in.pdf", "test%.swf"});
    EXPECT_FALSE(o.pageRange);
    EXPECT_FALSE(o.password);
    EXPECT_FALSE(o.compress);
    EXPECT_EQ(o.jpegQuality, 85);
    EXPECT_EQ(o.zoomDpi, 72);
    EXPECT_EQ(o.swfVersion, 10);
    EXPECT_TRUE(o.links);
    EXPECT_EQ(o.pageMode, PageMode::Vectors);
    EXPECT_FALSE(o.textAsShapes || o.fullFonts || o.flattenClips);
}

// Bitmap pages win over text over a bitmap whichever comes first: -s bitmap asks for everything
// as a bitmap.
TEST(ConverterOptions, PageModeTakesTheMostBitmap) {
    const struct {
        Args settings;
        PageMode mode;
    } cases[] = {
        {{}, PageMode::Vectors},
        {{"-s", "poly2bitmap"}, PageMode::TextOverBitmap},
        {{"-s", "bitmap"}, PageMode::Bitmap},
        {{"-s", "bitmap", "-s", "poly2bitmap"}, PageMode::Bitmap},
        {{"-s", "poly2bitmap", "-s", "bitmap"}, PageMode::Bitmap},
    };
    for (const auto& c : cases) {
        Args args = c.settings;
        args.insert(args.end(), {"in.pdf", "test%.swf"});
        EXPECT_EQ(convertOf(args).pageMode, c.mode) << ::testing::PrintToString(c.settings);
    }
}

TEST(ConverterOptions, ValuesReadAtTheirEdges) {
    struct Case {
        Args switches;
        int quality, zoom, version;
    };
    const Case cases[] = {
        {{"-j", "0"}, 0, 72, 10},
        {{"-j", "100"}, 100, 72, 10},
        // The zoom is the leading integer of its text, as the tool's zoom option hands it over.
        {{"-s", "zoom=150dpi"}, 85, 150, 10},
        {{"-s", "zoom= 96"}, 85, 96, 10},
        {{"-s", "zoom=1"}, 85, 1, 10},
        {{"-T", "6"}, 85, 72, 6},
        {{"-T", "255"}, 85, 72, 255},
        // A repeated switch: the last one counts.
        {{"-j", "10", "-j", "20"}, 20, 72, 10},
    };
    for (const Case& c : cases) {
        Args args = c.switches;
        args.insert(args.end(), {"in.pdf", "t%.swf"});
        const ConvertOptions o = convertOf(args);
        EXPECT_EQ(o.jpegQuality, c.quality) << c.switches[1];
        EXPECT_EQ(o.zoomDpi, c.zoom) << c.switches[1];
        EXPECT_EQ(o.swfVersion, c.version) << c.switches[1];
    }
}

TEST(ConverterOptions, RefusalsNameWhatWasWrong) {
    struct Case {
        Args args;
        const char* messagePart;
    };
    const Case cases[] = {
        {{"-x", "in.pdf", "t%.swf"}, "unknown switch \"-x\""},
        {{"-addcmd", "in.pdf", "t%.swf"}, "\"-addcmd\""},
        {{"-s", "speed=3", "in.pdf", "t%.swf"}, "unknown setting"},
        {{"-s", "zoom=0", "in.pdf", "t%.swf"}, "zoom"},
        {{"-s", "zoom=-72", "in.pdf", "t%.swf"}, "zoom"},
        {{"-s", "zoom=abc", "in.pdf", "t%.swf"}, "zoom"},
        {{"-s", "zoom=100001", "in.pdf", "t%.swf"}, "zoom"},
        {{"-s", "zoom=99999999999", "in.pdf", "t%.swf"}, "zoom"},
        {{"-j", "101", "in.pdf", "t%.swf"}, "0-100"},
        {{"-j", "-1", "in.pdf", "t%.swf"}, "0-100"},
        {{"-j", "85%", "in.pdf", "t%.swf"}, "0-100"},
        {{"-T", "5", "in.pdf", "t%.swf"}, "SWF version"},
        {{"-T", "256", "in.pdf", "t%.swf"}, "SWF version"},
        {{"-p", "in.pdf", "t%.swf"}, "-p needs a value"},
        {{"-P", "in.pdf", "t%.swf"}, "-P needs a value"},
        {{"-L", "", "in.pdf", "t%.swf"}, "font library's address"},
        {{"-L", "a\nb", "in.pdf", "t%.swf"}, "font library's address"},
        {{"in.pdf", "t.swf"}, "exactly one %"},
        {{"in.pdf", "t%%.swf"}, "exactly one %"},
        {{"in.pdf", "out%/t.swf"}, "in the file name"},
        {{"in.pdf"}, "usage"},
        {{}, "usage"},
        {{"-I"}, "usage"},
        {{"-I", "a.pdf", "b.pdf"}, "usage"},
    };
    for (const Case& c : cases) {
        const CommandLine line = parseCommandLine(c.args);
        ASSERT_TRUE(std::holds_alternative<UsageError>(line)) << c.messagePart;
        EXPECT_NE(std::get<UsageError>(line).message.find(c.messagePart), std::string::npos)
            << std::get<UsageError>(line).message;
    }
}

TEST(ConverterOptions, InfoQueryAndOddFileNames) {
    const CommandLine info = parseCommandLine({"-I", "book.pdf"});
    ASSERT_TRUE(std::holds_alternative<InfoRequest>(info));
    EXPECT_EQ(std::get<InfoRequest>(info).pdfPath, "book.pdf");
    // The last two words are always the PDF and the pattern, even when they look like switches.
    const ConvertOptions o = convertOf({"-z", "-odd.pdf", "-out%.swf"});
    EXPECT_EQ(o.pdfPath, "-odd.pdf");
    EXPECT_EQ(o.outputPattern, "-out%.swf");
}

}  // namespace
}  // namespace pageconv
