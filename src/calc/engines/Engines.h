#pragma once

#include <memory>

#include "calc/EngineVariant.h"

class CCalHaichi;

// A new engine of the variant's kind (1 blocks, 2 strips, 3 strip stacks, 4 row first, 5 search)
// with its variant parameters set; everything else as constructed.
std::unique_ptr<CCalHaichi> MakeEngine(const EngineVariant& variant);
