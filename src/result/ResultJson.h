#pragma once

#include <string>

#include "result/Offcuts.h"

class CRetData;

// The result as JSON ("nestrix-result", version 1); doubles with "%.17g" so they round-trip.
// With `sawing` (SawResult) every layout also has its cuts (count and length in mm, one sheet)
// and offcuts, and the result the cuts of the whole job.
std::string ResultToJson(const CRetData& ret, const ResultSawing* sawing = nullptr);
