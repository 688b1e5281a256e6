#pragma once

#include <string>

#include "result/Offcuts.h"

class CRetData;

// The result as JSON ("nestrix-result", version 1); doubles with "%.17g" so they round-trip.
// With `offcuts` (one list per layout) every layout also lists its offcuts.
std::string ResultToJson(const CRetData& ret, const ResultOffcutList* offcuts = nullptr);
