#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "result/Offcuts.h"

class CRetData;
struct ResultBound;
struct EdgeTotals;

// The result as JSON ("nestrix-result", version 1); doubles with "%.17g" so they round-trip.
// With `sawing` (SawResult) every layout also has its cuts (count and length in mm, one sheet)
// and offcuts, and the result the cuts of the whole job. Every block has the size of its pieces
// as laid (after rotation; the cut size of a banded part). With `bands` (of a job with bands) the
// result and every layout list the bands used ("bands": code, name, metres, cost).
// With `bound` (ret.Bound, made) the result has "bound": the lower bound of the job's parts that
// fit a board, secondary parts not counted: "boards" (no layout uses fewer), "price" (yen, no
// layout costs less), "gap" (% of total_price above the bound; of the boards' count when the
// boards have no price; null when parts that fit a board were left unplaced), "optimal" (the
// result meets the bound), "unplaceable" (pieces no board holds, left out of the bound) and
// "groups", the same per kind and thickness ("kind", "thickness").
std::string ResultToJson(const CRetData& ret, const ResultSawing* sawing = nullptr,
                         const EdgeTotals* bands = nullptr, const ResultBound* bound = nullptr);
// The same result without bands and bound as the value a job file holds: what the text reads
// back as (a double that "%.17g" writes as a whole number is an integer), in the text's order.
nlohmann::ordered_json ResultJsonValue(const CRetData& ret, const ResultSawing* sawing);
