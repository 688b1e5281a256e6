#include "fakes/RecordingCanvas.h"

#include <utility>

MapMode RecordingCanvas::SetMapMode(MapMode mode)
{
    return std::exchange(Mode, mode);
}

CanvasFont RecordingCanvas::SelectFont(const CanvasFont& font)
{
    return std::exchange(CurrentFont, font);
}

CanvasPen RecordingCanvas::SelectPen(const CanvasPen& pen)
{
    return std::exchange(CurrentPen, pen);
}

CanvasColor RecordingCanvas::SetTextColor(CanvasColor color)
{
    return std::exchange(CurrentTextColor, color);
}

bool RecordingCanvas::SetTransparentText(bool transparent)
{
    return std::exchange(Transparent, transparent);
}

void RecordingCanvas::TextOut(int x, int y, const std::string& text)
{
    Texts.push_back({x, y, text, CurrentFont, CurrentTextColor});
}

CanvasSize RecordingCanvas::TextExtent(const std::string& text)
{
    const int half = HalfWidth > 0 ? HalfWidth : CurrentFont.Height / 2;
    return {half * DisplayColumns(text), CurrentFont.Height};
}

int DisplayColumns(const std::string& text)
{
    int columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        // U+FF61..U+FF9F (half-width katakana and dots) are EF BD A1..EF BE 9F.
        bool half = length == 1;
        if (length == 3 && lead == 0xEF && i + 2 < text.size()) {
            const unsigned code = ((lead & 0x0F) << 12) |
                                  ((static_cast<unsigned char>(text[i + 1]) & 0x3F) << 6) |
                                  (static_cast<unsigned char>(text[i + 2]) & 0x3F);
            half = code >= 0xFF61 && code <= 0xFF9F;
        }
        columns += half ? 1 : 2;
        i += length;
    }
    return columns;
}
