#pragma once

#include <cstdio>
#include <string>
#include <vector>

class CBuzai;
class CBuzaiList;
class CGenbanList;
class CRetData;
struct EdgeTotals;
struct Settings;

// What `nestrix layout` prints of a result: the used boards, the patterns, the placed secondary
// parts, the parts left over (with why, where it is simple to tell) and the totals, with the
// bands of a job that has them.
void PrintSummary(std::FILE* out, const CRetData& ret, const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                  const CGenbanList& genban, const Settings& settings, const EdgeTotals* bands = nullptr);

// Why nothing could be placed, when it is simple to tell: for every group of parts (kind and
// thickness) no board is usable, or no part fits a usable board. Empty when some part has no
// such reason (then only the engines can say).
std::vector<std::string> NothingPlacedReasons(const CBuzaiList& buzai, const CGenbanList& genban,
                                              const Settings& settings);
