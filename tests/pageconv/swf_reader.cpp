// The tests' SWF reader, written apart from the converter's writer so that the two check each
// other.
#include "swf_reader.h"

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace swftest {
namespace {

struct BitReader {
    const Bytes& bytes;
    size_t bit = 0;

    uint32_t unsignedBits(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++bit) {
            if (bit / 8 >= bytes.size()) {
                throw std::runtime_error("bit field runs past the end");
            }
            value = (value << 1) | ((bytes[bit / 8] >> (7 - bit % 8)) & 1U);
        }
        return value;
    }
    int32_t signedBits(int count) {
        const uint32_t raw = unsignedBits(count);
        if (count > 0 && count < 32 && (raw >> (count - 1)) != 0) {
            return static_cast<int32_t>(raw | ~((1U << count) - 1));
        }
        return static_cast<int32_t>(raw);
    }
    void align() { bit = (bit + 7) / 8 * 8; }
    size_t byte() const { return bit / 8; }
    uint32_t u8() {
        align();
        return unsignedBits(8);
    }
    uint32_t u16() { return u8() | (u8() << 8); }
    uint32_t u32() { return u16() | (u16() << 16); }
};

Bytes inflateAll(const Bytes& packed, size_t expected) {
    Bytes out(expected);
    uLongf size = expected;
    if (uncompress(out.data(), &size, packed.data(), packed.size()) != Z_OK) {
        throw std::runtime_error("CWS body does not inflate");
    }
    out.resize(size);
    return out;
}

void readRect(BitReader& in, int32_t (&rect)[4]) {
    in.align();
    const int bits = static_cast<int>(in.unsignedBits(5));
    for (int32_t& v : rect) {
        v = in.signedBits(bits);
    }
    in.align();
}

void readMatrix(BitReader& in, ShapeInfo& shape) {
    in.align();
    if (in.unsignedBits(1) != 0) {
        const int bits = static_cast<int>(in.unsignedBits(5));
        shape.scaleX = in.signedBits(bits) / 65536.0;
        shape.scaleY = in.signedBits(bits) / 65536.0;
    }
    if (in.unsignedBits(1) != 0) {
        const int bits = static_cast<int>(in.unsignedBits(5));
        in.signedBits(bits);
        in.signedBits(bits);
    }
    const int bits = static_cast<int>(in.unsignedBits(5));
    shape.translateX = in.signedBits(bits);
    shape.translateY = in.signedBits(bits);
    in.align();
}

std::string readString(const Bytes& bytes, size_t& pos) {
    std::string text;
    while (pos < bytes.size() && bytes[pos] != 0) {
        text += static_cast<char>(bytes[pos++]);
    }
    if (pos >= bytes.size()) {
        throw std::runtime_error("unterminated string");
    }
    ++pos;
    return text;
}

}  // namespace

Movie readMovie(const Bytes& file) {
    if (file.size() < 8) {
        throw std::runtime_error("shorter than a SWF header");
    }
    Movie movie;
    movie.signature.assign(file.begin(), file.begin() + 3);
    movie.version = file[3];
    movie.declaredLength = file[4] | (file[5] << 8) | (file[6] << 16) | (file[7] << 24);
    const Bytes tail(file.begin() + 8, file.end());
    Bytes body;
    if (movie.signature == "CWS") {
        body = inflateAll(tail, movie.declaredLength - 8);
    } else if (movie.signature == "FWS") {
        body = tail;
    } else {
        throw std::runtime_error("bad signature");
    }
    movie.actualLength = static_cast<uint32_t>(body.size() + 8);
    BitReader in{body};
    readRect(in, movie.stage);
    in.u16();  // frame rate
    movie.frameCount = static_cast<int>(in.u16());
    while (true) {
        const uint32_t header = in.u16();
        Tag tag{static_cast<int>(header >> 6), (header & 0x3F) == 0x3F, {}};
        const size_t length = tag.longHeader ? in.u32() : (header & 0x3F);
        if (in.byte() + length > body.size()) {
            throw std::runtime_error("tag runs past the end of the file");
        }
        tag.body.assign(body.begin() + in.byte(), body.begin() + in.byte() + length);
        in.bit += length * 8;
        movie.tags.push_back(std::move(tag));
        if (movie.tags.back().code == 0) {
            break;
        }
    }
    if (in.byte() != body.size()) {
        throw std::runtime_error("bytes after the End tag");
    }
    return movie;
}

Bytes readFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot open " + path);
    }
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::array<int, 3> jpegFrame(const Bytes& jpeg) {
    for (size_t i = 0; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC1)) {
            return {(jpeg[i + 7] << 8) | jpeg[i + 8], (jpeg[i + 5] << 8) | jpeg[i + 6],
                    jpeg[i + 9]};
        }
    }
    return {0, 0, 0};
}

Movie readMovieFile(const std::string& path) {
    return readMovie(readFileBytes(path));
}

ShapeInfo readShape(const Tag& tag) {
    BitReader in{tag.body};
    ShapeInfo shape;
    shape.id = static_cast<int>(in.u16());
    readRect(in, shape.bounds);
    if (in.u8() < 1) {
        return shape;
    }
    shape.fillType = static_cast<int>(in.u8());
    if (shape.fillType >= 0x40) {
        shape.bitmapId = static_cast<int>(in.u16());
        readMatrix(in, shape);
    } else if (shape.fillType == 0x00) {
        const uint32_t r = in.u8();
        const uint32_t g = in.u8();
        shape.solidRgb = (r << 16) | (g << 8) | in.u8();
    }
    return shape;
}

std::optional<std::pair<std::string, std::string>> buttonUrl(const Tag& tag) {
    const Bytes& b = tag.body;
    if (b.size() < 5) {
        return std::nullopt;
    }
    const size_t actionOffset = b[3] | (b[4] << 8);
    size_t pos = 3 + actionOffset + 4;  // past the condition record's size and flags
    if (actionOffset == 0 || pos >= b.size() || b[pos] != 0x83) {
        return std::nullopt;
    }
    pos += 3;
    std::string url = readString(b, pos);
    std::string target = readString(b, pos);
    return std::make_pair(url, target);
}

namespace {

Matrix readFullMatrix(BitReader& in) {
    Matrix m;
    in.align();
    if (in.unsignedBits(1) != 0) {
        const int bits = static_cast<int>(in.unsignedBits(5));
        m.scaleX = in.signedBits(bits) / 65536.0;
        m.scaleY = in.signedBits(bits) / 65536.0;
    }
    if (in.unsignedBits(1) != 0) {
        const int bits = static_cast<int>(in.unsignedBits(5));
        m.rotateSkew0 = in.signedBits(bits) / 65536.0;
        m.rotateSkew1 = in.signedBits(bits) / 65536.0;
    }
    const int bits = static_cast<int>(in.unsignedBits(5));
    m.translateX = in.signedBits(bits);
    m.translateY = in.signedBits(bits);
    in.align();
    return m;
}

uint32_t readRgba(BitReader& in) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v = (v << 8) | in.u8();
    }
    return v;
}

FillStyle readFillStyle(BitReader& in) {
    FillStyle f;
    f.type = static_cast<int>(in.u8());
    if (f.type == 0x00) {
        f.rgba = readRgba(in);
    } else if (f.type >= 0x40 && f.type <= 0x43) {
        f.bitmapId = static_cast<int>(in.u16());
        f.matrix = readFullMatrix(in);
    } else if (f.type == 0x10 || f.type == 0x12 || f.type == 0x13) {
        f.matrix = readFullMatrix(in);
        const uint32_t head = in.u8();
        f.spread = static_cast<int>(head >> 6);
        f.interpolation = static_cast<int>((head >> 4) & 3);
        for (uint32_t i = 0; i < (head & 15); ++i) {
            GradientRecord stop;
            stop.ratio = static_cast<int>(in.u8());
            stop.rgba = readRgba(in);
            f.stops.push_back(stop);
        }
        if (f.type == 0x13) {
            f.focalPoint = static_cast<int16_t>(in.u16()) / 256.0;
        }
    } else {
        throw std::runtime_error("fill style the reader does not know");
    }
    return f;
}

LineStyle2 readLineStyle2(BitReader& in) {
    LineStyle2 l;
    l.width = static_cast<int>(in.u16());
    l.startCap = static_cast<int>(in.unsignedBits(2));
    l.join = static_cast<int>(in.unsignedBits(2));
    const bool hasFill = in.unsignedBits(1) != 0;
    in.unsignedBits(3);  // scale flags, pixel hinting
    in.unsignedBits(5);
    l.noClose = in.unsignedBits(1) != 0;
    l.endCap = static_cast<int>(in.unsignedBits(2));
    if (l.join == 2) {
        l.miterLimit = in.u16() / 256.0;
    }
    if (hasFill) {
        throw std::runtime_error("filled line styles are not read");
    }
    l.rgba = readRgba(in);
    return l;
}

size_t readCount(BitReader& in) {
    const size_t count = in.u8();
    return count == 0xFF ? in.u16() : count;
}

// Shape records with absolute coordinates; style arrays inside records are not expected.
std::vector<Edge> readShapeRecords(BitReader& in, int fillBits, int lineBits) {
    std::vector<Edge> edges;
    Point pen;
    while (true) {
        if (in.unsignedBits(1) == 0) {
            const uint32_t flags = in.unsignedBits(5);
            if (flags == 0) {
                break;
            }
            if (flags & 0x10) {
                throw std::runtime_error("new styles inside a shape are not read");
            }
            Edge move;
            move.isMove = (flags & 0x01) != 0;
            if (move.isMove) {
                const int bits = static_cast<int>(in.unsignedBits(5));
                pen.x = in.signedBits(bits);
                pen.y = in.signedBits(bits);
            }
            move.to = pen;
            move.fill0 = (flags & 0x02) ? static_cast<int>(in.unsignedBits(fillBits)) : -1;
            move.fill1 = (flags & 0x04) ? static_cast<int>(in.unsignedBits(fillBits)) : -1;
            move.line = (flags & 0x08) ? static_cast<int>(in.unsignedBits(lineBits)) : -1;
            move.isMove = true;
            edges.push_back(move);
            continue;
        }
        Edge edge;
        const bool straight = in.unsignedBits(1) != 0;
        const int bits = static_cast<int>(in.unsignedBits(4)) + 2;
        if (straight) {
            const bool general = in.unsignedBits(1) != 0;
            const bool vertical = !general && in.unsignedBits(1) != 0;
            const int32_t dx = (general || !vertical) ? in.signedBits(bits) : 0;
            const int32_t dy = (general || vertical) ? in.signedBits(bits) : 0;
            pen.x += dx;
            pen.y += dy;
        } else {
            edge.curved = true;
            edge.control = Point{pen.x + in.signedBits(bits), pen.y + in.signedBits(bits)};
            pen = Point{edge.control.x + in.signedBits(bits), edge.control.y + in.signedBits(bits)};
        }
        edge.to = pen;
        edges.push_back(edge);
    }
    in.align();
    return edges;
}

}  // namespace

std::vector<Tag> readTags(const Bytes& bytes) {
    std::vector<Tag> tags;
    BitReader in{bytes};
    while (in.byte() < bytes.size()) {
        const uint32_t header = in.u16();
        Tag tag{static_cast<int>(header >> 6), (header & 0x3F) == 0x3F, {}};
        const size_t length = tag.longHeader ? in.u32() : (header & 0x3F);
        if (in.byte() + length > bytes.size()) {
            throw std::runtime_error("tag runs past the end");
        }
        tag.body.assign(bytes.begin() + in.byte(), bytes.begin() + in.byte() + length);
        in.bit += length * 8;
        tags.push_back(std::move(tag));
        if (tags.back().code == 0) {
            break;
        }
    }
    return tags;
}

Shape4 readShape4(const Tag& tag) {
    BitReader in{tag.body};
    Shape4 shape;
    shape.id = static_cast<int>(in.u16());
    readRect(in, shape.bounds);
    readRect(in, shape.edgeBounds);
    shape.flags = static_cast<int>(in.u8());
    const size_t fills = readCount(in);
    for (size_t i = 0; i < fills; ++i) {
        shape.fills.push_back(readFillStyle(in));
    }
    const size_t lines = readCount(in);
    for (size_t i = 0; i < lines; ++i) {
        shape.lines.push_back(readLineStyle2(in));
    }
    in.align();
    const int fillBits = static_cast<int>(in.unsignedBits(4));
    const int lineBits = static_cast<int>(in.unsignedBits(4));
    shape.edges = readShapeRecords(in, fillBits, lineBits);
    if (in.byte() != tag.body.size()) {
        throw std::runtime_error("bytes after the shape records");
    }
    return shape;
}

Placement readPlaceObject2(const Tag& tag) {
    BitReader in{tag.body};
    Placement p;
    p.flags = static_cast<int>(in.u8());
    p.depth = static_cast<int>(in.u16());
    if (p.flags & 0x02) {
        p.id = static_cast<int>(in.u16());
    }
    if (p.flags & 0x3C) {
        throw std::runtime_error("placement fields the reader does not know");
    }
    if (p.flags & 0x40) {
        p.clipDepth = static_cast<int>(in.u16());
    }
    return p;
}

Font3 readFont3(const Tag& tag) {
    BitReader in{tag.body};
    Font3 font;
    font.id = static_cast<int>(in.u16());
    font.flags = static_cast<int>(in.u8());
    in.u8();  // language
    const size_t nameLength = in.u8();
    for (size_t i = 0; i < nameLength; ++i) {
        font.name += static_cast<char>(in.u8());
    }
    const size_t count = in.u16();
    const bool wide = (font.flags & 0x08) != 0;
    const size_t table = in.byte();
    for (size_t i = 0; i <= count; ++i) {
        font.offsets.push_back(wide ? in.u32() : in.u16());
    }
    for (size_t i = 0; i < count; ++i) {
        in.bit = (table + font.offsets[i]) * 8;
        const int fillBits = static_cast<int>(in.unsignedBits(4));
        const int lineBits = static_cast<int>(in.unsignedBits(4));
        font.glyphFillBits.push_back(fillBits);
        font.glyphs.push_back(readShapeRecords(in, fillBits, lineBits));
        if (in.byte() != table + font.offsets[i + 1]) {
            throw std::runtime_error("a glyph shape does not end where the next begins");
        }
    }
    in.bit = (table + font.offsets[count]) * 8;
    for (size_t i = 0; i < count; ++i) {
        font.codes.push_back(static_cast<int>((font.flags & 0x04) ? in.u16() : in.u8()));
    }
    if (font.flags & 0x80) {
        font.ascent = static_cast<int>(in.u16());
        font.descent = static_cast<int>(in.u16());
        in.u16();  // leading
        for (size_t i = 0; i < count; ++i) {
            font.advances.push_back(static_cast<int16_t>(in.u16()));
        }
        for (size_t i = 0; i < count; ++i) {
            int32_t r[4];
            readRect(in, r);
            font.glyphBounds.push_back({r[0], r[1], r[2], r[3]});
        }
        font.kerningCount = static_cast<int>(in.u16());
    }
    if (in.byte() != tag.body.size()) {
        throw std::runtime_error("bytes after the font");
    }
    return font;
}

namespace {

void readAssets(const Bytes& body, size_t pos, AssetList& list) {
    if (pos + 2 > body.size()) {
        throw std::runtime_error("asset list cut short");
    }
    const size_t count = body[pos] | (body[pos + 1] << 8);
    pos += 2;
    for (size_t i = 0; i < count; ++i) {
        if (pos + 2 > body.size()) {
            throw std::runtime_error("asset list cut short");
        }
        const int id = body[pos] | (body[pos + 1] << 8);
        pos += 2;
        list.assets.emplace_back(id, readString(body, pos));
    }
}

}  // namespace

AssetList readExportAssets(const Tag& tag) {
    AssetList list;
    readAssets(tag.body, 0, list);
    return list;
}

AssetList readImportAssets2(const Tag& tag) {
    AssetList list;
    size_t pos = 0;
    list.url = readString(tag.body, pos);
    readAssets(tag.body, pos + 2, list);  // after the two reserved bytes
    return list;
}

Text2 readText2(const Tag& tag) {
    BitReader in{tag.body};
    Text2 text;
    text.id = static_cast<int>(in.u16());
    readRect(in, text.bounds);
    text.matrix = readFullMatrix(in);
    text.glyphBits = static_cast<int>(in.u8());
    text.advanceBits = static_cast<int>(in.u8());
    int32_t x = 0;
    int32_t y = 0;
    while (true) {
        const uint32_t flags = in.u8();
        if (flags == 0) {
            break;
        }
        if ((flags & 0x80) == 0) {
            throw std::runtime_error("not a text record");
        }
        if (flags & 0x08) {
            text.fontId = static_cast<int>(in.u16());
        }
        if (flags & 0x04) {
            text.rgba = readRgba(in);
        }
        if (flags & 0x01) {
            x = static_cast<int16_t>(in.u16());
        }
        if (flags & 0x02) {
            y = static_cast<int16_t>(in.u16());
        }
        if (flags & 0x08) {
            text.height = static_cast<int>(in.u16());
        }
        const size_t count = in.u8();
        for (size_t i = 0; i < count; ++i) {
            const int index = static_cast<int>(in.unsignedBits(text.glyphBits));
            text.glyphs.push_back(TextGlyph{index, x, y, text.records});
            x += in.signedBits(text.advanceBits);
        }
        in.align();
        ++text.records;
    }
    if (in.byte() != tag.body.size()) {
        throw std::runtime_error("bytes after the text records");
    }
    return text;
}

Bitmap readBitmap(const Tag& tag) {
    BitReader in{tag.body};
    Bitmap bitmap;
    bitmap.id = static_cast<int>(in.u16());
    const auto rest = [&](size_t from) { return Bytes(tag.body.begin() + from, tag.body.end()); };
    const auto inflated = [](const Bytes& packed, size_t size) {
        Bytes out(size);
        uLongf length = size;
        if (uncompress(out.data(), &length, packed.data(), packed.size()) != Z_OK ||
            length != size) {
            throw std::runtime_error("bitmap data does not inflate to its size");
        }
        return out;
    };
    if (tag.code == 21) {
        bitmap.jpeg = rest(2);
    } else if (tag.code == 35) {
        const size_t jpegSize = in.u32();
        bitmap.jpeg.assign(tag.body.begin() + 6, tag.body.begin() + 6 + jpegSize);
        const Bytes packed = rest(6 + jpegSize);
        Bytes out(packed.size() * 1032 + 64);
        uLongf length = out.size();
        if (uncompress(out.data(), &length, packed.data(), packed.size()) != Z_OK) {
            throw std::runtime_error("alpha does not inflate");
        }
        out.resize(length);
        bitmap.alpha = out;
    } else if (tag.code == 36) {
        bitmap.format = static_cast<int>(in.u8());
        bitmap.width = static_cast<int>(in.u16());
        bitmap.height = static_cast<int>(in.u16());
        bitmap.pixels = inflated(rest(7), static_cast<size_t>(bitmap.width) * bitmap.height * 4);
    } else {
        throw std::runtime_error("not a bitmap tag");
    }
    return bitmap;
}

std::vector<const Tag*> tagsWithCode(const Movie& movie, int code) {
    std::vector<const Tag*> found;
    for (const Tag& tag : movie.tags) {
        if (tag.code == code) {
            found.push_back(&tag);
        }
    }
    return found;
}

}  // namespace swftest
