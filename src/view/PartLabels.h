#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/LabelLayout.h"
#include "result/CutPlan.h"
#include "result/JobLists.h"

class Canvas;

// One label: one placed piece of one sheet of a pattern.
struct PartLabel {
    std::string Name;
    std::string Kind;
    std::string Remark;
    std::string JobName;
    std::string Customer;  // 得意先, beside the job name
    std::int32_t Width = 0;  // 0.1 mm, the size as entered (finished)
    std::int32_t Height = 0;
    std::int32_t Thickness = 0;
    std::int32_t CutWidth = 0;  // the size cut, less the bands
    std::int32_t CutHeight = 0;
    std::array<std::string, 4> Edges;  // band codes of 上, 下, 左, 右, "" for none
    int PartNo = 0;  // 1-based in its list
    bool Secondary = false;
    int Pattern = 0;  // 1-based
    int Sheet = 0;    // 1 .. Sheets, the pattern's repeats
    int Sheets = 0;
    int Piece = 0;  // 1-based in the order the saw frees the pattern's pieces

    friend bool operator==(const PartLabel&, const PartLabel&) = default;
};

// What the QR code holds and the label prints under it: 物件名/part No./pattern/piece; a
// secondary part's No. is "２次" and its number. A "/" in the job name is written "%2F" and a
// "%" as "%25", so that the code splits into its four fields at the slashes.
std::string LabelCode(const PartLabel& label);

// Every placed piece's label: pattern by pattern, sheet by sheet, the pieces in the order the
// result's kept plan frees them (a pattern without a plan keeps its pieces' block order).
// CalcError when a layout names a board or part outside its list, or the plan is stale.
std::vector<PartLabel> MakePartLabels(const JobLists& lists, std::int32_t kerf, OffcutSize least,
                                      const std::string& jobName, const std::string& customer = "");

// Sheets for `labels` labels after the first sheet's used cells, at least 1.
int LabelPageCount(std::size_t labels, const LabelLayout& layout);

// Page `page` (1-based) of label sheets on A4 in 0.1 mm (the canvas in TenthMillimetres mode,
// the page's corner at the origin): each label inside its cell, nothing drawn across a cell edge.
void DrawLabelPage(Canvas& dc, const std::vector<PartLabel>& labels, const LabelLayout& layout, int page);
