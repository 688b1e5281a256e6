#include "view/BoardDrawing.h"

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/Settings.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/Offcuts.h"
#include "result/RetData.h"

namespace {

// The integer part of v. A degenerate fit (a rectangle with no room) can produce infinities;
// they end up far off the device instead of overflowing.
int Trunc(double v)
{
    if (std::isnan(v)) {
        return 0;
    }
    constexpr double kLimit = 1.0e9;
    return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

std::string Format(const char* format, double a, double b = 0.0)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

constexpr CanvasColor kPartColors[6] = {
    {255, 255, 100}, {100, 255, 100}, {100, 255, 255}, {128, 128, 100}, {100, 128, 100}, {100, 128, 128},
};

// Puts back what the drawing selected, however it ends.
class CanvasRestore {
public:
    CanvasRestore(Canvas& dc, const CanvasFont& font, bool transparent)
        : m_dc(dc), m_font(dc.SelectFont(font)), m_transparent(dc.SetTransparentText(transparent))
    {
    }
    ~CanvasRestore()
    {
        m_dc.SelectFont(m_font);
        m_dc.SetTransparentText(m_transparent);
    }
    CanvasRestore(const CanvasRestore&) = delete;
    CanvasRestore& operator=(const CanvasRestore&) = delete;

private:
    Canvas& m_dc;
    CanvasFont m_font;
    bool m_transparent;
};

// Device boxes of the texts drawn so far; a text goes only where it meets none of them.
class TextPlacer {
public:
    struct Box {
        int Left, Top, Right, Bottom;  // Left < Right, Top < Bottom whatever the y direction
    };
    // Keeps a box inside `bounds`, or anywhere when `bounded` is false.
    TextPlacer(const CanvasRect& bounds, bool bounded)
        : m_bounds(Normal(bounds.Left, bounds.Top, bounds.Right, bounds.Bottom)), m_bounded(bounded)
    {
    }
    static Box Normal(int x0, int y0, int x1, int y1)
    {
        return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    }
    bool Free(const Box& box) const
    {
        if (m_bounded && (box.Left < m_bounds.Left || box.Right > m_bounds.Right || box.Top < m_bounds.Top ||
                          box.Bottom > m_bounds.Bottom)) {
            return false;
        }
        return std::none_of(m_boxes.begin(), m_boxes.end(), [&box](const Box& o) {
            return box.Left < o.Right && o.Left < box.Right && box.Top < o.Bottom && o.Top < box.Bottom;
        });
    }
    void Take(const Box& box) { m_boxes.push_back(box); }

private:
    Box m_bounds;
    bool m_bounded;
    std::vector<Box> m_boxes;
};

struct DrawContext {
    const BoardSource& Source;
    const BoardTransform& View;
    Canvas& Dc;
    const CGenban& Board;
    CanvasFont TextFont;
    CanvasFont VerticalFont;
    int Down;  // +1 on screen, -1 on paper: the device direction of "down the board"
    bool Paper;
    TextPlacer& Placer;

    CanvasPoint Device(long long x, long long y) const
    {
        return View.BoardToDevice(static_cast<double>(x), static_cast<double>(y));
    }
    CanvasSize Select(const CanvasFont& font, const std::string& text) const
    {
        Dc.SelectFont(font);
        return Dc.TextExtent(text);
    }
    // The box of a text whose cell starts at (x, y): across and down, or upwards when vertical.
    TextPlacer::Box TextBox(int x, int y, CanvasSize extent, bool vertical) const
    {
        if (vertical) {
            return TextPlacer::Normal(x, y, x + extent.Height, y - Down * extent.Width);
        }
        return TextPlacer::Normal(x, y, x + extent.Width, y + Down * extent.Height);
    }
    // Draws the text at the first free place of `at` and keeps its box; false when none is free.
    bool Place(const std::string& text, bool vertical, const std::vector<CanvasPoint>& at,
               CanvasPoint* placed = nullptr) const
    {
        const CanvasSize extent = Select(vertical ? VerticalFont : TextFont, text);
        for (const CanvasPoint& p : at) {
            const TextPlacer::Box box = TextBox(p.X, p.Y, extent, vertical);
            if (Placer.Free(box)) {
                Placer.Take(box);
                Dc.TextOut(p.X, p.Y, text);
                if (placed != nullptr) {
                    *placed = p;
                }
                return true;
            }
        }
        return false;
    }
};

// The size text of a block in one of its pieces, clear of the piece's number: centred, else
// beside or beyond the number. When no place inside the piece is free, paper leaves it to the
// sheet's parts table and the screen draws a mark that says a size belongs here.
void DrawSizeText(const DrawContext& c, const CBuzai& part, bool vertical, CanvasPoint a, CanvasPoint b,
                  const std::string& number)
{
    const std::string text = Format("%.1f × %.1f", std::max(part.Width, part.Height) / 10.0,
                                    std::min(part.Width, part.Height) / 10.0);
    const CanvasSize extent = c.Select(vertical ? c.VerticalFont : c.TextFont, text);
    const CanvasSize numberExtent = c.Select(vertical ? c.VerticalFont : c.TextFont, number);
    const int tw = extent.Width;
    const int th = extent.Height;
    const int width = b.X - a.X;
    const int height = std::abs(b.Y - a.Y);
    const int along = vertical ? height : width;
    const int across = vertical ? width : height;
    const int gap = std::max(1, th / 4);
    std::vector<CanvasPoint> at;
    if (vertical) {
        const int x = a.X + (width - th) / 2 + 1;
        const int y = b.Y - c.Down * ((height - tw) / 2 + 1);
        const int besideX = a.X + 2 + numberExtent.Height + gap;
        at = {{x, y},
              {besideX, y},
              {besideX, b.Y - 2 * c.Down},
              {x, b.Y - c.Down * (2 + numberExtent.Width + gap)}};
    } else {
        const int x = a.X + (width - tw) / 2 + 1;
        const int y = a.Y + c.Down * ((height - th) / 2 + 1);
        const int besideX = a.X + 2 + numberExtent.Width + gap;
        at = {{x, y},
              {besideX, y},
              {besideX, a.Y + 2 * c.Down},
              {x, a.Y + c.Down * (2 + numberExtent.Height + gap)}};
    }
    const TextPlacer::Box piece = TextPlacer::Normal(a.X, a.Y, b.X, b.Y);
    std::erase_if(at, [&](const CanvasPoint& p) {
        const TextPlacer::Box box = c.TextBox(p.X, p.Y, extent, vertical);
        return box.Left < piece.Left || box.Right > piece.Right || box.Top < piece.Top ||
               box.Bottom > piece.Bottom;
    });
    if (c.Place(text, vertical, at)) {
        return;
    }
    if (c.Paper || along - 12 <= 0) {
        return;
    }
    if (th >= along - 12 || th >= across - 12) {
        if (vertical) {
            const int x = a.X + width / 2;
            c.Dc.Line({x, a.Y + 6 * c.Down}, {x, b.Y - 6 * c.Down});
        } else {
            const int y = a.Y + c.Down * (height / 2);
            c.Dc.Line({a.X + 6, y}, {b.X - 6, y});
        }
    } else if (vertical) {
        const int x = a.X + (width - th) / 2;
        c.Dc.Rectangle({x, a.Y + 6 * c.Down, x + th, b.Y - 6 * c.Down});
    } else {
        const int y = a.Y + c.Down * ((height - th) / 2);
        c.Dc.Rectangle({a.X + 6, y, b.X - 6, y + c.Down * th});
    }
}

// The width of a band's mark: a third of the text height, at most a quarter of the piece, at
// least a device unit.
int BandMarkWidth(const DrawContext& c, const CanvasRect& piece)
{
    return std::max(
        1, std::min(c.TextFont.Height / 3,
                    std::min(std::abs(piece.Right - piece.Left), std::abs(piece.Bottom - piece.Top)) / 4));
}

// A heavy line along the inside of each banded edge of a piece.
void DrawBands(const DrawContext& c, const CanvasRect& piece, const std::array<const std::string*, 4>& bands,
               const std::array<PieceSide, 4>& sides)
{
    if (bands[0]->empty() && bands[1]->empty() && bands[2]->empty() && bands[3]->empty()) {
        return;
    }
    // The piece's corners as drawn: Top is the board's top edge (the larger y on paper).
    const int left = piece.Left;
    const int right = piece.Right;
    const int top = piece.Top;
    const int bottom = piece.Bottom;
    const int width = BandMarkWidth(c, piece);
    const int inset = width / 2;
    const CanvasPen old =
        c.Dc.SelectPen(CanvasPen{width, c.Paper && !c.Source.Options.ColorPrint ? kBlack : kBandBrown});
    for (std::size_t edge = 0; edge < 4; ++edge) {
        if (bands[edge]->empty()) {
            continue;
        }
        switch (sides[edge]) {
            case PieceSide::Top:
                c.Dc.Line({left, top + inset * c.Down}, {right, top + inset * c.Down});
                break;
            case PieceSide::Bottom:
                c.Dc.Line({left, bottom - inset * c.Down}, {right, bottom - inset * c.Down});
                break;
            case PieceSide::Left: c.Dc.Line({left + inset, top}, {left + inset, bottom}); break;
            case PieceSide::Right: c.Dc.Line({right - inset, top}, {right - inset, bottom}); break;
        }
    }
    c.Dc.SelectPen(old);
}

// The band codes of a piece inside it beside their marks, each where no text is yet.
void PlaceBandCodes(const DrawContext& c, const CanvasRect& piece,
                    const std::array<const std::string*, 4>& bands, const std::array<PieceSide, 4>& sides)
{
    const int left = std::min(piece.Left, piece.Right);
    const int right = std::max(piece.Left, piece.Right);
    const int top = piece.Top;  // the board's top edge
    const int bottom = piece.Bottom;
    const int mark = BandMarkWidth(c, piece);
    const TextPlacer::Box inside = TextPlacer::Normal(left, top, right, bottom);
    for (std::size_t edge = 0; edge < 4; ++edge) {
        const std::string& code = *bands[edge];
        if (code.empty()) {
            continue;
        }
        const CanvasSize extent = c.Select(c.TextFont, code);
        const int gap = mark + std::max(1, extent.Height / 6);
        const int midX = (left + right - extent.Width) / 2;
        const int midY = (top + bottom) / 2 - c.Down * (extent.Height / 2);
        CanvasPoint at{};
        switch (sides[edge]) {
            case PieceSide::Top: at = {midX, top + c.Down * gap}; break;
            case PieceSide::Bottom: at = {midX, bottom - c.Down * (gap + extent.Height)}; break;
            case PieceSide::Left: at = {left + gap, midY}; break;
            case PieceSide::Right: at = {right - gap - extent.Width, midY}; break;
        }
        const TextPlacer::Box box = c.TextBox(at.X, at.Y, extent, false);
        if (box.Left >= inside.Left && box.Right <= inside.Right && box.Top >= inside.Top &&
            box.Bottom <= inside.Bottom) {
            c.Place(code, false, {at});
        }
    }
}

// Every piece of every block, then in detail form the part numbers and the size texts on top:
// a number goes where no text is yet, so pieces smaller than their number keep the first.
// False when a block names a part its list does not hold.
bool DrawBlocks(const DrawContext& c, const COutData& layout, bool detail)
{
    const Settings& options = c.Source.Options;
    const int kerf = options.NokoHaba;
    struct Piece {
        CanvasPoint A, B;
        bool Rotated;
        const std::string* Number;
    };
    struct SizeText {
        const CBuzai* Part;
        bool Vertical;
        CanvasPoint A, B;
        const std::string* Number;
    };
    struct BandedPiece {
        CanvasRect Rect;
        std::array<const std::string*, 4> Bands;
        std::array<PieceSide, 4> Sides;
    };
    std::vector<BandedPiece> banded;
    std::vector<std::string> numbers;
    numbers.reserve(layout.Blocks.size());
    std::vector<Piece> pieces;
    std::vector<SizeText> sizes;
    for (const CHaichi& block : layout.Blocks) {
        const CBuzaiList& list = block.List == 1 ? c.Source.Secondary : c.Source.Parts;
        if (block.Number < 0 || static_cast<std::size_t>(block.Number) >= list.Items.size()) {
            return false;
        }
        const CBuzai& part = list.Items[static_cast<std::size_t>(block.Number)];
        const long long w = block.Rotated ? part.Height : part.Width;
        const long long h = block.Rotated ? part.Width : part.Height;
        const CanvasColor fill = c.Paper && !options.ColorPrint ? kWhite : PartColor(block.Number);
        const std::string& number = numbers.emplace_back(std::to_string(block.Number + 1));
        const std::array<const std::string*, 4> bands = PartEdges(part);
        const std::array<PieceSide, 4> sides = BandSides(block.Rotated != 0);
        for (int i = 0; i < block.Nx; ++i) {
            for (int j = 0; j < block.Ny; ++j) {
                const long long x = block.X + i * (w + kerf);
                const long long y = block.Y + j * (h + kerf);
                const CanvasPoint a = c.Device(x, y);
                const CanvasPoint b = c.Device(x + w, y + h);
                const CanvasRect piece{a.X, a.Y, b.X, b.Y};
                c.Dc.FillRect(piece, fill);
                c.Dc.Rectangle(piece);
                if (block.List == 1) {
                    if (block.Rotated) {
                        c.Dc.Line(a, b);
                    } else {
                        c.Dc.Line({a.X, b.Y}, {b.X, a.Y});
                    }
                }
                DrawBands(c, piece, bands, sides);
                if (detail) {
                    pieces.push_back({a, b, block.Rotated != 0, &number});
                    if (!bands[0]->empty() || !bands[1]->empty() || !bands[2]->empty() ||
                        !bands[3]->empty()) {
                        banded.push_back({piece, bands, sides});
                    }
                }
            }
        }
        if (detail && options.BuzaiSun && block.Nx > 0 && block.Ny > 0) {
            // Tall pieces carry the size upwards in the bottom-left piece, others across the top-left.
            const bool vertical = w < h;
            const long long y = block.Y + (vertical ? (block.Ny - 1) * (h + kerf) : 0);
            sizes.push_back({&part, vertical, c.Device(block.X, y), c.Device(block.X + w, y + h), &number});
        }
    }
    for (const Piece& p : pieces) {
        if (p.Rotated) {
            c.Place(*p.Number, true, {{p.A.X + 2, p.B.Y - 2 * c.Down}});
        } else {
            c.Place(*p.Number, false, {{p.A.X + 2, p.A.Y + 2 * c.Down}});
        }
    }
    for (const SizeText& t : sizes) {
        DrawSizeText(c, *t.Part, t.Vertical, t.A, t.B, *t.Number);
    }
    for (const BandedPiece& p : banded) {
        PlaceBandCodes(c, p.Rect, p.Bands, p.Sides);
    }
    return true;
}

// The offcuts of the layout: tinted (on screen and colour paper), hatched and outlined, so
// that the operator marks and keeps them. Each with its box in device units, for its text.
struct DrawnOffcut {
    CalRect Board;
    CanvasRect Device;
};
std::vector<DrawnOffcut> DrawOffcuts(const DrawContext& c, const std::vector<CalRect>& offcuts)
{
    const Settings& options = c.Source.Options;
    std::vector<DrawnOffcut> drawn;
    const CanvasPen pen{c.Paper && !options.ColorPrint ? 1 : 0, c.Paper && !options.ColorPrint ? kBlack : kOffcutGreen};
    const CanvasPen oldPen = c.Dc.SelectPen(pen);
    const int step = std::max(4, c.TextFont.Height * 2 / 3);
    for (const CalRect& r : offcuts) {
        const CanvasPoint a = c.Device(r.X0, r.Y0);
        const CanvasPoint b = c.Device(r.X1, r.Y1);
        const CanvasRect box{a.X, a.Y, b.X, b.Y};
        if (!c.Paper || options.ColorPrint) {
            c.Dc.FillRect(box, kOffcutFill);
        }
        for (const auto& [from, to] : HatchLines(box, step)) {
            c.Dc.Line(from, to);
        }
        c.Dc.Rectangle(box);
        drawn.push_back({r, box});
    }
    c.Dc.SelectPen(oldPen);
    return drawn;
}

// "端材 W×L" in the middle of each offcut, or along its top edge; left out where no place is free
// (the sheet lists every offcut).
void DrawOffcutTexts(const DrawContext& c, const std::vector<DrawnOffcut>& offcuts)
{
    for (const DrawnOffcut& offcut : offcuts) {
        const CanvasRect& d = offcut.Device;
        const TextPlacer::Box box = TextPlacer::Normal(d.Left, d.Top, d.Right, d.Bottom);
        const std::string text = OffcutText(offcut.Board.Width(), offcut.Board.Height());
        const bool vertical = box.Right - box.Left < box.Bottom - box.Top;
        const CanvasSize extent = c.Select(vertical ? c.VerticalFont : c.TextFont, text);
        const int along = extent.Width;  // the text's length, either way round
        std::vector<CanvasPoint> at;
        if (vertical) {
            const int x = (box.Left + box.Right - extent.Height) / 2;
            const int bottom = c.Down > 0 ? (box.Top + box.Bottom + along) / 2 : (box.Top + box.Bottom - along) / 2;
            at = {{x, bottom}, {box.Left + 2, bottom}};
        } else {
            const int x = (box.Left + box.Right - extent.Width) / 2;
            const int top = c.Down > 0 ? (box.Top + box.Bottom - extent.Height) / 2
                                       : (box.Top + box.Bottom + extent.Height) / 2;
            at = {{x, top}, {x, c.Down > 0 ? box.Top + 2 : box.Bottom - 2}};
        }
        std::erase_if(at, [&](const CanvasPoint& p) {
            const TextPlacer::Box t = c.TextBox(p.X, p.Y, extent, vertical);
            return t.Left < box.Left || t.Right > box.Right || t.Top < box.Top || t.Bottom > box.Bottom;
        });
        c.Place(text, vertical, at);
    }
}

// 切断順序: every cut of the plan over the pieces, heavier for an earlier stage, with its number in
// a circle on the cut: in the middle or, where that is taken, nearer an end. A number that finds
// no free place on its cut is left out rather than drawn over another text.
void DrawCutOrder(const DrawContext& c, const std::vector<SawCut>& cuts)
{
    const bool mono = c.Paper && !c.Source.Options.ColorPrint;
    const CanvasColor colour = mono ? kBlack : kCutOrderBlue;
    const int unit = c.Paper ? 2 : 1;
    const CanvasPen oldPen = c.Dc.SelectPen(CanvasPen{unit, colour});
    const CanvasColor oldText = c.Dc.SetTextColor(colour);
    // Each cut along the middle of its kerf, in device units.
    std::vector<std::pair<CanvasPoint, CanvasPoint>> ends;
    for (const SawCut& cut : cuts) {
        const long long middle = cut.Position + cut.Width / 2;
        const auto& [a, b] = ends.emplace_back(cut.Axis == 0 ? c.Device(middle, cut.From) : c.Device(cut.From, middle),
                                               cut.Axis == 0 ? c.Device(middle, cut.To) : c.Device(cut.To, middle));
        c.Dc.SelectPen(CanvasPen{unit * std::max(1, 4 - cut.Stage), colour});
        c.Dc.Line(a, b);
    }
    c.Dc.SelectPen(CanvasPen{unit, colour});
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        const auto& [a, b] = ends[i];
        const std::string number = std::to_string(i + 1);
        const CanvasSize extent = c.Select(c.TextFont, number);
        const int d = std::max(extent.Width, extent.Height) + std::max(2, extent.Height / 4);
        for (const double t : {0.5, 0.25, 0.75, 0.125, 0.875}) {
            const int cx = a.X + static_cast<int>(std::lround((b.X - a.X) * t));
            const int cy = a.Y + static_cast<int>(std::lround((b.Y - a.Y) * t));
            const TextPlacer::Box box = TextPlacer::Normal(cx - d / 2, cy - d / 2, cx - d / 2 + d, cy - d / 2 + d);
            if (!c.Placer.Free(box)) {
                continue;
            }
            c.Placer.Take(box);
            c.Dc.Ellipse({box.Left, box.Top, box.Right, box.Bottom});
            c.Dc.TextOut(cx - extent.Width / 2, cy - c.Down * (extent.Height / 2), number);
            break;
        }
    }
    c.Dc.SetTextColor(oldText);
    c.Dc.SelectPen(oldPen);
}

// Rows (or columns) beyond each end of a guide that its position text may move out to.
constexpr int kTextLevels = 4;

// The text of a guide at its first free place; the guide is lengthened from its end to a text
// moved further out. ends[i] is where the guide must reach for at[i]. With no free place the
// text is left out rather than drawn over another.
void PlaceAlongGuide(const DrawContext& c, const std::string& text, bool vertical,
                     const std::vector<CanvasPoint>& at, const std::vector<CanvasPoint>& ends)
{
    CanvasPoint placed;
    if (!c.Place(text, vertical, at, &placed)) {
        return;
    }
    const std::size_t i = static_cast<std::size_t>(std::find(at.begin(), at.end(), placed) - at.begin());
    if (i >= 2) {
        c.Dc.Line(ends[i % 2], ends[i]);
    }
}

// Cut guides on top of the parts, lengthened where they meet a trim line. A cut on or beyond
// the trimmed edge is no cut and is left out; one that runs past it is clipped to it.
void DrawCutGuides(const DrawContext& c, const COutData& layout)
{
    const CGenban& board = c.Board;
    const Settings& options = c.Source.Options;
    const int top = board.TrimTop;
    const int bottom = board.Height - board.TrimBottom;
    const int left = board.TrimLeft;
    const int right = board.Width - board.TrimRight;
    const double zoomScale = c.View.Scale * c.View.Zoom;
    const int reachTop = Trunc(board.TrimTop * zoomScale) + kGuideOverhang;
    const int reachBottom = Trunc(board.TrimBottom * zoomScale) + kGuideOverhang;
    const int reachLeft = Trunc(board.TrimLeft * zoomScale) + kGuideOverhang;
    const int reachRight = Trunc(board.TrimRight * zoomScale) + kGuideOverhang;
    const double halfKerf = options.NokoHaba * 0.5;

    for (const CUTMARK& cut : layout.CutLines) {
        if (cut.X0 == cut.X1) {
            if (cut.X0 <= left || cut.X0 >= right) {
                continue;
            }
            const int y0 = std::clamp(cut.Y0, top, bottom);
            const int y1 = std::clamp(cut.Y1, top, bottom);
            if (y0 == y1) {
                continue;
            }
            CanvasPoint start = c.Device(cut.X0, y0);
            CanvasPoint end = c.Device(cut.X0, y1);
            for (auto [boardY, point] : {std::pair{y0, &start}, std::pair{y1, &end}}) {
                if (boardY == top) {
                    point->Y -= c.Down * reachTop;
                } else if (boardY == bottom) {
                    point->Y += c.Down * reachBottom;
                }
            }
            c.Dc.Line(start, end);
            if (options.CutMarkSun && std::min(y0, y1) == top && std::max(y0, y1) == bottom) {
                const std::string text = Format("%.1f", (cut.X0 - halfKerf) / 10.0);
                const CanvasSize extent = c.Select(c.TextFont, text);
                // Centred on the line beyond an end, the start end first; where a neighbour's
                // text is in the way, a row further out, the guide lengthened up to it.
                std::vector<CanvasPoint> at;
                std::vector<CanvasPoint> ends;
                for (int level = 0; level < kTextLevels; ++level) {
                    for (const CanvasPoint& p : {start, end}) {
                        const bool atTop = p.Y == start.Y ? y0 == top : y1 == top;
                        const int outward = atTop ? -c.Down : c.Down;
                        const int shift = outward * level * extent.Height;
                        at.push_back(
                            {p.X - extent.Width / 2, (atTop ? p.Y - c.Down * extent.Height : p.Y) + shift});
                        ends.push_back({p.X, p.Y + shift});
                    }
                }
                PlaceAlongGuide(c, text, false, at, ends);
            }
        } else if (cut.Y0 == cut.Y1) {
            if (cut.Y0 <= top || cut.Y0 >= bottom) {
                continue;
            }
            const int x0 = std::clamp(cut.X0, left, right);
            const int x1 = std::clamp(cut.X1, left, right);
            if (x0 == x1) {
                continue;
            }
            CanvasPoint start = c.Device(x0, cut.Y0);
            CanvasPoint end = c.Device(x1, cut.Y0);
            for (auto [boardX, point] : {std::pair{x0, &start}, std::pair{x1, &end}}) {
                if (boardX == left) {
                    point->X -= reachLeft;
                } else if (boardX == right) {
                    point->X += reachRight;
                }
            }
            c.Dc.Line(start, end);
            if (options.CutMarkSun && std::min(x0, x1) == left && std::max(x0, x1) == right) {
                const std::string text = Format("%.1f", (cut.Y0 - halfKerf) / 10.0);
                const CanvasSize extent = c.Select(c.VerticalFont, text);
                // Upwards, centred on the line beyond an end (left of a left end), the start end
                // first; where a neighbour's text is in the way, a column further out.
                std::vector<CanvasPoint> at;
                std::vector<CanvasPoint> ends;
                for (int level = 0; level < kTextLevels; ++level) {
                    for (const CanvasPoint& p : {start, end}) {
                        const bool atLeft = p.X == start.X ? x0 == left : x1 == left;
                        const int shift = (atLeft ? -1 : 1) * level * extent.Height;
                        at.push_back({(atLeft ? p.X - extent.Height : p.X) + shift,
                                      p.Y + c.Down * (extent.Width / 2)});
                        ends.push_back({p.X + shift, p.Y});
                    }
                }
                PlaceAlongGuide(c, text, true, at, ends);
            }
        }
        // Guillotine cuts are always straight across or along; nothing else is recorded.
    }
}

}  // namespace

void BoardTransform::FitBoardToRect(int margin, double fitWidth, double fitHeight, double contentWidth,
                                    double contentHeight, const CanvasRect& rect)
{
    double m = margin;
    const double d = rect.Right - rect.Left - 4.0 * m;
    const double e = rect.Top == rect.Bottom ? d : d / (rect.Bottom - rect.Top - 4.0 * m);
    double l = std::max(fitWidth, e * fitHeight);
    if (!(l >= 0.01)) {
        l = 1000.0;
    }
    if (d < 0) {
        m = 0;
    }
    const double w = rect.Right - rect.Left - 4.0 * m;
    Scale = w / l;
    const int inset = static_cast<int>(2 * m);
    OriginX = rect.Left + inset + Trunc((l - contentWidth) * 0.5 * w / l);
    OriginY = rect.Top + inset + Trunc((l - e * contentHeight) * 0.5 / e * w / l);
    VisibleTopRight = DeviceToBoard(rect.Right, rect.Top);
    VisibleBottomLeft = DeviceToBoard(rect.Left, rect.Bottom);
}

CanvasPoint BoardTransform::BoardToDevice(double x, double y) const
{
    CanvasPoint p;
    if (Zoom == 1.0) {
        p.X = Trunc(x * Scale) + OriginX;
        p.Y = Trunc(y * Scale) + OriginY;
    } else {
        p.X = Trunc(Zoom * (x - AnchorBoard.X) * Scale) + AnchorDevice.X;
        p.Y = Trunc((y - AnchorBoard.Y) * Scale * Zoom) + AnchorDevice.Y;
    }
    if (Printing) {
        p.Y = -p.Y;
    }
    return p;
}

BoardPoint BoardTransform::DeviceToBoard(int x, int y) const
{
    if (Zoom == 1.0) {
        return {(x - OriginX) / Scale, (y - OriginY) / Scale};
    }
    return {(x - AnchorDevice.X) / Scale / Zoom + AnchorBoard.X,
            (y - AnchorDevice.Y) / Scale / Zoom + AnchorBoard.Y};
}

CanvasColor PartColor(int index)
{
    const int i = index % 6;
    return kPartColors[i < 0 ? i + 6 : i];
}

void DrawBoard(const BoardSource& source, int usedBoard, BoardTransform& view, Canvas& dc, BoardForm form,
               const CanvasRect& rect)
{
    const std::vector<COutData>& layouts = source.Ret.Layouts;
    if (usedBoard < 0 || static_cast<std::size_t>(usedBoard) >= layouts.size()) {
        return;
    }
    const COutData& layout = layouts[static_cast<std::size_t>(usedBoard)];
    if (layout.BoardNo < 0 || static_cast<std::size_t>(layout.BoardNo) >= source.Boards.Items.size()) {
        return;
    }
    const CGenban& board = source.Boards.Items[static_cast<std::size_t>(layout.BoardNo)];
    const bool paper = view.Printing;
    const bool detail = form == BoardForm::Detail;

    // The margin of the detail form comes from the font the caller left selected.
    const int h = dc.TextExtent(" ").Height;

    CanvasFont textFont;
    textFont.Face = kGothicFace;
    textFont.Weight = 400;
    textFont.FixedPitch = true;
    textFont.Height =
        paper ? std::max(kMinPaperTextHeight, Trunc(dc.DeviceSizeMm().Height * 10.0 / 2970.0 * 38.0))
              : kScreenTextHeight;
    // Upwards on the page, on paper as on screen.
    CanvasFont verticalFont = textFont;
    verticalFont.Escapement = 900;
    const CanvasPen guidePen =
        !paper || source.Options.ColorPrint ? CanvasPen{3, kGuideRed} : CanvasPen{5, kBlack};

    if (detail) {
        view.FitBoardToRect(h, board.Width, board.Height, board.Width, board.Height, rect);
    } else {
        view.FitBoardToRect(2, source.Ret.MaxWidth, source.Ret.MaxHeight, board.Width, board.Height, rect);
    }

    CanvasRestore restore(dc, textFont, true);
    // On paper the texts stay inside the drawing's area, clear of the rest of the page.
    TextPlacer placer(paper ? CanvasRect{rect.Left, -rect.Top, rect.Right, -rect.Bottom} : rect, paper);
    const DrawContext c{source, view, dc, board, textFont, verticalFont, paper ? -1 : 1, paper, placer};

    const CanvasPoint b0 = c.Device(0, 0);
    const CanvasPoint b1 = c.Device(board.Width, board.Height);
    dc.FillRect({b0.X - 1, b0.Y - c.Down, b1.X + 1, b1.Y + c.Down}, kBoardGrey);
    const CanvasPoint u0 = c.Device(board.TrimLeft, board.TrimTop);
    const CanvasPoint u1 = c.Device(board.Width - board.TrimRight, board.Height - board.TrimBottom);
    dc.FillRect({u0.X + 1, u0.Y + c.Down, u1.X, u1.Y}, kUsableSilver);

    if (!DrawBlocks(c, layout, detail)) {
        return;
    }
    if (!detail) {
        return;
    }
    const Settings& options = source.Options;
    const OffcutSize least = MinOffcut(options);
    const bool offcutsKept = least.Width > 0 && least.Length > 0;
    const LayoutSawing unsawn;
    const LayoutSawing* sawn = &unsawn;
    if (offcutsKept || options.CutOrderDisp) {
        sawn = KeptLayoutSawing(source.Ret, static_cast<std::size_t>(usedBoard), options.NokoHaba, least);
        if (sawn == nullptr) {
            return;  // a stale plan: the pieces are drawn, the offcuts and cuts of another pattern not
        }
    }
    const std::vector<DrawnOffcut> offcuts = DrawOffcuts(c, sawn->Offcuts);
    if (options.OutCutMark) {
        const CanvasPen oldPen = dc.SelectPen(guidePen);
        DrawCutGuides(c, layout);
        dc.SelectPen(oldPen);
    }
    if (options.CutOrderDisp) {
        DrawCutOrder(c, sawn->Cuts);
    }
    DrawOffcutTexts(c, offcuts);
}

std::vector<std::pair<CanvasPoint, CanvasPoint>> HatchLines(const CanvasRect& box, int step)
{
    const long long left = std::min(box.Left, box.Right), right = std::max(box.Left, box.Right);
    const long long top = std::min(box.Top, box.Bottom), bottom = std::max(box.Top, box.Bottom);
    std::vector<std::pair<CanvasPoint, CanvasPoint>> lines;
    if (step < 1 || left >= right || top >= bottom) {
        return lines;
    }
    // Lines x + y = k, from the lower left to the upper right of the box.
    for (long long k = left + top + step; k < right + bottom; k += step) {
        const long long x0 = std::max(left, k - bottom), x1 = std::min(right, k - top);
        lines.push_back({{static_cast<int>(x0), static_cast<int>(k - x0)}, {static_cast<int>(x1), static_cast<int>(k - x1)}});
    }
    return lines;
}

std::array<PieceSide, 4> BandSides(bool rotated)
{
    if (!rotated) {
        return {PieceSide::Top, PieceSide::Bottom, PieceSide::Left, PieceSide::Right};
    }
    return {PieceSide::Right, PieceSide::Left, PieceSide::Top, PieceSide::Bottom};
}

std::string OffcutText(std::int32_t width, std::int32_t length)
{
    return "端材 " + Format("%.1f×%.1f", width / 10.0, length / 10.0);
}
