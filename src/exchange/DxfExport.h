#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/TextFile.h"
#include "result/CutData.h"

class Prompt;

// One DXF drawing per board pattern (layout of the result), for CAD and CNC: millimetres, the
// board's top-left corner at (0, board length) so that y points up. Layers: BOARD (the board's
// outline), TRIM (the trimmed board), PART (each piece, a closed polyline), PART_TEXT (its name
// and size), OFFCUT (each offcut kept) and CUT (every cut of the cut plan as a line through the
// middle of the kerf, in cutting order).

// "pattern-001.dxf" for the first layout (index 0).
std::string PatternDxfName(std::size_t layout);
// Whether a file name is one of those: pattern-, three or more digits, .dxf.
bool IsPatternDxfName(const std::string& name);

// The drawing of one layout as DXF bytes; false with `error` when the layout cannot be cut
// apart (its cuts and offcuts are not known) or names a board or part not in the lists.
bool PatternDxf(const CutDataSource& source, std::size_t layout, std::string& bytes, std::string& error);

// Every layout's drawing, named by PatternDxfName. Stops early (false, no error) when `stopped`
// says so.
bool PatternDxfFiles(const CutDataSource& source, const std::function<bool()>& stopped,
                     std::vector<NamedBytes>& files, std::string& error);

// The desktop's DXF出力 into `folder`: every drawing written or none (a failure keeps the
// files as they were); drawings of an earlier, larger result in the folder are removed, after
// asking. Messages through the prompt; 1 when the files were written.
int WritePatternDxfFiles(const std::string& folder, const CutDataSource& source, Prompt& prompt);
