#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Settings.h"
#include "calc/CalData.h"
#include "calc/CalHaichi.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/RetData.h"

// A small job built in code: parts, secondary parts, selected boards and the settings.
// Sizes in 0.1 mm; kind "" and thickness 100 unless given. Boards are selected (Use = 1).
// Kerf 0, improvement passes and fewer patterns off unless Set says otherwise.
//   TestJob().Board(1000, 500).Kerf(5).Parts(300, 500, 3)
class TestJob {
public:
    CBuzaiList Buzai;
    CBuzaiList YBuzai;
    CGenbanList Genban;
    Settings Set;

    TestJob();

    TestJob& Parts(std::int32_t width, std::int32_t height, std::int32_t count, int noTurn = 0,
                   const std::string& kind = "", std::int32_t thickness = 100);
    TestJob& Secondary(std::int32_t width, std::int32_t height, std::int32_t count, int noTurn = 0,
                       const std::string& kind = "", std::int32_t thickness = 100);
    TestJob& Board(std::int32_t width, std::int32_t height, std::int32_t count = 9999,
                   std::int32_t priority = 0, std::int32_t price = 0, const std::string& kind = "",
                   std::int32_t thickness = 100);
    // Trims of the board added last.
    TestJob& Trim(std::int32_t top, std::int32_t bottom, std::int32_t left, std::int32_t right);
    TestJob& Kerf(std::int32_t tenths);

    // The calculation groups, as the run builds them, into `ret`.
    std::vector<CCalData> Groups(CRetData& ret) const;
    CCalData Group(std::size_t index = 0) const;
    // Reset, settings and lists, SetCalData with the group: ready for Calculate.
    // Set engine variant fields before calling it when SetCalData depends on them.
    void Prepare(CCalHaichi& engine, std::size_t group = 0) const;
};

// Prepares the engine on the job, runs Calculate on this thread and returns the result.
CRetData RunEngine(CCalHaichi& engine, const TestJob& job, std::size_t group = 0);

// Pieces of one list placed in all (repeat counts included).
std::int64_t PlacedPieces(const CRetData& ret, int list = 0);
