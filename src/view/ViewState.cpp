#include "view/ViewState.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/Tolerance.h"
#include "doc/NestrixDoc.h"

GridSize ChooseGrid(int boards, int width, int height, int maxBoardWidth, int maxBoardHeight)
{
    if (boards <= 0) {
        return {};
    }
    const double aspect = static_cast<double>(width) / height;
    int best = 1;
    double bestMismatch = 0.0;
    for (int columns = 1; columns <= boards; ++columns) {
        const int rows = (boards + columns - 1) / columns;
        const double mismatch = std::fabs((static_cast<double>(maxBoardWidth) * columns) /
                                              (static_cast<double>(maxBoardHeight) * rows) -
                                          aspect);
        if (columns == 1 || DoubleLess(mismatch, bestMismatch)) {
            best = columns;
            bestMismatch = mismatch;
        }
    }
    return {best, (boards + best - 1) / best};
}

bool ViewState::HasBoards(const CNestrixDoc& doc) const
{
    return doc.ResultPresent != 0 && !doc.RetData.Layouts.empty();
}

bool ViewState::ShowsList(const CNestrixDoc& doc) const
{
    return doc.ResultPresent != 0 && ListScreen != 0;
}

bool ViewState::ShowsDetail(const CNestrixDoc& doc) const
{
    return doc.ResultPresent != 0 && ListScreen == 0;
}

bool ViewState::LeftClick(CNestrixDoc& doc, int x, int y)
{
    if (!ShowsList(doc) || Grid.Columns <= 0 || Grid.Rows <= 0) {
        return false;
    }
    const int cellWidth = (DrawingRect.Right - DrawingRect.Left) / Grid.Columns;
    const int cellHeight = (DrawingRect.Bottom - DrawingRect.Top) / Grid.Rows;
    if (cellWidth <= 0 || cellHeight <= 0 || x < 0 || y < 0) {
        return false;
    }
    // The few pixels right of the last column or below the last row belong to no cell; counted
    // on, they would pick a board of the next row.
    const int column = x / cellWidth;
    const int row = y / cellHeight;
    if (column >= Grid.Columns || row >= Grid.Rows) {
        return false;
    }
    const int index = Grid.Columns * row + column;
    if (static_cast<std::size_t>(index) >= doc.RetData.Layouts.size()) {
        return false;
    }
    if (index == doc.CurrentBoard) {
        ListScreen = 0;
    } else {
        doc.CurrentBoard = index;
    }
    doc.RedrawNeeded = 1;
    return true;
}

bool ViewState::RightClick(CNestrixDoc& doc)
{
    if (!ShowsDetail(doc) || doc.RetData.Layouts.size() <= 1) {
        return false;
    }
    ListScreen = 1;
    Transform.Zoom = kMinZoom;
    doc.RedrawNeeded = 1;
    return true;
}

bool ViewState::Wheel(CNestrixDoc& doc, int x, int y, int delta)
{
    if (!ShowsDetail(doc)) {
        return false;
    }
    const BoardPoint under = Transform.DeviceToBoard(x, y);
    const double before = Transform.Zoom;
    Transform.Zoom =
        delta <= 0 ? std::max(kMinZoom, before / kZoomStep) : std::min(kMaxZoom, before * kZoomStep);
    if (Transform.Zoom == before) {
        return false;
    }
    Transform.AnchorDevice = {x, y};
    Transform.AnchorBoard = under;
    doc.RedrawNeeded = 1;
    return true;
}

bool ViewState::MiddlePress(const CNestrixDoc& doc, int x, int y)
{
    if (!ShowsDetail(doc)) {
        return false;
    }
    LastMouse = {x, y};
    Panning = true;
    return true;
}

bool ViewState::MouseMove(CNestrixDoc& doc, int x, int y, bool middleHeld)
{
    bool changed = false;
    if (middleHeld && Panning && ShowsDetail(doc)) {
        if (LastMouse.X - x != 0) {
            Transform.AnchorBoard.X += (LastMouse.X - x) / Transform.Scale / Transform.Zoom;
            changed = true;
        }
        if (LastMouse.Y - y != 0) {
            Transform.AnchorBoard.Y += (LastMouse.Y - y) / Transform.Scale / Transform.Zoom;
            changed = true;
        }
    }
    LastMouse = {x, y};
    if (changed) {
        doc.RedrawNeeded = 1;
    }
    return changed;
}

bool ViewState::MiddleRelease()
{
    return std::exchange(Panning, false);
}

bool ViewState::MoveBoard(CNestrixDoc& doc, int step)
{
    if (!HasBoards(doc)) {
        return false;
    }
    const int last = static_cast<int>(doc.RetData.Layouts.size()) - 1;
    const int next = std::clamp(doc.CurrentBoard + step, 0, last);
    if (next == doc.CurrentBoard) {
        return false;
    }
    doc.CurrentBoard = next;
    // Another board starts whole, not at the zoom of the one before.
    Transform.Zoom = kMinZoom;
    doc.RedrawNeeded = 1;
    return true;
}

bool ViewState::OpenDetail(CNestrixDoc& doc)
{
    if (!ShowsList(doc) || doc.CurrentBoard < 0 ||
        static_cast<std::size_t>(doc.CurrentBoard) >= doc.RetData.Layouts.size()) {
        return false;
    }
    ListScreen = 0;
    doc.RedrawNeeded = 1;
    return true;
}

bool ViewState::BackToList(CNestrixDoc& doc)
{
    return RightClick(doc);
}

void ViewState::OnNewResult(CNestrixDoc& doc)
{
    doc.CurrentBoard = 0;
    ListScreen = doc.ResultPresent != 0 && doc.RetData.Layouts.size() > 1 ? 1 : 0;
    Transform.Zoom = kMinZoom;
    Panning = false;
    doc.RedrawNeeded = 1;
}

bool DiscardAndEdit(CNestrixDoc& doc, const std::function<bool()>& edit, const std::function<void()>& refresh)
{
    const int hadResult = doc.ResultPresent;
    doc.ResultPresent = 0;
    doc.RedrawNeeded = 1;
    refresh();
    const bool changed = edit();
    if (changed) {
        doc.RetData.Clear();
    } else {
        doc.ResultPresent = hadResult;
    }
    doc.RedrawNeeded = 1;
    refresh();
    return changed;
}
