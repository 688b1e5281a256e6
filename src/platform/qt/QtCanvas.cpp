#include "platform/qt/QtCanvas.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <cmath>

namespace {

QColor ToQColor(CanvasColor color)
{
    return QColor(color.R, color.G, color.B);
}

}  // namespace

QtCanvas::QtCanvas(QPainter& painter) : m_painter(painter)
{
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_deviceFont = DeviceFont(m_font, m_font.Height);
    ApplyPen();
}

QString QtCanvas::ResolveFamily(const std::string& face)
{
    static const QString gothic = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* name : {"IPAGothic", "IPAゴシック"}) {
            if (families.contains(QString::fromUtf8(name))) {
                return QString::fromUtf8(name);
            }
        }
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }();
    if (face.empty() || face == kGothicFace) {
        return gothic;
    }
    return QString::fromStdString(face);
}

QFont QtCanvas::DeviceFont(const CanvasFont& font, double heightPixels)
{
    QFont result(ResolveFamily(font.Face));
    result.setStyleHint(font.FixedPitch ? QFont::TypeWriter : QFont::AnyStyle);
    result.setFixedPitch(font.FixedPitch);
    result.setWeight(static_cast<QFont::Weight>(std::clamp(font.Weight, 100, 900)));
    result.setKerning(false);
    // A desktop fixed-pitch gothic has its em as tall as its cell: half-width letters are
    // exactly half the height wide. Keep that, whatever line spacing the font file adds.
    result.setPixelSize(std::max(1, static_cast<int>(std::lround(heightPixels))));
    return result;
}

MapMode QtCanvas::SetMapMode(MapMode mode)
{
    const MapMode old = m_mode;
    m_mode = mode;
    if (mode == MapMode::Pixels) {
        m_scaleX = 1.0;
        m_scaleY = 1.0;
    } else {
        const QPaintDevice* device = m_painter.device();
        m_scaleX = device->logicalDpiX() / 254.0;
        m_scaleY = -device->logicalDpiY() / 254.0;
    }
    m_deviceFont = DeviceFont(m_font, m_font.Height * std::abs(m_scaleY));
    ApplyPen();
    return old;
}

CanvasFont QtCanvas::SelectFont(const CanvasFont& font)
{
    const CanvasFont old = m_font;
    m_font = font;
    m_deviceFont = DeviceFont(m_font, m_font.Height * std::abs(m_scaleY));
    return old;
}

CanvasPen QtCanvas::SelectPen(const CanvasPen& pen)
{
    const CanvasPen old = m_pen;
    m_pen = pen;
    ApplyPen();
    return old;
}

CanvasColor QtCanvas::SetTextColor(CanvasColor color)
{
    const CanvasColor old = m_textColor;
    m_textColor = color;
    return old;
}

bool QtCanvas::SetTransparentText(bool transparent)
{
    const bool old = m_transparent;
    m_transparent = transparent;
    return old;
}

CanvasSize QtCanvas::DeviceSizeMm() const
{
    const QPaintDevice* device = m_painter.device();
    return {device->widthMM(), device->heightMM()};
}

void QtCanvas::ApplyPen()
{
    const double width = m_pen.Width <= 1 ? 0.0 : m_pen.Width * std::abs(m_scaleX);
    QPen pen(ToQColor(m_pen.Color), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    pen.setCosmetic(width == 0.0);
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
}

QPointF QtCanvas::ToDevice(int x, int y) const
{
    return {x * m_scaleX, y * m_scaleY};
}

QRectF QtCanvas::ToDevice(const CanvasRect& rect) const
{
    return QRectF(ToDevice(rect.Left, rect.Top), ToDevice(rect.Right, rect.Bottom)).normalized();
}

void QtCanvas::FillRect(const CanvasRect& rect, CanvasColor color)
{
    m_painter.fillRect(ToDevice(rect), ToQColor(color));
}

void QtCanvas::Rectangle(const CanvasRect& rect)
{
    QRectF area = ToDevice(rect);
    if (m_mode == MapMode::Pixels) {
        // The outline covers the first and the last pixel inside the rectangle.
        area.adjust(0, 0, -1, -1);
    }
    if (area.width() < 0 || area.height() < 0) {
        return;
    }
    m_painter.drawRect(area);
}

void QtCanvas::Ellipse(const CanvasRect& rect)
{
    m_painter.save();
    m_painter.setBrush(Qt::white);
    m_painter.drawEllipse(ToDevice(rect));
    m_painter.restore();
}

void QtCanvas::Line(CanvasPoint from, CanvasPoint to)
{
    m_painter.drawLine(ToDevice(from.X, from.Y), ToDevice(to.X, to.Y));
}

void QtCanvas::TextOut(int x, int y, const std::string& text)
{
    const QString line = QString::fromStdString(text);
    const QFontMetricsF metrics(m_deviceFont, m_painter.device());
    m_painter.save();
    m_painter.translate(ToDevice(x, y));
    if (m_font.Escapement != 0) {
        m_painter.rotate(-m_font.Escapement / 10.0);
    }
    // The cell is the height asked for; the baseline divides it as the font divides its own.
    const double cell = m_font.Height * std::abs(m_scaleY);
    const double baseline = cell * metrics.ascent() / std::max(1.0, metrics.ascent() + metrics.descent());
    if (!m_transparent) {
        m_painter.fillRect(QRectF(0, 0, metrics.horizontalAdvance(line), cell), Qt::white);
    }
    m_painter.setFont(m_deviceFont);
    m_painter.setPen(ToQColor(m_textColor));
    m_painter.drawText(QPointF(0, baseline), line);
    m_painter.restore();
}

CanvasSize QtCanvas::TextExtent(const std::string& text)
{
    const QFontMetricsF metrics(m_deviceFont, m_painter.device());
    const double width = metrics.horizontalAdvance(QString::fromStdString(text)) / std::abs(m_scaleX);
    return {static_cast<int>(std::lround(width)), m_font.Height};
}
