#pragma once

#include <functional>

#include "platform/Canvas.h"
#include "view/BoardDrawing.h"

class CNestrixDoc;

struct GridSize {
    int Columns = 0;
    int Rows = 0;
    friend bool operator==(const GridSize&, const GridSize&) = default;
};

// The list screen's grid for n boards in a width x height window: the column count whose grid
// of boards of the largest size comes closest to the window's aspect; ties keep fewer columns.
GridSize ChooseGrid(int boards, int width, int height, int maxBoardWidth, int maxBoardHeight);

inline constexpr double kZoomStep = 1.2;
inline constexpr double kMinZoom = 1.0;
inline constexpr double kMaxZoom = 100.0;

// What the main view keeps between paints, and what mouse and keys do to it and to the
// document's current board. An event that changes the picture sets the document's redraw flag
// and returns true; the caller then repaints and updates the status bar.
class ViewState {
public:
    BoardTransform Transform;  // the detail screen's fit (of its last paint), zoom and anchor
    int ListScreen = 1;        // 1 list screen, 0 detail screen (while a result exists)
    GridSize Grid;             // of the last list screen
    CanvasRect DrawingRect;    // client area of the last list or detail screen
    CanvasPoint LastMouse;
    bool Panning = false;

    bool ShowsList(const CNestrixDoc& doc) const;
    bool ShowsDetail(const CNestrixDoc& doc) const;

    // Left click or double click at client (x, y): on the list screen a click on the current
    // board opens it in detail, a click on another board makes it current.
    bool LeftClick(CNestrixDoc& doc, int x, int y);
    // Back from the detail screen to the list, when there is more than one board.
    bool RightClick(CNestrixDoc& doc);
    // One wheel step on the detail screen; delta <= 0 zooms out. The board point under (x, y)
    // stays where it is.
    bool Wheel(CNestrixDoc& doc, int x, int y, int delta);
    // Middle-button panning on the detail screen. MiddlePress returns whether a pan started.
    bool MiddlePress(const CNestrixDoc& doc, int x, int y);
    bool MouseMove(CNestrixDoc& doc, int x, int y, bool middleHeld);
    // True when a pan ended.
    bool MiddleRelease();

    // Keys: the previous or next board (step -1 / +1, stops at the ends), the detail screen of
    // the current board, back to the list, and a zoom step around (x, y).
    bool MoveBoard(CNestrixDoc& doc, int step);
    bool OpenDetail(CNestrixDoc& doc);
    bool BackToList(CNestrixDoc& doc);
    bool ZoomStep(CNestrixDoc& doc, int x, int y, bool in) { return Wheel(doc, x, y, in ? 1 : -1); }

    // A new result in the document: first board, list screen for several boards, detail for one.
    void OnNewResult(CNestrixDoc& doc);

private:
    bool HasBoards(const CNestrixDoc& doc) const;
};

// The three list commands: the result is hidden (guide screen) while the list's dialog is open
// and stays discarded when `edit` reports a change, else it comes back. `refresh` repaints and
// updates the status bar; it runs before and after the dialog. Returns whether the list changed.
bool DiscardAndEdit(CNestrixDoc& doc, const std::function<bool()>& edit,
                    const std::function<void()>& refresh);
