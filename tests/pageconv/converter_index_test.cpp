// The book index (book.json) of conversion runs on index.pdf: labels of every style, the nested
// outline with targets inside and outside a page range, words of every script, invisible text,
// and word boxes that land where MuPDF's own text extraction puts the glyphs on the stage.
#include "mupdf_support.h"
#include "run_program.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

namespace fs = std::filesystem;
const std::string kConverter = PAGECONV_BINARY;
const std::string kPdf = std::string(PAGECONV_TEST_PDFS) + "/index.pdf";

class ConverterIndex : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("pageconv_index_" + std::to_string(getpid()) + "_" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // The index of a run, or an empty object (with a failure) when there is none or it is not
    // well-formed JSON.
    QJsonObject convert(std::vector<std::string> switches, const std::vector<std::string>& env = {},
                        const std::string& pdf = kPdf) {
        switches.push_back(pdf);
        switches.push_back((folder / "test%.swf").string());
        const auto run = swftest::runProgram(kConverter, switches, env);
        EXPECT_EQ(run.status, 0) << run.err;
        std::ifstream file(folder / "book.json", std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        QJsonParseError error{};
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(bytes.str()), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        return document.object();
    }

    fs::path folder;
};

QStringList stringsOf(const QJsonValue& array) {
    QStringList strings;
    for (const auto& value : array.toArray()) {
        strings.append(value.toString());
    }
    return strings;
}

// The direction the PDF reads in, from its viewer preferences, with the Arabic outline of a book
// that reads right to left kept in its reading order.
TEST_F(ConverterIndex, DirectionComesFromTheViewerPreferences) {
    const struct {
        const char* pdf;
        const char* direction;
    } cases[] = {{"index.pdf", "ltr"}, {"rtl.pdf", "rtl"}};
    for (const auto& c : cases) {
        const QJsonObject index = convert({}, {}, std::string(PAGECONV_TEST_PDFS) + "/" + c.pdf);
        EXPECT_EQ(index.value("direction").toString(), c.direction) << c.pdf;
    }
}

// "Parent/Child=page" for every outline entry, depth first.
void flattenOutline(const QJsonArray& entries, const QString& path, QStringList& out) {
    for (const auto& value : entries) {
        const QJsonObject entry = value.toObject();
        const QString title = path + entry.value("title").toString();
        out.append(title + "=" + QString::number(entry.value("page").toInt(-1)));
        flattenOutline(entry.value("children").toArray(), title + "/", out);
    }
}

// The index's outline as "Parent/Child=position" lines, depth first.
QStringList outlineOf(const QJsonObject& index) {
    QStringList lines;
    flattenOutline(index.value("outline").toArray(), "", lines);
    return lines;
}

struct Word {
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
};

std::optional<Word> findWord(const QJsonObject& index, int position, const QString& text) {
    const QJsonArray words =
        index.value("text").toArray().at(position - 1).toObject().value("words").toArray();
    for (const auto& value : words) {
        const QJsonArray word = value.toArray();
        if (word.at(4).toString() == text) {
            return Word{word.at(0).toDouble(), word.at(1).toDouble(), word.at(2).toDouble(),
                        word.at(3).toDouble()};
        }
    }
    return std::nullopt;
}

// MuPDF's own extraction straight from the page (no display list): the union of the boxes of
// the characters of the first run of `text`, on the stage at `zoom`.
std::optional<Word> mupdfWord(int page, const std::string& text, int zoom) {
    const mu::ContextPtr ctx = mu::newContext();
    fz_context* c = ctx.get();
    fz_register_document_handlers(c);
    auto doc = mu::own<fz_document, fz_drop_document>(c, fz_open_document(c, kPdf.c_str()));
    auto loaded = mu::own<fz_page, fz_drop_page>(c, fz_load_page(c, doc.get(), page - 1));
    const fz_rect bounds = fz_bound_page(c, loaded.get());
    auto stext = mu::own<fz_stext_page, fz_drop_stext_page>(
        c, fz_new_stext_page_from_page(c, loaded.get(), nullptr));
    fz_quad quads[8];
    const int hits = fz_search_stext_page(c, stext.get(), text.c_str(), nullptr, quads, 8);
    if (hits == 0) {
        return std::nullopt;
    }
    const fz_rect r = fz_rect_from_quad(quads[0]);
    const double scale = zoom / 72.0;
    return Word{(r.x0 - bounds.x0) * scale, (r.y0 - bounds.y0) * scale, (r.x1 - r.x0) * scale,
                (r.y1 - r.y0) * scale};
}

// Links off: the outline is navigation of the book, not a link of a page, and stays.
TEST_F(ConverterIndex, WholeDocumentHasLabelsOutlineAndTextOfEveryScript) {
    const QJsonObject index = convert({"-s", "disablelinks"});
    EXPECT_EQ(index.value("version").toInt(), 1);
    EXPECT_EQ(index.value("pages").toInt(), 8);
    EXPECT_EQ(stringsOf(index.value("labels")),
              (QStringList{"Cover", "i", "ii", "A-7", "A-8", "a", "BB", "XIV"}));
    EXPECT_EQ(outlineOf(index),
              (QStringList{"Cover=1", "Front matter=2", "Front matter/Grüße · Ελληνικά=3",
                           "Scripts=4", "Scripts/日本語=4", "Scripts/العربية=5",
                           "Scripts/العربية/Deep \"quoted\" \\ entry=5", "Appendix=8",
                           "Appendix/Scan=7"}));
    struct Expected {
        int position;
        const char* word;
    };
    const Expected words[] = {{2, "Café"},     {2, "Zürich"},     {3, "Καλημέρα"},
                              {3, "κόσμε"},    {4, "東京の地図"}, {5, "مرحبا"},
                              {6, "Sideways"}, {7, "Invisible"},  {8, "Closing"}};
    for (const Expected& e : words) {
        EXPECT_TRUE(findWord(index, e.position, QString::fromUtf8(e.word))) << e.word;
    }
    // The stage of the rotated page is the displayed one: landscape.
    const QJsonObject rotated = index.value("text").toArray().at(5).toObject();
    EXPECT_EQ(rotated.value("width").toDouble(), 595);
    EXPECT_EQ(rotated.value("height").toDouble(), 420);
}

TEST_F(ConverterIndex, PageRangeNumbersOutlineByBookPositionAndMarksTargetsOutside) {
    const QJsonObject index = convert({"-p", "2-6"});
    EXPECT_EQ(index.value("pages").toInt(), 5);
    EXPECT_EQ(index.value("text").toArray().size(), 5);
    EXPECT_EQ(stringsOf(index.value("labels")), (QStringList{"i", "ii", "A-7", "A-8", "a"}));
    EXPECT_EQ(outlineOf(index),
              (QStringList{"Cover=0", "Front matter=1", "Front matter/Grüße · Ελληνικά=2",
                           "Scripts=3", "Scripts/日本語=3", "Scripts/العربية=4",
                           "Scripts/العربية/Deep \"quoted\" \\ entry=4", "Appendix=0",
                           "Appendix/Scan=0"}));
}

// Boxes compared with MuPDF's extraction at the same zoom, for every way of drawing a page.
TEST_F(ConverterIndex, WordBoxesLandOnTheGlyphs) {
    struct Case {
        std::vector<std::string> switches;
        int zoom;
        int page;
        const char* word;
    };
    const Case cases[] = {
        {{}, 72, 2, "Zürich"},
        {{}, 72, 3, "Καλημέρα"},
        {{}, 72, 4, "東京の地図"},
        {{"-s", "zoom=144"}, 144, 6, "Sideways"},
        {{"-s", "zoom=144", "-s", "bitmap"}, 144, 7, "Invisible"},
        {{"-s", "poly2bitmap"}, 72, 8, "Closing"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> switches = c.switches;
        switches.insert(switches.end(), {"-p", std::to_string(c.page)});
        const QJsonObject index = convert(switches);
        const auto ours = findWord(index, 1, QString::fromUtf8(c.word));
        const auto theirs = mupdfWord(c.page, c.word, c.zoom);
        ASSERT_TRUE(ours && theirs) << c.word;
        const double tolerance = 0.2 * c.zoom / 72.0 + 0.1;
        EXPECT_NEAR(ours->x, theirs->x, tolerance) << c.word;
        EXPECT_NEAR(ours->y, theirs->y, tolerance) << c.word;
        EXPECT_NEAR(ours->w, theirs->w, tolerance) << c.word;
        EXPECT_NEAR(ours->h, theirs->h, tolerance) << c.word;
        EXPECT_GT(ours->w * ours->h, 20.0) << c.word;
    }
}

// A label tree whose kids lead back to itself and an outline whose entries are their own next
// and first child: the run ends, and the index holds what could be read.
TEST_F(ConverterIndex, LoopsInLabelTreeAndOutlineEndAndLeaveAWellFormedIndex) {
    const std::string kids = [] {
        std::string refs;
        for (int i = 0; i < 64; ++i) {
            refs += "5 0 R ";
        }
        return refs;
    }();
    const std::string body =
        "%PDF-1.7\n"
        "1 0 obj <</Type/Catalog/Pages 2 0 R/PageLabels 5 0 R/Outlines 6 0 R>> endobj\n"
        "2 0 obj <</Type/Pages/Kids[3 0 R]/Count 1>> endobj\n"
        "3 0 obj <</Type/Page/Parent 2 0 R/MediaBox[0 0 200 100]/Contents 4 0 R"
        "/Resources<</Font<</F1<</Type/Font/Subtype/Type1/BaseFont/Helvetica>>>>>>>> endobj\n"
        "4 0 obj <</Length 38>> stream\nBT /F1 12 Tf 20 50 Td (Looped) Tj ET\nendstream endobj\n"
        "5 0 obj <</Kids[" +
        kids +
        "]>> endobj\n"
        "6 0 obj <</Type/Outlines/First 7 0 R/Last 7 0 R/Count 1>> endobj\n"
        "7 0 obj <</Title(Loop)/Parent 6 0 R/Next 7 0 R/First 7 0 R/Dest[3 0 R/Fit]>> endobj\n"
        "trailer <</Root 1 0 R/Size 8>>\n%%EOF\n";
    const fs::path pdf = folder / "loops.pdf";
    std::ofstream(pdf, std::ios::binary) << body;
    const auto run =
        swftest::runProgram(kConverter, {pdf.string(), (folder / "test%.swf").string()},
                            {"QUAVELIN_PAGECONV_PAGE_SECONDS=20"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream file(folder / "book.json", std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    const QJsonObject index =
        QJsonDocument::fromJson(QByteArray::fromStdString(bytes.str())).object();
    EXPECT_EQ(stringsOf(index.value("labels")), QStringList{"1"});
    EXPECT_TRUE(findWord(index, 1, "Looped"));
    EXPECT_LE(index.value("outline").toArray().size(), 10000);
}

TEST_F(ConverterIndex, MeasurementKnobLeavesTheIndexOut) {
    const auto run =
        swftest::runProgram(kConverter, {"-p", "1-2", kPdf, (folder / "test%.swf").string()},
                            {"QUAVELIN_PAGECONV_NO_INDEX=1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(folder / "test2.swf"));
    EXPECT_FALSE(fs::exists(folder / "book.json"));
    EXPECT_FALSE(fs::exists(folder / "text.html"));
}

}  // namespace
