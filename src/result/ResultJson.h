#pragma once

#include <string>

class CRetData;

// The result as JSON ("nestrix-result", version 1); doubles with "%.17g" so they round-trip.
std::string ResultToJson(const CRetData& ret);
