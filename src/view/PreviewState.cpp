#include "view/PreviewState.h"

#include <algorithm>

void PreviewState::SetRange(int first, int last)
{
    m_first = std::max(1, first);
    m_last = std::max(m_first, last);
    m_current = m_first;
    m_zoom = 0;
}

bool PreviewState::Next()
{
    if (!CanNext()) {
        return false;
    }
    ++m_current;
    return true;
}

bool PreviewState::Prev()
{
    if (!CanPrev()) {
        return false;
    }
    --m_current;
    return true;
}

bool PreviewState::ZoomIn()
{
    if (!CanZoomIn()) {
        return false;
    }
    ++m_zoom;
    return true;
}

bool PreviewState::ZoomOut()
{
    if (!CanZoomOut()) {
        return false;
    }
    --m_zoom;
    return true;
}

PreviewState::Wheel PreviewState::OnWheel(int delta)
{
    if (m_zoom > 0) {
        return Wheel::Scroll;
    }
    const bool turned = delta <= 0 ? Next() : Prev();
    return turned ? Wheel::Turned : Wheel::Nothing;
}
