#pragma once

#include <cstdint>
#include <vector>

#include "calc/CalData.h"

class CBuzaiList;

// The order in which the engines take parts: larger first. Area flag 0 ranks by the longer
// side, then by area; area flag 1 by area, then by the longer side. Ties keep the input order.
//
// Rebuilds `target` from `source` (one list of a group), inserting each entry in turn as
// {number, count, list}; `parts` is the list the numbers refer to.
void SortIntoPartOrder(std::vector<CAL_BUZAI>& target, const std::vector<CAL_BUZAI>& source,
                       const CBuzaiList& parts, std::int32_t list, int areaFlag);
