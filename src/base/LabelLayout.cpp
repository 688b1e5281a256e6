#include "base/LabelLayout.h"

const std::array<LabelPreset, 5> kLabelPresets = {{
    {"12面 (2 × 6)", {2, 6, 186, 216, 0, 0, 0}},
    {"18面 (2 × 9)", {2, 9, 186, 90, 0, 0, 0}},
    {"21面 (3 × 7)", {3, 7, 72, 152, 25, 0, 0}},
    {"24面 (3 × 8)", {3, 8, 72, 130, 25, 0, 0}},
    {"44面 (4 × 11)", {4, 11, 84, 88, 0, 0, 0}},
}};

int FindLabelPreset(const LabelLayout& layout)
{
    for (std::size_t i = 0; i < kLabelPresets.size(); ++i) {
        LabelLayout preset = kLabelPresets[i].Layout;
        preset.Skip = layout.Skip;
        if (preset == layout) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

namespace {

double CellWidth(const LabelLayout& layout)
{
    return (kLabelPageWidth - 2.0 * layout.MarginX - (layout.Columns - 1.0) * layout.GapX) / layout.Columns;
}

double CellHeight(const LabelLayout& layout)
{
    return (kLabelPageHeight - 2.0 * layout.MarginY - (layout.Rows - 1.0) * layout.GapY) / layout.Rows;
}

}  // namespace

LabelCell LabelCellAt(const LabelLayout& layout, int index)
{
    if (layout.Columns < 1 || layout.Rows < 1) {
        return {};
    }
    const double width = CellWidth(layout);
    const double height = CellHeight(layout);
    const int column = index % layout.Columns;
    const int row = index / layout.Columns;
    LabelCell cell;
    cell.Left = layout.MarginX + column * (width + layout.GapX);
    cell.Top = layout.MarginY + row * (height + layout.GapY);
    cell.Right = cell.Left + width;
    cell.Bottom = cell.Top + height;
    return cell;
}

std::string LabelLayoutProblem(const LabelLayout& layout)
{
    if (layout.Columns < 1 || layout.Rows < 1) {
        return "ラベルの列数と行数は 1 以上にしてください。";
    }
    if (CellWidth(layout) < kMinLabelWidth || CellHeight(layout) < kMinLabelHeight) {
        return "ラベルが小さすぎます。余白と間隔を小さくするか、列数か行数を減らしてください。";
    }
    if (layout.Skip < 0 || layout.Skip >= layout.PerSheet()) {
        return "開始位置は 1 から " + std::to_string(layout.PerSheet()) + " までにしてください。";
    }
    return "";
}
