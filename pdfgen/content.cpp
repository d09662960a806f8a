// Page content streams as text: shapes, colours, text runs and word wrapping.
#include "content.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pdfgen {
namespace {

// The WinAnsi bytes 0x80-0x9F hold typographic characters that Latin-1 keeps elsewhere.
int winansiByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    switch (cp) {
        case 0x20AC:
            return 0x80;
        case 0x2026:
            return 0x85;
        case 0x2018:
            return 0x91;
        case 0x2019:
            return 0x92;
        case 0x201C:
            return 0x93;
        case 0x201D:
            return 0x94;
        case 0x2022:
            return 0x95;
        case 0x2013:
            return 0x96;
        case 0x2014:
            return 0x97;
        default:
            return '?';
    }
}

// Renderers turn a component into a byte by truncating or by rounding; rounding up at five
// decimals gives the intended byte either way.
std::string colourOperands(Rgb k) {
    std::string out;
    for (double v : {k.r, k.g, k.b}) {
        out += formatNumber(std::ceil(v * 1e5 - 1e-6) / 1e5, 5) + " ";
    }
    return out;
}

}  // namespace

void appendOp(Content& c, std::initializer_list<double> operands, std::string_view op) {
    for (double v : operands) {
        c.ops += formatNumber(v);
        c.ops += ' ';
    }
    c.ops += op;
    c.ops += '\n';
}

void pathPolygon(Content& c, const std::vector<Point>& points) {
    for (size_t i = 0; i < points.size(); ++i) {
        appendOp(c, {points[i].x, points[i].y}, i == 0 ? "m" : "l");
    }
}

// Four Bezier quarter arcs; kappa places the control points of a quarter circle.
void pathCircle(Content& c, Point o, double r) {
    const double k = 0.5523 * r;
    appendOp(c, {o.x + r, o.y}, "m");
    appendOp(c, {o.x + r, o.y + k, o.x + k, o.y + r, o.x, o.y + r}, "c");
    appendOp(c, {o.x - k, o.y + r, o.x - r, o.y + k, o.x - r, o.y}, "c");
    appendOp(c, {o.x - r, o.y - k, o.x - k, o.y - r, o.x, o.y - r}, "c");
    appendOp(c, {o.x + k, o.y - r, o.x + r, o.y - k, o.x + r, o.y}, "c");
}

std::u32string decodeUtf8(std::string_view s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const int extra = lead < 0x80    ? 0
                          : lead >= 0xF0 ? 3
                          : lead >= 0xE0 ? 2
                          : lead >= 0xC0 ? 1
                                         : -1;
        if (extra < 0 || i + extra >= s.size()) {
            out += U'?';
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            valid = valid && (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        out += valid ? cp : U'?';
        i += valid ? extra + 1 : 1;
    }
    return out;
}

Rgb rgbFromHex(unsigned hex) {
    return {((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0};
}

std::string formatNumber(double v, int decimals) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s(buf);
    while (s.back() == '0') {
        s.pop_back();
    }
    if (s.back() == '.') {
        s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

std::string toWinansi(std::string_view utf8) {
    std::string out;
    for (char32_t cp : decodeUtf8(utf8)) {
        out += static_cast<char>(winansiByte(cp));
    }
    return out;
}

std::string pdfLiteral(std::string_view bytes) {
    std::string out = "(";
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (ch == '(' || ch == ')' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (b < 0x20 || b > 0x7E) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\%03o", b);
            out += esc;
        } else {
            out += ch;
        }
    }
    return out + ")";
}

void saveState(Content& c) {
    c.ops += "q\n";
}
void restoreState(Content& c) {
    c.ops += "Q\n";
}
void setFill(Content& c, Rgb k) {
    c.ops += colourOperands(k) + "rg\n";
}

void setStroke(Content& c, Rgb k, double lineWidth) {
    c.ops += colourOperands(k) + "RG\n";
    appendOp(c, {lineWidth}, "w");
}

void setDash(Content& c, double on, double off) {
    c.ops += "[" + formatNumber(on) + " " + formatNumber(off) + "] 0 d\n";
}

void setGraphicsState(Content& c, std::string_view name) {
    c.ops += "/" + std::string(name) + " gs\n";
}

void fillRect(Content& c, Rect r) {
    appendOp(c, {r.x0, r.y0, r.width(), r.height()}, "re f");
}
void strokeRect(Content& c, Rect r) {
    appendOp(c, {r.x0, r.y0, r.width(), r.height()}, "re S");
}

void fillCircle(Content& c, Point centre, double radius) {
    pathCircle(c, centre, radius);
    c.ops += "f\n";
}

void strokeCircle(Content& c, Point centre, double radius) {
    pathCircle(c, centre, radius);
    c.ops += "S\n";
}

void fillPolygon(Content& c, const std::vector<Point>& points) {
    pathPolygon(c, points);
    c.ops += "h f\n";
}

void strokePolyline(Content& c, const std::vector<Point>& points) {
    pathPolygon(c, points);
    c.ops += "S\n";
}

void drawImage(Content& c, std::string_view name, Rect r) {
    saveState(c);
    appendOp(c, {r.width(), 0, 0, r.height(), r.x0, r.y0}, "cm");
    c.ops += "/" + std::string(name) + " Do\n";
    restoreState(c);
}

void clipRect(Content& c, Rect r) {
    appendOp(c, {r.x0, r.y0, r.width(), r.height()}, "re W n");
}

void clipCircle(Content& c, Point centre, double radius) {
    pathCircle(c, centre, radius);
    c.ops += "W n\n";
}

void drawText(Content& c, std::string_view font, double size, Point baseline,
              std::string_view utf8) {
    c.ops += "BT /" + std::string(font) + " " + formatNumber(size) + " Tf ";
    appendOp(c, {baseline.x, baseline.y}, "Td");
    c.ops += pdfLiteral(toWinansi(utf8)) + " Tj ET\n";
}

std::vector<std::string> wrapWords(std::string_view text, double maxWidth, double size,
                                   const WidthOf& widthOf) {
    // Standard fonts have no kerning, so a line is as wide as the sum of its words and spaces.
    const double space = widthOf(" ") * size;
    std::vector<std::string> lines;
    std::string line;
    double lineWidth = 0;
    size_t pos = 0;
    while ((pos = text.find_first_not_of(' ', pos)) != std::string_view::npos) {
        const size_t end = std::min(text.find(' ', pos), text.size());
        const std::string_view word = text.substr(pos, end - pos);
        const double wordWidth = widthOf(word) * size;
        if (!line.empty() && lineWidth + space + wordWidth > maxWidth) {
            lines.push_back(std::move(line));
            line.clear();
        }
        lineWidth = line.empty() ? wordWidth : lineWidth + space + wordWidth;
        line += line.empty() ? std::string(word) : " " + std::string(word);
        pos = end;
    }
    if (!line.empty()) {
        lines.push_back(std::move(line));
    }
    return lines;
}

FlowResult flowParagraphs(Content& c, const TextBlock& style, const WidthOf& widthOf, Rect box,
                          const std::vector<std::string>& paragraphs, double paragraphGap) {
    FlowResult result{box.y1 - style.size, 0};
    setFill(c, style.colour);
    for (const std::string& paragraph : paragraphs) {
        const auto lines = wrapWords(paragraph, box.width(), style.size, widthOf);
        for (const std::string& line : lines) {
            if (result.nextY < box.y0) {
                return result;
            }
            drawText(c, style.font, style.size, {box.x0, result.nextY}, line);
            result.nextY -= style.leading;
        }
        ++result.paragraphsDrawn;
        result.nextY -= paragraphGap;
    }
    return result;
}

}  // namespace pdfgen
