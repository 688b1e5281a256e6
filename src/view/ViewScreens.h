#pragma once

#include <array>
#include <string>

#include "platform/Canvas.h"

class CNestrixDoc;

inline constexpr CanvasColor kUnplacedBackground{255, 176, 134};
inline constexpr CanvasColor kGuideColor{0, 0, 255};

// The operations guide (操作手順), shown while no result exists. Restores the font and the
// text colour it found.
void DrawOperationsGuide(Canvas& dc);

// One redraw of the view's picture into dc: background, then the screen the document's state
// chooses. Clears the document's redraw flag.
void PaintScreen(Canvas& dc, CNestrixDoc& doc, const CanvasRect& client);

// The three indicator panes of the status bar: board and yields, repeat count, position.
std::array<std::string, 3> StatusPaneTexts(const CNestrixDoc& doc);

// The texts that size the indicator panes.
inline constexpr std::array<const char*, 3> kStatusPaneWidthTexts = {
    "                                                                                ",
    "枚数       ",
    "                 ",
};
