#pragma once

#include <array>
#include <string>

#include "platform/Canvas.h"
#include "view/BoardDrawing.h"

class CNestrixDoc;
class ViewState;
struct Settings;

inline constexpr CanvasColor kUnplacedBackground{255, 176, 134};
inline constexpr CanvasColor kGuideColor{0, 0, 255};

// The operations guide (操作手順), shown while no result exists. Restores the font and the
// text colour it found.
void DrawOperationsGuide(Canvas& dc);

// One redraw of the view's picture into dc: background, then the screen the document's state
// chooses (guide, list or detail). Clears the document's redraw flag.
void PaintScreen(Canvas& dc, CNestrixDoc& doc, ViewState& view, const Settings& settings,
                 const CanvasRect& client);

// A result's screen without the document: light orange behind it when parts were left
// unplaced, then the list screen or the detail screen of board `current` (none for -1).
void PaintResultScreen(Canvas& dc, const BoardSource& source, ViewState& view, int current,
                       const CanvasRect& client);

// Every used board side by side in the grid of ChooseGrid, the current one framed red.
void DrawListScreen(Canvas& dc, const BoardSource& source, ViewState& view, int current,
                    const CanvasRect& client);

// The three indicator panes of the status bar: board and yields, repeat count, position.
// Empty without a result or without a valid current board.
std::array<std::string, 3> StatusPaneTexts(const CNestrixDoc& doc);

// The texts that size the indicator panes.
inline constexpr std::array<const char*, 3> kStatusPaneWidthTexts = {
    "                                                                                ",
    "枚数       ",
    "                 ",
};
