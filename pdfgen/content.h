// Page content streams as text: shapes, colours, text runs and word wrapping, free of MuPDF.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pdfgen {

struct Point {
    double x = 0;
    double y = 0;
};

// In PDF user space: x0,y0 bottom-left, x1,y1 top-right.
struct Rect {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    double width() const { return x1 - x0; }
    double height() const { return y1 - y0; }
};

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};

Rgb rgb_from_hex(unsigned hex);

// Width of a text at size 1, in text space units; the document supplies it from the font.
using WidthOf = std::function<double(std::string_view utf8)>;

struct Content {
    std::string ops;
};

// Numbers in a stable short form ("12.5", "-3", "0.333") so output is the same on every run.
std::string format_number(double v, int decimals = 3);

// Code points of a UTF-8 text; a malformed byte becomes '?'.
std::u32string decode_utf8(std::string_view utf8);

// UTF-8 to the single-byte WinAnsi encoding of the standard fonts; characters it lacks become '?'.
std::string to_winansi(std::string_view utf8);
// A PDF literal string, "(...)", with delimiters and non-ASCII bytes escaped.
std::string pdf_literal(std::string_view bytes);

void save_state(Content& c);
void restore_state(Content& c);
void set_fill(Content& c, Rgb colour);
void set_stroke(Content& c, Rgb colour, double line_width);
void set_dash(Content& c, double on, double off);
void set_graphics_state(Content& c, std::string_view name);
void fill_rect(Content& c, Rect r);
void stroke_rect(Content& c, Rect r);
void fill_circle(Content& c, Point centre, double radius);
void stroke_circle(Content& c, Point centre, double radius);
void fill_polygon(Content& c, const std::vector<Point>& points);
void stroke_polyline(Content& c, const std::vector<Point>& points);
void draw_image(Content& c, std::string_view name, Rect placement);
// Limit later painting (until the enclosing restore_state) to a shape.
void clip_rect(Content& c, Rect r);
void clip_circle(Content& c, Point centre, double radius);
void draw_text(Content& c, std::string_view font, double size, Point baseline,
               std::string_view utf8);

// Greedy word wrap: each line fits max_width at the given size, unless one word alone is wider.
std::vector<std::string> wrap_words(std::string_view text, double max_width, double size,
                                    const WidthOf& width_of);

struct TextBlock {
    std::string_view font;
    double size = 10;
    double leading = 12;
    Rgb colour;
};

// Draws wrapped paragraphs downward from the top of the box, stopping at its bottom. Returns the
// baseline y below the last line drawn (the next free line), and how many paragraphs fitted.
struct FlowResult {
    double next_y = 0;
    size_t paragraphs_drawn = 0;
};
FlowResult flow_paragraphs(Content& c, const TextBlock& style, const WidthOf& width_of, Rect box,
                           const std::vector<std::string>& paragraphs, double paragraph_gap);

}  // namespace pdfgen
