#pragma once

#include <string>

#include "result/Offcuts.h"

class CRetData;
struct EdgeTotals;

// The result as JSON ("nestrix-result", version 1); doubles with "%.17g" so they round-trip.
// With `sawing` (SawResult) every layout also has its cuts (count and length in mm, one sheet)
// and offcuts, and the result the cuts of the whole job. Every block has the size of its pieces
// as laid (after rotation; the cut size of a banded part). With `bands` (of a job with bands) the
// result and every layout list the bands used ("bands": code, name, metres, cost).
std::string ResultToJson(const CRetData& ret, const ResultSawing* sawing = nullptr,
                         const EdgeTotals* bands = nullptr);
