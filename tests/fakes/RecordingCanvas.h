#pragma once

#include <string>
#include <vector>

#include "platform/Canvas.h"

// Keeps every drawing call. Text measures like a fixed-pitch font: a half-width character is
// half the font height wide (or HalfWidth when set), a full-width one twice that.
class RecordingCanvas final : public Canvas {
public:
    struct Text {
        int X;
        int Y;
        std::string Value;
        CanvasFont Font;
        CanvasColor Color;
    };
    struct Fill {
        CanvasRect Rect;
        CanvasColor Color;
    };

    std::vector<Text> Texts;
    std::vector<Fill> Fills;
    std::vector<CanvasRect> Rectangles;
    std::vector<CanvasRect> Ellipses;
    std::vector<std::pair<CanvasPoint, CanvasPoint>> Lines;
    std::vector<CanvasPen> LinePens;       // the pen of each line, same order
    std::vector<CanvasPen> RectanglePens;  // the pen of each rectangle, same order
    int HalfWidth = 0;                     // 0: half the font height
    CanvasSize SizeMm{210, 297};

    MapMode Mode = MapMode::Pixels;
    CanvasFont CurrentFont;
    CanvasPen CurrentPen;
    CanvasColor CurrentTextColor = kBlack;
    bool Transparent = false;

    MapMode SetMapMode(MapMode mode) override;
    CanvasFont SelectFont(const CanvasFont& font) override;
    CanvasPen SelectPen(const CanvasPen& pen) override;
    CanvasColor SetTextColor(CanvasColor color) override;
    bool SetTransparentText(bool transparent) override;
    CanvasSize DeviceSizeMm() const override { return SizeMm; }

    void FillRect(const CanvasRect& rect, CanvasColor color) override { Fills.push_back({rect, color}); }
    void Rectangle(const CanvasRect& rect) override
    {
        Rectangles.push_back(rect);
        RectanglePens.push_back(CurrentPen);
    }
    void Ellipse(const CanvasRect& rect) override { Ellipses.push_back(rect); }
    void Line(CanvasPoint from, CanvasPoint to) override
    {
        Lines.emplace_back(from, to);
        LinePens.push_back(CurrentPen);
    }
    void TextOut(int x, int y, const std::string& text) override;
    CanvasSize TextExtent(const std::string& text) override;
};

// Display columns of UTF-8 text: 1 for ASCII and half-width katakana, 2 for the rest.
int DisplayColumns(const std::string& text);
