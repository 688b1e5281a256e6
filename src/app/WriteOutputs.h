#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/HeadlessTypes.h"
#include "app/LayoutOutputs.h"
#include "result/CutData.h"

class CBuzaiList;
class CGenbanList;
class CRetData;
struct EdgeTotals;
struct Settings;

// A job's three lists and settings, the result and the job information: what the outputs are
// made from. The lists are those the result refers to.
struct OutputJob {
    CRetData& Ret;
    CBuzaiList& Parts;
    CBuzaiList& Secondary;
    const CGenbanList& Boards;
    const Settings& Options;
    CutDataInfo Info;  // without a due date the cut data file takes today's
    const EdgeTotals* Bands = nullptr;  // the bands of a job with a band table
};

// Makes every output the options name (`extra` after the usual ones), stages them and puts them
// in place together: a stop or a failure on the way changes none of them. `status` when all
// were written, else the status of what failed or stopped it.
// `planFiles` makes the files of --alternatives.
int WriteOutputs(const LayoutOptions& options, OutputJob job,
                 const std::vector<std::pair<std::string LayoutOptions::*, MakeBytes>>& extra,
                 const PdfWriterFn& writePdf, const PngWriterFn& writePng, int status,
                 const MakeFiles& planFiles = {});
