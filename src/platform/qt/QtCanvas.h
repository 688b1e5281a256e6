#pragma once

#include <QFont>
#include <QPainter>

#include "platform/Canvas.h"

// Canvas on a QPainter that is active on a widget surface, an image or a printer. The canvas
// converts every coordinate itself and draws with the painter's transform left alone, so text
// stays upright on the y-up page mapping.
class QtCanvas final : public Canvas {
public:
    explicit QtCanvas(QPainter& painter);

    MapMode SetMapMode(MapMode mode) override;
    CanvasFont SelectFont(const CanvasFont& font) override;
    CanvasPen SelectPen(const CanvasPen& pen) override;
    CanvasColor SetTextColor(CanvasColor color) override;
    bool SetTransparentText(bool transparent) override;
    CanvasSize DeviceSizeMm() const override;

    void FillRect(const CanvasRect& rect, CanvasColor color) override;
    void Rectangle(const CanvasRect& rect) override;
    void Ellipse(const CanvasRect& rect) override;
    void Line(CanvasPoint from, CanvasPoint to) override;
    void TextOut(int x, int y, const std::string& text) override;
    CanvasSize TextExtent(const std::string& text) override;

    // The family that stands for a face name: "ＭＳ ゴシック" is IPAGothic when installed,
    // else the system's fixed-pitch font.
    static QString ResolveFamily(const std::string& face);
    // The font for a cell of heightPixels device pixels.
    static QFont DeviceFont(const CanvasFont& font, double heightPixels);

private:
    QPointF ToDevice(int x, int y) const;
    QRectF ToDevice(const CanvasRect& rect) const;
    void ApplyPen();

    QPainter& m_painter;
    MapMode m_mode = MapMode::Pixels;
    double m_scaleX = 1.0;  // device pixels per logical unit
    double m_scaleY = 1.0;  // negative on the y-up mapping
    CanvasFont m_font;
    QFont m_deviceFont;
    CanvasPen m_pen;
    CanvasColor m_textColor = kBlack;
    bool m_transparent = false;
};
