// Page content streams as text: shapes, colours, text runs and word wrapping, free of MuPDF.
#pragma once

#include <functional>
#include <initializer_list>
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

Rgb rgbFromHex(unsigned hex);

// Width of a text at size 1, in text space units; the document supplies it from the font.
using WidthOf = std::function<double(std::string_view utf8)>;

struct Content {
    std::string ops;
};

// Numbers in a stable short form ("12.5", "-3", "0.333") so output is the same on every run.
std::string formatNumber(double v, int decimals = 3);

// Code points of a UTF-8 text; a malformed byte becomes '?'.
std::u32string decodeUtf8(std::string_view utf8);

// UTF-8 to the single-byte WinAnsi encoding of the standard fonts; characters it lacks become '?'.
std::string toWinansi(std::string_view utf8);
// A PDF literal string, "(...)", with delimiters and non-ASCII bytes escaped.
std::string pdfLiteral(std::string_view bytes);

// One operator line: the operands in the stable number form, then the operator.
void appendOp(Content& c, std::initializer_list<double> operands, std::string_view op);
// Paths left open for the caller's paint or clip operator.
void pathPolygon(Content& c, const std::vector<Point>& points);
void pathCircle(Content& c, Point centre, double radius);

void saveState(Content& c);
void restoreState(Content& c);
void setFill(Content& c, Rgb colour);
void setStroke(Content& c, Rgb colour, double lineWidth);
void setDash(Content& c, double on, double off);
void setGraphicsState(Content& c, std::string_view name);
void fillRect(Content& c, Rect r);
void strokeRect(Content& c, Rect r);
void fillCircle(Content& c, Point centre, double radius);
void strokeCircle(Content& c, Point centre, double radius);
void fillPolygon(Content& c, const std::vector<Point>& points);
void strokePolyline(Content& c, const std::vector<Point>& points);
void drawImage(Content& c, std::string_view name, Rect placement);
// Limit later painting (until the enclosing restoreState) to a shape.
void clipRect(Content& c, Rect r);
void clipCircle(Content& c, Point centre, double radius);
void drawText(Content& c, std::string_view font, double size, Point baseline,
              std::string_view utf8);

// Greedy word wrap: each line fits maxWidth at the given size, unless one word alone is wider.
std::vector<std::string> wrapWords(std::string_view text, double maxWidth, double size,
                                   const WidthOf& widthOf);

struct TextBlock {
    std::string_view font;
    double size = 10;
    double leading = 12;
    Rgb colour;
};

// Draws wrapped paragraphs downward from the top of the box, stopping at its bottom. Returns the
// baseline y below the last line drawn (the next free line), and how many paragraphs fitted.
struct FlowResult {
    double nextY = 0;
    size_t paragraphsDrawn = 0;
};
FlowResult flowParagraphs(Content& c, const TextBlock& style, const WidthOf& widthOf, Rect box,
                          const std::vector<std::string>& paragraphs, double paragraphGap);

}  // namespace pdfgen
