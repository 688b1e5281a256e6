#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "job/Genban.h"
#include "result/JobLists.h"
#include "result/Offcuts.h"

// 在庫反映: the board list after a result was cut. The sheets the result used come off the
// counts of their boards (the unlimited count stays; a board with no sheet left leaves the
// list), and every offcut it keeps joins the list as a board of its own: "端材 W×L", the kind,
// thickness and price rule of its board (price by area, rounded), priority 最優先, no trims,
// the job and the date as its remark. Equal offcuts of one board become one entry.
struct StockUpdate {
    CGenbanList Boards;              // the whole list after
    std::vector<std::string> Lines;  // what changes, one line each, for the preview
};

inline constexpr std::int32_t kUnlimitedBoards = 9999;

// `shop` is the board list now, `lists` the result with the board list of its calculation and
// `sawing` its cuts and offcuts (SawResult). `remark` goes into the new entries ("山田邸 2026/12/09").
// False with `error` (Japanese) when a board the result used is no longer in `shop` as the
// calculation had it (the list changed since, or the update was applied already), or holds
// fewer sheets than the result used.
bool MakeStockUpdate(const JobLists& lists, const ResultSawing& sawing, const CGenbanList& shop,
                     const std::string& remark, StockUpdate& update, std::string& error);

// The remark of the offcut entries: the job name and today's date ("山田邸 2026/12/09").
std::string StockRemark(const std::string& jobName);

// The name of an offcut entry: "端材 600×450", tenths only where there are any ("端材 600.5×450").
std::string OffcutBoardName(std::int32_t width, std::int32_t length);
