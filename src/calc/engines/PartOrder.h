#pragma once

#include <cstdint>
#include <vector>

#include "calc/CalData.h"

class CBuzaiList;
class CCalHaichi;

// The order in which the engines take parts: larger first. Area flag 0 ranks by the longer
// side, then by area; area flag 1 by area, then by the longer side. Ties keep the input order.
//
// Rebuilds `target` from `source` (one list of a group), inserting each entry in turn as
// {number, count, list}; `parts` is the list the numbers refer to.
void SortIntoPartOrder(std::vector<CAL_BUZAI>& target, const std::vector<CAL_BUZAI>& source,
                       const CBuzaiList& parts, std::int32_t list, int areaFlag);

// The group as the block and strip engines keep it: boards pooled into list 0 when the engine
// ignores priority (NoUsenFlg), else by priority; both part lists in the part order. State 1.
void PrepareGroup(CCalHaichi& engine, const CCalData& data, int areaFlag);
