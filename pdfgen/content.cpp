// Page content streams as text: shapes, colours, text runs and word wrapping.
#include "content.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pdfgen {
namespace {

// The WinAnsi bytes 0x80-0x9F hold typographic characters that Latin-1 keeps elsewhere.
int winansi_byte(char32_t cp) {
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

void append_op(Content& c, std::initializer_list<double> operands, std::string_view op) {
    for (double v : operands) {
        c.ops += format_number(v);
        c.ops += ' ';
    }
    c.ops += op;
    c.ops += '\n';
}

// Renderers turn a component into a byte by truncating or by rounding; rounding up at five
// decimals gives the intended byte either way.
std::string colour_operands(Rgb k) {
    std::string out;
    for (double v : {k.r, k.g, k.b}) {
        out += format_number(std::ceil(v * 1e5 - 1e-6) / 1e5, 5) + " ";
    }
    return out;
}

void path_polygon(Content& c, const std::vector<Point>& points) {
    for (size_t i = 0; i < points.size(); ++i) {
        append_op(c, {points[i].x, points[i].y}, i == 0 ? "m" : "l");
    }
}

// Four Bezier quarter arcs; kappa places the control points of a quarter circle.
void path_circle(Content& c, Point o, double r) {
    const double k = 0.5523 * r;
    append_op(c, {o.x + r, o.y}, "m");
    append_op(c, {o.x + r, o.y + k, o.x + k, o.y + r, o.x, o.y + r}, "c");
    append_op(c, {o.x - k, o.y + r, o.x - r, o.y + k, o.x - r, o.y}, "c");
    append_op(c, {o.x - r, o.y - k, o.x - k, o.y - r, o.x, o.y - r}, "c");
    append_op(c, {o.x + k, o.y - r, o.x + r, o.y - k, o.x + r, o.y}, "c");
}

}  // namespace

std::u32string decode_utf8(std::string_view s) {
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

Rgb rgb_from_hex(unsigned hex) {
    return {((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0};
}

std::string format_number(double v, int decimals) {
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

std::string to_winansi(std::string_view utf8) {
    std::string out;
    for (char32_t cp : decode_utf8(utf8)) {
        out += static_cast<char>(winansi_byte(cp));
    }
    return out;
}

std::string pdf_literal(std::string_view bytes) {
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

void save_state(Content& c) {
    c.ops += "q\n";
}
void restore_state(Content& c) {
    c.ops += "Q\n";
}
void set_fill(Content& c, Rgb k) {
    c.ops += colour_operands(k) + "rg\n";
}

void set_stroke(Content& c, Rgb k, double line_width) {
    c.ops += colour_operands(k) + "RG\n";
    append_op(c, {line_width}, "w");
}

void set_dash(Content& c, double on, double off) {
    c.ops += "[" + format_number(on) + " " + format_number(off) + "] 0 d\n";
}

void set_graphics_state(Content& c, std::string_view name) {
    c.ops += "/" + std::string(name) + " gs\n";
}

void fill_rect(Content& c, Rect r) {
    append_op(c, {r.x0, r.y0, r.width(), r.height()}, "re f");
}
void stroke_rect(Content& c, Rect r) {
    append_op(c, {r.x0, r.y0, r.width(), r.height()}, "re S");
}

void fill_circle(Content& c, Point centre, double radius) {
    path_circle(c, centre, radius);
    c.ops += "f\n";
}

void stroke_circle(Content& c, Point centre, double radius) {
    path_circle(c, centre, radius);
    c.ops += "S\n";
}

void fill_polygon(Content& c, const std::vector<Point>& points) {
    path_polygon(c, points);
    c.ops += "h f\n";
}

void stroke_polyline(Content& c, const std::vector<Point>& points) {
    path_polygon(c, points);
    c.ops += "S\n";
}

void draw_image(Content& c, std::string_view name, Rect r) {
    save_state(c);
    append_op(c, {r.width(), 0, 0, r.height(), r.x0, r.y0}, "cm");
    c.ops += "/" + std::string(name) + " Do\n";
    restore_state(c);
}

void clip_rect(Content& c, Rect r) {
    append_op(c, {r.x0, r.y0, r.width(), r.height()}, "re W n");
}

void clip_circle(Content& c, Point centre, double radius) {
    path_circle(c, centre, radius);
    c.ops += "W n\n";
}

void draw_text(Content& c, std::string_view font, double size, Point baseline,
               std::string_view utf8) {
    c.ops += "BT /" + std::string(font) + " " + format_number(size) + " Tf ";
    append_op(c, {baseline.x, baseline.y}, "Td");
    c.ops += pdf_literal(to_winansi(utf8)) + " Tj ET\n";
}

std::vector<std::string> wrap_words(std::string_view text, double max_width, double size,
                                    const WidthOf& width_of) {
    // Standard fonts have no kerning, so a line is as wide as the sum of its words and spaces.
    const double space = width_of(" ") * size;
    std::vector<std::string> lines;
    std::string line;
    double line_width = 0;
    size_t pos = 0;
    while ((pos = text.find_first_not_of(' ', pos)) != std::string_view::npos) {
        const size_t end = std::min(text.find(' ', pos), text.size());
        const std::string_view word = text.substr(pos, end - pos);
        const double word_width = width_of(word) * size;
        if (!line.empty() && line_width + space + word_width > max_width) {
            lines.push_back(std::move(line));
            line.clear();
        }
        line_width = line.empty() ? word_width : line_width + space + word_width;
        line += line.empty() ? std::string(word) : " " + std::string(word);
        pos = end;
    }
    if (!line.empty()) {
        lines.push_back(std::move(line));
    }
    return lines;
}

FlowResult flow_paragraphs(Content& c, const TextBlock& style, const WidthOf& width_of, Rect box,
                           const std::vector<std::string>& paragraphs, double paragraph_gap) {
    FlowResult result{box.y1 - style.size, 0};
    set_fill(c, style.colour);
    for (const std::string& paragraph : paragraphs) {
        const auto lines = wrap_words(paragraph, box.width(), style.size, width_of);
        for (const std::string& line : lines) {
            if (result.next_y < box.y0) {
                return result;
            }
            draw_text(c, style.font, style.size, {box.x0, result.next_y}, line);
            result.next_y -= style.leading;
        }
        ++result.paragraphs_drawn;
        result.next_y -= paragraph_gap;
    }
    return result;
}

}  // namespace pdfgen
