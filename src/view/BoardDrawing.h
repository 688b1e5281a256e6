#pragma once

#include <array>
#include "result/JobLists.h"

#include "platform/Canvas.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CBuzaiList;
class CGenbanList;
class CRetData;
struct Settings;

// The drawing of one used board (its cutting pattern) onto a Canvas, for the screen and for
// paper, in list form (parts only) or detail form (numbers, sizes, cut guides).
//
// Screen: pixel mapping, y grows downwards; the rectangle is in pixels.
// Paper (Printing set): the page mapping has y growing upwards with the page top at y = 0.
// Pass the rectangle as on screen, Top and Bottom as distances below the page's top edge
// (positive); every device point the drawing produces has its y negated, so the board
// appears inside that area of the page. Paper uses the paper fonts and pens and colours the
// parts only with ColorPrint.

struct BoardPoint {
    double X = 0.0;
    double Y = 0.0;
};

// Where a board lies on the device: the fit into a rectangle, the zoom and its anchor.
struct BoardTransform {
    int OriginX = 0;  // device position of board (0, 0) at zoom 1
    int OriginY = 0;
    double Scale = 1.0;  // device units per 0.1 mm at zoom 1
    double Zoom = 1.0;   // 1.0 (whole board) … 100.0
    CanvasPoint AnchorDevice;
    BoardPoint AnchorBoard;  // board point that stays at AnchorDevice while zoomed
    bool Printing = false;
    BoardPoint VisibleTopRight;  // board coordinates of the fitted rectangle's corners
    BoardPoint VisibleBottomLeft;

    // Fits content (0.1 mm) into rect, centred, with `margin` device units kept free twice on
    // every side; fitWidth x fitHeight is the size that must fit. Sets origin and scale.
    void FitBoardToRect(int margin, double fitWidth, double fitHeight, double contentWidth,
                        double contentHeight, const CanvasRect& rect);
    // Board coordinates to device units (y negated on paper).
    CanvasPoint BoardToDevice(double x, double y) const;
    // Device units to board coordinates (the inverse on screen).
    BoardPoint DeviceToBoard(int x, int y) const;
};

// What a board drawing reads: the result, the lists its numbers refer to and the switches.
struct BoardSource : JobLists {
    const Settings& Options;
};

enum class BoardForm { List, Detail };

// Draws used board `usedBoard` of the result into rect. List form: every board at the scale of
// the result's largest board, centred. Detail form: the board fitted alone (margins of twice
// the current font's height), at the transform's zoom and anchor. An index outside the result,
// the board list or a parts list ends the drawing of the board silently, and so does a kept saw
// plan that is not the result's before the offcuts and cuts. Restores the font, pen and text
// mode it found.
void DrawBoard(const BoardSource& source, int usedBoard, BoardTransform& view, Canvas& dc, BoardForm form,
               const CanvasRect& rect);

// Fill colour of a part by its index in its list.
CanvasColor PartColor(int index);

// The segments of the lines at 45 degrees, `step` apart, that hatch the box (either corner
// order); none for an empty box or a step below 1.
std::vector<std::pair<CanvasPoint, CanvasPoint>> HatchLines(const CanvasRect& box, int step);

// Where a piece's banded edges lie on the board: for the part's edges 上, 下, 左, 右 as entered,
// the side of the piece as laid. A turned piece (its length along x) is the part turned a
// quarter clockwise: 上 goes right, 右 bottom, 下 left, 左 top.
enum class PieceSide { Top, Bottom, Left, Right };
std::array<PieceSide, 4> BandSides(bool rotated);

// The text that names an offcut of width × length (0.1 mm): "端材 600.0×450.0".
std::string OffcutText(std::int32_t width, std::int32_t length);

inline constexpr CanvasColor kBoardGrey{128, 128, 128};
inline constexpr CanvasColor kBandBrown{110, 60, 20};  // the marks of banded edges
inline constexpr CanvasColor kUsableSilver{192, 192, 192};
inline constexpr CanvasColor kGuideRed{255, 0, 0};
inline constexpr CanvasColor kOffcutGreen{0, 128, 64};
inline constexpr CanvasColor kCutOrderBlue{0, 64, 200};
inline constexpr CanvasColor kOffcutFill{222, 242, 228};
inline constexpr int kScreenTextHeight = 19;
// Board texts on paper never get smaller than an 8 pt cell (0.1 mm); on A4 they are 3.8 mm
// (10.8 pt). A text that finds no free place moves or is left out; it never shrinks.
inline constexpr int kMinPaperTextHeight = 29;
// Device units a cut guide reaches beyond the board edge besides the trim itself.
inline constexpr int kGuideOverhang = 10;
