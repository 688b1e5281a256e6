#pragma once

#include <cstdint>
#include <string>

// A drawing surface as the core sees it: screen, off-screen surface, printer page or a test
// recorder. It behaves like a desktop device context: one font, one pen and one text colour are
// selected at a time, text is placed by the top-left corner of its cell, and rectangles exclude
// their right and bottom edges.

struct CanvasColor {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
    friend bool operator==(const CanvasColor&, const CanvasColor&) = default;
};

inline constexpr CanvasColor kBlack{0, 0, 0};
inline constexpr CanvasColor kWhite{255, 255, 255};

struct CanvasPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const CanvasPoint&, const CanvasPoint&) = default;
};

struct CanvasSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const CanvasSize&, const CanvasSize&) = default;
};

// Logical units. With the y-up mapping Top is the larger y.
struct CanvasRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const CanvasRect&, const CanvasRect&) = default;
};

inline constexpr const char* kGothicFace = "ＭＳ ゴシック";

struct CanvasFont {
    std::string Face = kGothicFace;
    int Height = 16;   // cell height (ascent + descent), logical units
    int Weight = 400;  // 400 normal, 700 bold
    bool FixedPitch = true;
    int Escapement = 0;  // tenths of a degree, counter-clockwise on the page; 900 runs upwards
    friend bool operator==(const CanvasFont&, const CanvasFont&) = default;
};

// Always solid. Width in logical units; 0 and 1 are one device pixel.
struct CanvasPen {
    int Width = 1;
    CanvasColor Color = kBlack;
    friend bool operator==(const CanvasPen&, const CanvasPen&) = default;
};

enum class MapMode {
    Pixels,            // device pixels, y grows downwards
    TenthMillimetres,  // 0.1 mm, y grows upwards: the page top is y = 0, the page lies at y < 0
};

class Canvas {
public:
    virtual ~Canvas() = default;

    // Each selector returns what was selected before, so the caller can put it back.
    virtual MapMode SetMapMode(MapMode mode) = 0;
    virtual CanvasFont SelectFont(const CanvasFont& font) = 0;
    virtual CanvasPen SelectPen(const CanvasPen& pen) = 0;
    virtual CanvasColor SetTextColor(CanvasColor color) = 0;
    // Transparent: text leaves the background as it is; otherwise its cell is filled white.
    virtual bool SetTransparentText(bool transparent) = 0;

    // The printable area in whole millimetres.
    virtual CanvasSize DeviceSizeMm() const = 0;

    virtual void FillRect(const CanvasRect& rect, CanvasColor color) = 0;
    // Outline with the current pen; the inside is left as it is.
    virtual void Rectangle(const CanvasRect& rect) = 0;
    // The ellipse inside the rectangle, filled white and outlined with the current pen.
    virtual void Ellipse(const CanvasRect& rect) = 0;
    virtual void Line(CanvasPoint from, CanvasPoint to) = 0;
    // (x, y) is the top-left corner of the text cell before rotation. Text is UTF-8.
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    // Advance width and cell height of the text in the current font, logical units.
    virtual CanvasSize TextExtent(const std::string& text) = 0;
};
