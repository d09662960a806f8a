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
