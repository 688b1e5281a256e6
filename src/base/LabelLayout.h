#pragma once

#include <array>
#include <string>

// A sheet of labels on A4 portrait: columns × rows of equal cells, the outer margins the same
// on both sides, gaps between the cells. Lengths in 0.1 mm.
struct LabelLayout {
    int Columns = 2;
    int Rows = 6;
    int MarginX = 186;  // left and right
    int MarginY = 216;  // top and bottom
    int GapX = 0;
    int GapY = 0;
    int Skip = 0;  // cells of the first sheet already used

    int PerSheet() const { return Columns * Rows; }
    friend bool operator==(const LabelLayout&, const LabelLayout&) = default;
};

inline constexpr int kLabelPageWidth = 2100;
inline constexpr int kLabelPageHeight = 2970;
inline constexpr int kMaxLabelColumns = 10;
inline constexpr int kMaxLabelRows = 20;
inline constexpr int kMaxLabelMargin = 500;
inline constexpr int kMaxLabelGap = 200;
inline constexpr int kMinLabelWidth = 200;  // a label smaller than 20 × 10 mm holds nothing legible
inline constexpr int kMinLabelHeight = 100;

// The common sheets, by labels per sheet: 12, 18, 21, 24 and 44.
struct LabelPreset {
    const char* Caption;
    LabelLayout Layout;
};
extern const std::array<LabelPreset, 5> kLabelPresets;

// The preset that the layout is (the first-label offset apart), or -1.
int FindLabelPreset(const LabelLayout& layout);

// A cell on the page, 0.1 mm from the page's top left corner, y downwards.
struct LabelCell {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
};

// Cell `index` (0-based, row by row) of a sheet.
LabelCell LabelCellAt(const LabelLayout& layout, int index);

// Why the sheet cannot be printed (cells too small, offset past the sheet), or "".
std::string LabelLayoutProblem(const LabelLayout& layout);
