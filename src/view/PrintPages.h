#pragma once

#include "result/CutData.h"
#include "result/JobLists.h"
#include "result/Offcuts.h"
#include "result/PartCosts.h"
#include "view/PartLabels.h"

#include <ctime>
#include <functional>
#include <string>

#include "platform/Canvas.h"

class CBuzaiList;
class CGenbanList;
class CRetData;
struct EdgeTotals;
struct Settings;

// The printouts and the page types of the first two (PROUTDATA::Type). Label sheets have no
// page descriptors: their pages follow from the labels and the sheet.
enum PrintKind : int { kPrintBoardInfo = 0, kPrintCutSheets = 1, kPrintLabels = 2 };
enum PageType : int { kPageBoards = 0, kPageParts = 1, kPageCutDrawing = 2, kPageCutParts = 3 };

inline constexpr int kRowsPerPage = 29;         // board or parts rows on a fresh page
inline constexpr int kRowsWithBoards = 26;      // board and parts rows together on one page
inline constexpr int kCutRowsOnDrawing = 10;    // parts rows per half under the drawing
inline constexpr int kCutRowsOnContinued = 30;  // parts rows per half on a continuation page

// The caption after "部材リスト" for a cost method; a method outside 0..3 counts as 原板 (2).
const char* TankaCaption(int tankaType);

// The page descriptors of both printouts, from the used boards, the parts rows and the layouts.
void FillPageDescriptors(CRetData& ret, int partsCount);

// Everything the pages read, filled once before a print or preview; the bands (of a job with a
// band table) as the source gets them.
void PreparePrintout(CRetData& ret, CBuzaiList& parts, CBuzaiList& secondary, const CGenbanList& boards,
                     int tankaType, const EdgeTotals* bands = nullptr);

// The band lines under the parts list of 原板情報, a heading first: none without bands.
std::vector<std::string> PrintBandLines(const CRetData& ret, const EdgeTotals* bands);

// Pages of a printout: the descriptors of its kind, at least 1.
int PageCount(const CRetData& ret, int kind);

// "%Y/%m/%d %H:%M" in local time.
std::string FormatPrintTime(std::time_t time);

// What the page routine draws from.
struct PrintSource : JobLists {
    int TankaType = 2;
    int Kind = kPrintBoardInfo;
    std::int32_t Kerf = 0;  // of the result's calculation, for its offcuts
    OffcutSize MinOffcut{0, 0};  // the cutting sheets list offcuts unless 0
    std::string PrintTime;  // as printed in the header
    std::string JobHeader;  // the job in the header of 原板情報 and 切断指示書 (JobHeaderText)
    // Draws the pattern of a layout of the result for paper into `area` (page units, y up).
    std::function<void(Canvas& dc, int layout, const CanvasRect& area)> DrawPattern;
    std::vector<PartLabel> Labels;  // ラベル印刷 only
    LabelLayout LabelSheet;
    std::vector<std::string> BandLines;  // under the parts list of 原板情報 (PrintBandLines)
};

// Pages of the source's printout, at least 1.
int PageCount(const PrintSource& source);

// The offcuts of a cutting sheet's line "端材(㎜)": "なし", or their sizes as many as fit in
// `columns` half-width columns, then "他 N" for the rest.
std::string OffcutListText(const std::vector<CalRect>& offcuts, int columns);

// The source of a printout of the result, printed now, with the job in its header; the labels
// carry the job name and customer. `bands` as PreparePrintout was given them.
PrintSource MakePrintSource(const CRetData& ret, const CBuzaiList& parts, const CBuzaiList& secondary,
                            const CGenbanList& boards, const Settings& settings, int kind,
                            const CutDataInfo& job = {}, const EdgeTotals* bands = nullptr);

// The job as the printouts' header names it: "物件名 <name>", "得意先 <customer>",
// "納期 YYYY/MM/DD", those it has; "" for a job without any.
std::string JobHeaderText(const CutDataInfo& job);

// The text cut to `columns` half-width columns, "…" at its end when it was cut.
std::string FitColumns(const std::string& text, int columns);

// The page frame's measures in 0.1 mm on the page.
struct PageFrame {
    double Scale = 1.0;  // the page as A4 scaled by its limiting side
    int FontHeight = 38;
    int W = 0;   // width of "W"
    int H = 0;   // its height
    int L = 0;   // line pitch
    int X0 = 0;  // left margin
};

// Draws page `page` (1-based) of the printout: the frame, the header and the page's content.
// A page, board or part number outside its list throws CalcError; what was drawn stays.
void DrawPrintPage(Canvas& dc, const PrintSource& source, int page);

// The frame's measures on this canvas (selects the page font and leaves it selected).
PageFrame MeasurePageFrame(Canvas& dc);
