#pragma once

// Which page the print preview shows and how large: the rules of its buttons and its wheel.
class PreviewState {
public:
    enum class Wheel { Scroll, Turned, Nothing };
    static constexpr int kMaxZoom = 2;  // 0 whole page, 1 and 2 larger

    // Pages first..last of the print dialog's range, shown from the first.
    void SetRange(int first, int last);

    int First() const { return m_first; }
    int Last() const { return m_last; }
    int Current() const { return m_current; }
    int PagesShown() const { return m_shown; }
    int Zoom() const { return m_zoom; }

    bool CanNext() const { return m_current + m_shown - 1 < m_last; }
    bool CanPrev() const { return m_current > m_first; }
    bool CanZoomIn() const { return m_zoom < kMaxZoom; }
    bool CanZoomOut() const { return m_zoom > 0; }

    // Each returns whether anything changed.
    bool Next();
    bool Prev();
    bool ZoomIn();
    bool ZoomOut();

    // A wheel step: zoomed in it scrolls the page; else towards the user (delta <= 0) the next
    // page, away the previous one, never past either end.
    Wheel OnWheel(int delta);

private:
    int m_first = 1;
    int m_last = 1;
    int m_current = 1;
    int m_shown = 1;
    int m_zoom = 0;
};
