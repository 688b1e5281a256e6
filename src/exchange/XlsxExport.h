#pragma once

#include <string>

#include "result/CutData.h"

class Prompt;

// The result as an Excel workbook, one sheet each: 集計 (the job's totals), 部材 (every part:
// sizes, count, placed, unplaced, cost share), 原板 (the boards used), パターン (each pattern
// with its pieces) and 端材 (the offcuts kept). Figures are numbers with number formats; money
// in yen, lengths in mm, yields as fractions shown as percentages. They are the result's own
// totals (those of the result JSON), the cost shares those of 原板情報.
struct EdgeTotals;

struct WorkbookSource : CutDataSource {
    int TankaType = 2;  // how the board price is shared out over the parts (FillPartCosts)
    CutDataInfo Info{};   // job name and due date (none when the year is 0)
    const EdgeTotals* Bands = nullptr;  // the bands of a job that has them: metres and cost on 集計
};

// The workbook's bytes; false with `error` when a layout cannot be cut apart or the workbook
// cannot be made.
bool ResultWorkbook(const WorkbookSource& source, std::string& bytes, std::string& error);

// The desktop's Excel出力: the workbook written to `path` (a failed write keeps the previous
// file). Messages through the prompt; 1 when it was written.
int WriteResultWorkbook(const std::string& path, const WorkbookSource& source, Prompt& prompt);
