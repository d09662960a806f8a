// Documents with the quirks of real files that once failed to convert, written byte by byte:
// MuPDF's writer would repair or never write most of these (object streams, encryption of
// attachments only, lying page counts, cycles, images without width), so they are assembled here;
// the rest are built as usual from a part with a defect (a font, a crop box).
#include "documents.h"

#include <mupdf/fitz.h>

#include "pdf_builder.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace pdfgen {
namespace {

using Bytes = std::string;

// A numbered object: its dictionary (or other value) and, for a stream, its data as stored.
struct HandObject {
    int number = 0;
    std::string value;
    std::optional<Bytes> stream;
};

std::string streamObject(const std::string& dictionary, const Bytes& data) {
    return "<< " + dictionary + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}

std::string written(const HandObject& object) {
    const std::string body =
        object.stream ? streamObject(object.value, *object.stream) : object.value;
    return std::to_string(object.number) + " 0 obj\n" + body + "\nendobj\n";
}

// A file with a classic cross-reference table; objects must be numbered 1..N in order.
Bytes classicFile(const std::vector<HandObject>& objects, const std::string& trailerExtra = "") {
    Bytes file = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    for (const HandObject& object : objects) {
        offsets.push_back(file.size());
        file += written(object);
    }
    const size_t xref = file.size();
    file += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const size_t offset : offsets) {
        std::array<char, 24> entry{};
        std::snprintf(entry.data(), entry.size(), "%010zu 00000 n \n", offset);
        file += entry.data();
    }
    return file + "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R " +
           trailerExtra + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    const std::filesystem::path temp = path.string() + ".part";
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
    std::filesystem::rename(temp, path);
}

const std::string kHelvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";

// A page's content: a line of text and a blue square, so a page that draws shows ink.
Bytes labelledContent(const std::string& label) {
    return "0 0 0.8 rg 72 500 120 120 re f\nBT /F1 24 Tf 72 700 Td (" + label + ") Tj ET";
}

std::string pageObject(int parent, int contents, int font) {
    return "<< /Type /Page /Parent " + std::to_string(parent) +
           " 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 " + std::to_string(font) +
           " 0 R >> >> /Contents " + std::to_string(contents) + " 0 R >>";
}

// --- The standard security handler with RC4 (revisions 3 and 4), as readers check it. ---

constexpr std::array<unsigned char, 32> kPasswordPadding = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};
constexpr size_t kKeyBytes = 16;
constexpr int kAllPermissions = -4;
const Bytes kFileId = "quavelin-awkward";  // 16 bytes

Bytes md5(const Bytes& data) {
    fz_md5 state;
    fz_md5_init(&state);
    fz_md5_update(&state, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    std::array<unsigned char, 16> digest{};
    fz_md5_final(&state, digest.data());
    return {digest.begin(), digest.end()};
}

Bytes rc4(const Bytes& key, const Bytes& data) {
    fz_arc4 state;
    fz_arc4_init(&state, reinterpret_cast<const unsigned char*>(key.data()), key.size());
    Bytes out(data.size(), '\0');
    fz_arc4_encrypt(&state, reinterpret_cast<unsigned char*>(out.data()),
                    reinterpret_cast<const unsigned char*>(data.data()), data.size());
    return out;
}

Bytes padded(const std::string& password) {
    Bytes out = password.substr(0, 32);
    out.append(kPasswordPadding.begin(), kPasswordPadding.begin() + (32 - out.size()));
    return out;
}

Bytes md5Rounds(Bytes hash) {
    for (int i = 0; i < 50; ++i) {
        hash = md5(hash.substr(0, kKeyBytes));
    }
    return hash.substr(0, kKeyBytes);
}

// RC4 under the key, then 19 more times under the key with each byte XORed with the round.
Bytes rc4Rounds(const Bytes& key, Bytes data) {
    for (int round = 0; round < 20; ++round) {
        Bytes roundKey = key;
        for (char& byte : roundKey) {
            byte = static_cast<char>(static_cast<unsigned char>(byte) ^ round);
        }
        data = rc4(roundKey, data);
    }
    return data;
}

Bytes littleEndian(long value, int bytes) {
    Bytes out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((static_cast<unsigned long>(value) >> (8 * i)) & 0xFF);
    }
    return out;
}

struct Rc4Security {
    Bytes key;
    Bytes owner;  // /O
    Bytes user;   // /U
};

Rc4Security rc4Security(const std::string& userPassword, const std::string& ownerPassword) {
    Rc4Security security;
    const Bytes ownerKey = md5Rounds(md5(padded(ownerPassword)));
    security.owner = rc4Rounds(ownerKey, padded(userPassword));
    security.key = md5Rounds(
        md5(padded(userPassword) + security.owner + littleEndian(kAllPermissions, 4) + kFileId));
    const Bytes padding(kPasswordPadding.begin(), kPasswordPadding.end());
    security.user = rc4Rounds(security.key, md5(padding + kFileId)) + Bytes(16, '\0');
    return security;
}

Bytes encryptedFor(const Rc4Security& security, int objectNumber, const Bytes& data) {
    const Bytes objectKey = md5(security.key + littleEndian(objectNumber, 3) + littleEndian(0, 2));
    return rc4(objectKey.substr(0, kKeyBytes), data);
}

std::string hexString(const Bytes& bytes) {
    std::string hex = "<";
    for (const char byte : bytes) {
        std::array<char, 4> digits{};
        std::snprintf(digits.data(), digits.size(), "%02X", static_cast<unsigned char>(byte));
        hex += digits.data();
    }
    return hex + ">";
}

std::string idArray() {
    return "/ID [" + hexString(kFileId) + " " + hexString(kFileId) + "]";
}

std::string securityEntries(const Rc4Security& security) {
    return "/O " + hexString(security.owner) + " /U " + hexString(security.user) + " /P " +
           std::to_string(kAllPermissions);
}

// --- Cross-reference streams and object streams. ---

// Objects gathered into one object stream: the header of number/offset pairs, then the objects.
Bytes objectStreamData(const std::vector<HandObject>& objects, size_t& headerBytes) {
    std::string header;
    std::string body;
    for (const HandObject& object : objects) {
        header += std::to_string(object.number) + " " + std::to_string(body.size()) + " ";
        body += object.value + "\n";
    }
    headerBytes = header.size();
    return header + body;
}

struct XrefEntry {
    int type = 0;  // 1: at an offset in the file, 2: inside an object stream
    long field2 = 0;
    int field3 = 0;
};

Bytes xrefEntryBytes(const XrefEntry& entry) {
    Bytes out(1, static_cast<char>(entry.type));
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((entry.field2 >> shift) & 0xFF);
    }
    out += static_cast<char>((entry.field3 >> 8) & 0xFF);
    out += static_cast<char>(entry.field3 & 0xFF);
    return out;
}

// The RC4-encrypted two-page document whose catalog and page tree live in an object stream:
// without the password even the page count is unreadable.
Bytes encryptedObjectStreamFile() {
    const Rc4Security security = rc4Security(kUserPassword, kOwnerPassword);
    const std::vector<HandObject> packed = {
        {1, "<< /Type /Catalog /Pages 2 0 R >>", {}},
        {2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", {}},
        {3, pageObject(2, 5, 8), {}},
        {4, pageObject(2, 6, 8), {}},
        {8, kHelvetica, {}},
    };
    constexpr int kObjectStream = 7;
    constexpr int kEncrypt = 9;
    constexpr int kXref = 10;
    size_t first = 0;
    const Bytes packedData = objectStreamData(packed, first);
    const std::vector<HandObject> loose = {
        {5, "", encryptedFor(security, 5, labelledContent("Sealed page one"))},
        {6, "", encryptedFor(security, 6, labelledContent("Sealed page two"))},
        {kObjectStream,
         "/Type /ObjStm /N " + std::to_string(packed.size()) + " /First " + std::to_string(first),
         encryptedFor(security, kObjectStream, packedData)},
        {kEncrypt,
         "<< /Filter /Standard /V 2 /R 3 /Length 128 " + securityEntries(security) + " >>",
         {}},
    };
    Bytes file = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
    std::vector<XrefEntry> entries(kXref + 1);
    for (size_t i = 0; i < packed.size(); ++i) {
        entries[size_t(packed[i].number)] = {2, kObjectStream, int(i)};
    }
    for (const HandObject& object : loose) {
        entries[size_t(object.number)] = {1, long(file.size()), 0};
        file += written(object);
    }
    entries[kXref] = {1, long(file.size()), 0};
    Bytes table;
    for (const XrefEntry& entry : entries) {
        table += xrefEntryBytes(entry);
    }
    const std::string dictionary = "/Type /XRef /Size " + std::to_string(kXref + 1) +
                                   " /W [1 4 2] /Root 1 0 R /Encrypt " + std::to_string(kEncrypt) +
                                   " 0 R " + idArray();
    const size_t xref = file.size();
    file += written({kXref, dictionary, table});
    return file + "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

// Only the attached file is encrypted (the /EFF crypt filter); strings and streams use the
// identity filter, so the pages read without any password.
Bytes encryptedAttachmentFile() {
    const Rc4Security security = rc4Security(kUserPassword, kOwnerPassword);
    const Bytes attachment = "Notes that only the password holder may read.\n";
    const std::vector<HandObject> objects = {
        {1,
         "<< /Type /Catalog /Pages 2 0 R /Names << /EmbeddedFiles << /Names [(notes.txt) 6 0 R] "
         ">> >> >>",
         {}},
        {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", {}},
        {3, pageObject(2, 4, 5), {}},
        {4, "", labelledContent("Open page, sealed attachment")},
        {5, kHelvetica, {}},
        {6, "<< /Type /Filespec /F (notes.txt) /UF (notes.txt) /EF << /F 7 0 R >> >>", {}},
        {7, "/Type /EmbeddedFile /Params << /Size " + std::to_string(attachment.size()) + " >>",
         encryptedFor(security, 7, attachment)},
        {8,
         "<< /Filter /Standard /V 4 /R 4 /Length 128 /CF << /StdCF << /CFM /V2 /AuthEvent "
         "/EFOpen /Length 16 >> >> /StmF /Identity /StrF /Identity /EFF /StdCF " +
             securityEntries(security) + " >>",
         {}},
    };
    return classicFile(objects, "/Encrypt 8 0 R " + idArray());
}

// One page, and a page tree that claims 1,410,065,407 of them.
Bytes claimedPagesFile() {
    return classicFile({
        {1, "<< /Type /Catalog /Pages 2 0 R >>", {}},
        {2, "<< /Type /Pages /Kids [3 0 R] /Count 1410065407 >>", {}},
        {3, pageObject(2, 4, 5), {}},
        {4, "", labelledContent("The only page")},
        {5, kHelvetica, {}},
    });
}

// kCyclePages pages, the second of which is a page-tree node listing itself as its only kid.
Bytes pageCycleFile() {
    std::vector<HandObject> objects = {{1, "<< /Type /Catalog /Pages 2 0 R >>", {}}, {2, "", {}}};
    const int font = 3;
    objects.push_back({font, kHelvetica, {}});
    std::string kids;
    for (int page = 1; page <= kCyclePages; ++page) {
        const int number = int(objects.size()) + 1;
        kids += std::to_string(number) + " 0 R ";
        if (page == kCycleAt) {
            objects.push_back({number,
                               "<< /Type /Pages /Parent 2 0 R /Kids [" + std::to_string(number) +
                                   " 0 R] /Count 1 >>",
                               {}});
            continue;
        }
        objects.push_back({number, pageObject(2, number + 1, font), {}});
        objects.push_back({number + 1, "", labelledContent("Page " + std::to_string(page))});
    }
    objects[1].value =
        "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(kCyclePages) + " >>";
    return classicFile(objects);
}

// Two pages; the second draws text, a square and an image whose width is zero between them.
Bytes zeroWidthImageFile() {
    const Bytes content =
        "BT /F1 24 Tf 72 760 Td (Before the broken picture) Tj ET\n"
        "q 200 0 0 100 72 600 cm /Im0 Do Q\n"
        "0 0.6 0 rg 72 400 120 120 re f\n"
        "BT /F1 24 Tf 72 300 Td (After the broken picture) Tj ET";
    return classicFile({
        {1, "<< /Type /Catalog /Pages 2 0 R >>", {}},
        {2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", {}},
        {3, pageObject(2, 5, 7), {}},
        {4,
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 7 0 R "
         ">> /XObject << /Im0 8 0 R >> >> /Contents 6 0 R >>",
         {}},
        {5, "", labelledContent("An ordinary page")},
        {6, "", content},
        {7, kHelvetica, {}},
        {8,
         "/Type /XObject /Subtype /Image /Width 0 /Height 10 /ColorSpace /DeviceRGB "
         "/BitsPerComponent 8",
         Bytes()},
    });
}

// --- Documents made with the builder, from parts with a defect. ---

const std::filesystem::path kMonoFont =
    "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";

uint32_t bigEndian32(const std::vector<unsigned char>& bytes, size_t at) {
    return uint32_t(bytes.at(at)) << 24 | uint32_t(bytes.at(at + 1)) << 16 |
           uint32_t(bytes.at(at + 2)) << 8 | uint32_t(bytes.at(at + 3));
}

// The font's hinting program starts by touching a point that does not exist, as in subsets
// that lost what their hinting needs: every hinted glyph load fails, unhinted ones succeed.
std::vector<unsigned char> withBrokenHinting(std::vector<unsigned char> font) {
    const uint32_t tables = uint32_t(font.at(4)) << 8 | font.at(5);
    for (uint32_t i = 0; i < tables; ++i) {
        const size_t entry = 12 + 16 * size_t(i);
        if (std::string(font.begin() + long(entry), font.begin() + long(entry) + 4) == "fpgm") {
            const size_t at = bigEndian32(font, entry + 8);
            const std::array<unsigned char, 3> touchMissingPoint = {0xB0, 0xFF, 0x2E};
            std::copy(touchMissingPoint.begin(), touchMissingPoint.end(), font.begin() + long(at));
            return font;
        }
    }
    throw std::runtime_error(kMonoFont.string() + " has no hinting program to break");
}

std::vector<unsigned char> fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("missing font " + path.string() +
                                 " (scripts/install-deps.sh installs it)");
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void textLine(Content& c, std::string_view font, double size, Point at, const std::string& hex) {
    c.ops += "BT /" + std::string(font) + " " + formatNumber(size) + " Tf " + formatNumber(at.x) +
             " " + formatNumber(at.y) + " Td " + hex + " Tj ET\n";
}

}  // namespace

void writeBrokenHinting(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("A font with broken hinting");
    const EmbeddedFont mono = addCidTrueTypeFont(pdf, withBrokenHinting(fileBytes(kMonoFont)));
    PageSpec page;
    page.media = {0, 0, 595, 842};
    page.resources.push_back({"Font", "FM", mono.dict.get()});
    setFill(page.content, rgbFromHex(0x1A1A1A));
    for (size_t i = 0; i < kBrokenHintingLines.size(); ++i) {
        textLine(page.content, "FM", 18, {72, 760 - 30.0 * double(i)},
                 glyphIds(pdf, mono, kBrokenHintingLines[i]));
    }
    drawText(page.content, kSans, 18, {72, 640}, "A line in a sound font");
    addPage(pdf, page);
    savePdf(pdf, dir / "broken-hinting.pdf");
}

void writeCropMarks(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Crop box and print marks");
    PageSpec page;
    page.media = {0, 0, 612, 792};
    page.crop = kCropMarksCrop;
    const Rect& crop = kCropMarksCrop;
    Content& c = page.content;
    setFill(c, rgbFromHex(0xF4B6C2));  // the bleed: under the crop box and far beyond it
    fillRect(c, page.media);
    setFill(c, rgbFromHex(0xFFFFFF));
    fillRect(c, crop);
    setFill(c, rgbFromHex(0x0000CC));
    fillRect(c, {crop.x0 + 20, crop.y0 + 20, crop.x0 + 80, crop.y0 + 80});
    setFill(c, rgbFromHex(0x1A1A1A));
    drawText(c, kSans, 18, {crop.x0 + 100, crop.y0 + 60}, "Inside the crop box");
    // Runs past the right edge: kept, and clipped at the edge.
    drawText(c, kSerif, 18, {crop.x1 - 60, crop.y0 + 20}, "Across the edge");
    // Slug lines and marks wholly outside, in fonts nothing inside uses.
    drawText(c, kSerifItalic, 10, {40, 40}, "Job 4711 - proof 3 - printed on coated stock");
    drawText(c, kSerifBold, 10, {40, 760}, "CYAN MAGENTA YELLOW BLACK");
    setStroke(c, rgbFromHex(0x000000), 0.5);
    for (const Point corner : {Point{crop.x0, crop.y0}, Point{crop.x1, crop.y0},
                               Point{crop.x0, crop.y1}, Point{crop.x1, crop.y1}}) {
        const double dx = corner.x == crop.x0 ? -1 : 1;
        const double dy = corner.y == crop.y0 ? -1 : 1;
        strokePolyline(c, {{corner.x + dx * 6, corner.y}, {corner.x + dx * 30, corner.y}});
        strokePolyline(c, {{corner.x, corner.y + dy * 6}, {corner.x, corner.y + dy * 30}});
    }
    strokeCircle(c, {306, 60}, 12);
    addPage(pdf, page);
    savePdf(pdf, dir / "crop-marks.pdf");
}

void writeBlendedText(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Highlights and a soft mask on a text page");
    const PdfObjPtr multiply = addObject(pdf, "<</Type/ExtGState/BM/Multiply>>");
    // A luminosity mask declared over the whole page, painting through at 60%.
    const PdfObjPtr maskGroup = addStream(pdf,
                                          "<</Type/XObject/Subtype/Form/BBox [0 0 595 842]"
                                          "/Group <</S/Transparency/CS/DeviceGray>>>>",
                                          "0.6 g 0 0 595 842 re f");
    const PdfObjPtr softMask = addObject(
        pdf, "<</Type/ExtGState/SMask <</S/Luminosity/G " + reference(pdf, maskGroup) + ">>>>");
    PageSpec page;
    page.media = {0, 0, 595, 842};
    page.resources.push_back({"ExtGState", "GMul", multiply.get()});
    page.resources.push_back({"ExtGState", "GMask", softMask.get()});
    Content& c = page.content;
    setFill(c, rgbFromHex(0x1A1A1A));
    for (int line = 0; line < kBlendedTextLines; ++line) {
        drawText(c, kSans, 11, {72, 780 - 16.0 * line},
                 "Line " + std::to_string(line + 1) + " of a page whose text must stay sharp");
    }
    saveState(c);  // a highlighter stroke over the second line
    setGraphicsState(c, "GMul");
    setFill(c, rgbFromHex(0xFFE14D));
    fillRect(c, {70, 760, 330, 776});
    restoreState(c);
    saveState(c);  // a small square seen through the page-wide mask
    setGraphicsState(c, "GMask");
    setFill(c, rgbFromHex(0x0000CC));
    fillRect(c, kBlendedTextSquare);
    restoreState(c);
    addPage(pdf, page);
    savePdf(pdf, dir / "blended-text.pdf");
}

void writeEncryptedObjectStream(const std::filesystem::path& dir) {
    writeFile(dir / "encrypted-objstm.pdf", encryptedObjectStreamFile());
}

void writeEncryptedAttachment(const std::filesystem::path& dir) {
    writeFile(dir / "encrypted-attachment.pdf", encryptedAttachmentFile());
}

void writeClaimedPages(const std::filesystem::path& dir) {
    writeFile(dir / "claimed-pages.pdf", claimedPagesFile());
}

void writePageCycle(const std::filesystem::path& dir) {
    writeFile(dir / "page-cycle.pdf", pageCycleFile());
}

void writeZeroWidthImage(const std::filesystem::path& dir) {
    writeFile(dir / "zero-width-image.pdf", zeroWidthImageFile());
}

}  // namespace pdfgen
