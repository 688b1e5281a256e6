#include "calc/LayoutChecker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>

#include "job/Buzai.h"
#include "job/Genban.h"

namespace {

struct Box {
    std::int64_t x0, y0, x1, y1;  // x1, y1 exclusive
};

// How far apart two boxes are: the larger of the gaps along x and along y (negative: overlap).
std::int64_t Gap(const Box& a, const Box& b)
{
    const std::int64_t gx = std::max(b.x0 - a.x1, a.x0 - b.x1);
    const std::int64_t gy = std::max(b.y0 - a.y1, a.y0 - b.y1);
    return std::max(gx, gy);
}

struct BlockPieces {
    Box bounds;
    std::vector<Box> pieces;
};

const CBuzai* PartOf(const TestJob& job, std::int32_t list, std::int32_t number)
{
    const CBuzaiList& parts = list == 0 ? job.Buzai : job.YBuzai;
    if (number < 0 || static_cast<std::size_t>(number) >= parts.Items.size()) {
        return nullptr;
    }
    return &parts.Items[static_cast<std::size_t>(number)];
}

void ExpectNear(double actual, double expected, const char* what)
{
    EXPECT_LE(std::fabs(actual - expected), 1e-9 * std::max(1.0, std::fabs(expected)))
        << what << ": " << actual << " against " << expected << " from the layouts";
}

}  // namespace

void ExpectValidLayout(const COutData& layout, const TestJob& job, bool finished)
{
    ASSERT_GE(layout.BoardNo, 0);
    ASSERT_LT(static_cast<std::size_t>(layout.BoardNo), job.Genban.Items.size());
    const CGenban& board = job.Genban.Items[static_cast<std::size_t>(layout.BoardNo)];
    const CalRect rect = TrimmedRect(board);
    const std::int64_t k = job.Set.NokoHaba;

    std::vector<BlockPieces> blocks;
    double partsArea = 0.0, totalArea = 0.0;
    for (std::size_t b = 0; b < layout.Blocks.size(); ++b) {
        const CHaichi& block = layout.Blocks[b];
        SCOPED_TRACE("block " + std::to_string(b) + ": list " + std::to_string(block.List) + " part " +
                     std::to_string(block.Number) + " at " + std::to_string(block.X) + "," +
                     std::to_string(block.Y) + " " + std::to_string(block.Nx) + "x" +
                     std::to_string(block.Ny) + (block.Rotated ? " turned" : ""));
        ASSERT_TRUE(block.List == 0 || block.List == 1);
        const CBuzai* part = PartOf(job, block.List, block.Number);
        ASSERT_NE(part, nullptr) << "no such part";
        ASSERT_GE(block.Nx, 1);
        ASSERT_GE(block.Ny, 1);
        ASSERT_TRUE(block.Rotated == 0 || block.Rotated == 1);
        if (part->NoTurn) {
            EXPECT_EQ(block.Rotated, 0) << "a part that may not be turned lies turned";
        }
        EXPECT_EQ(part->Kind, board.Kind) << "part and board of different kinds";
        EXPECT_EQ(part->Thickness, board.Thickness) << "part and board of different thickness";

        const std::int64_t sx = block.Rotated ? part->Height : part->Width;
        const std::int64_t sy = block.Rotated ? part->Width : part->Height;
        BlockPieces pieces;
        pieces.bounds =
            Box{block.X, block.Y, block.X + block.Nx * (sx + k) - k, block.Y + block.Ny * (sy + k) - k};
        for (std::int64_t j = 0; j < block.Ny; ++j) {
            for (std::int64_t i = 0; i < block.Nx; ++i) {
                const std::int64_t x = block.X + i * (sx + k), y = block.Y + j * (sy + k);
                pieces.pieces.push_back(Box{x, y, x + sx, y + sy});
            }
        }
        const Box& box = pieces.bounds;
        EXPECT_TRUE(box.x0 >= rect.X0 && box.y0 >= rect.Y0 && box.x1 <= rect.X1 && box.y1 <= rect.Y1)
            << "block outside the trimmed board " << rect.X0 << "," << rect.Y0 << "-" << rect.X1 << ","
            << rect.Y1;

        for (std::size_t o = 0; o < blocks.size(); ++o) {
            if (Gap(box, blocks[o].bounds) >= k) {
                continue;
            }
            // The boxes come close: look at the pieces themselves.
            bool apart = true;
            for (const Box& p : pieces.pieces) {
                for (const Box& q : blocks[o].pieces) {
                    if (Gap(p, q) < k) {  // with kerf 0 touching pieces are fine
                        apart = false;
                    }
                }
            }
            EXPECT_TRUE(apart) << "pieces overlap block " << o << " or lie closer than the kerf " << k;
        }
        blocks.push_back(std::move(pieces));

        const double area = static_cast<double>(part->Width) * part->Height * block.Nx * block.Ny;
        totalArea += area;
        if (block.List == 0) {
            partsArea += area;
        }
    }

    for (std::size_t c = 0; c < layout.CutLines.size(); ++c) {
        const CUTMARK& cut = layout.CutLines[c];
        SCOPED_TRACE("cut line " + std::to_string(c) + ": " + std::to_string(cut.X0) + "," +
                     std::to_string(cut.Y0) + "-" + std::to_string(cut.X1) + "," + std::to_string(cut.Y1));
        EXPECT_TRUE(cut.X0 == cut.X1 || cut.Y0 == cut.Y1) << "a cut line that is not straight across";
        const Box line{std::min(cut.X0, cut.X1), std::min(cut.Y0, cut.Y1), std::max(cut.X0, cut.X1),
                       std::max(cut.Y0, cut.Y1)};
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            for (const Box& p : blocks[b].pieces) {
                // Strictly inside a piece along one axis and across it along the other.
                const bool crosses =
                    line.x0 == line.x1
                        ? (p.x0 < line.x0 && line.x0 < p.x1 && line.y0 < p.y1 && p.y0 < line.y1)
                        : (p.y0 < line.y0 && line.y0 < p.y1 && line.x0 < p.x1 && p.x0 < line.x1);
                EXPECT_FALSE(crosses) << "the cut line runs through a piece of block " << b;
                if (crosses) {
                    break;
                }
            }
        }
    }

    EXPECT_DOUBLE_EQ(layout.PartsArea, partsArea);
    EXPECT_DOUBLE_EQ(layout.TotalArea, totalArea);
    if (finished) {
        COutData again = layout;
        again.Finish(board);
        EXPECT_EQ(layout.Summary, again.Summary);
        EXPECT_DOUBLE_EQ(layout.PartsYield, again.PartsYield);
        EXPECT_DOUBLE_EQ(layout.TotalYield, again.TotalYield);
    }
}

void ExpectValidResult(const CRetData& ret, const TestJob& job, const std::vector<CAL_BUZAI>* leftYBuzai)
{
    std::map<std::pair<int, int>, std::int64_t> placed;  // (list, number) -> pieces
    std::map<int, std::int64_t> sheets;                  // board number -> sheets cut
    double partsArea = 0.0, totalArea = 0.0, boardArea = 0.0, partsPrice = 0.0, piecesPrice = 0.0;
    std::int64_t totalPrice = 0;
    for (std::size_t i = 0; i < ret.Layouts.size(); ++i) {
        const COutData& layout = ret.Layouts[i];
        SCOPED_TRACE("layout " + std::to_string(i) + " on board " + std::to_string(layout.BoardNo));
        EXPECT_GE(layout.Repeat, 1);
        ExpectValidLayout(layout, job);
        if (layout.BoardNo < 0 || static_cast<std::size_t>(layout.BoardNo) >= job.Genban.Items.size()) {
            return;
        }
        const CGenban& board = job.Genban.Items[static_cast<std::size_t>(layout.BoardNo)];
        EXPECT_EQ(board.Use, 1) << "a board that was not selected";
        for (const CHaichi& block : layout.Blocks) {
            placed[{block.List, block.Number}] +=
                static_cast<std::int64_t>(block.Nx) * block.Ny * layout.Repeat;
        }
        sheets[layout.BoardNo] += layout.Repeat;

        const double area = static_cast<double>(board.Width) * board.Height;
        const std::int64_t price = static_cast<std::int64_t>(layout.Repeat) * board.Price;
        partsArea += layout.Repeat * layout.PartsArea;
        totalArea += layout.Repeat * layout.TotalArea;
        boardArea += layout.Repeat * area;
        totalPrice += price;
        if (area > 0.0) {
            partsPrice += static_cast<double>(price) * layout.PartsArea / area;
            piecesPrice += static_cast<double>(price) * layout.TotalArea / area;
        }
    }

    for (const auto& [number, count] : sheets) {
        EXPECT_LE(count, job.Genban.Items[static_cast<std::size_t>(number)].Count)
            << "board " << number << " cut more often than it is in stock";
    }

    std::map<int, std::int64_t> unplaced;
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        EXPECT_EQ(entry.Flag, 0) << "unplaced entry of part " << entry.Number;
        EXPECT_GE(entry.Count, 1) << "unplaced entry of part " << entry.Number;
        EXPECT_NE(PartOf(job, 0, entry.Number), nullptr) << "unplaced entry of part " << entry.Number;
        unplaced[entry.Number] += entry.Count;
    }
    for (std::size_t i = 0; i < job.Buzai.Items.size(); ++i) {
        const int n = static_cast<int>(i);
        const std::int64_t done = placed[std::make_pair(0, n)];
        EXPECT_EQ(done + unplaced[n], job.Buzai.Items[i].Count)
            << "part " << n << ": placed " << done << " + unplaced " << unplaced[n];
    }

    std::set<int> grouped;  // secondary parts that went into a group
    {
        CRetData scratch;
        for (const CCalData& group : job.Groups(scratch)) {
            for (const CAL_BUZAI& entry : group.Buzai[1]) {
                grouped.insert(entry.Number);
            }
        }
    }
    std::map<int, std::int64_t> left;
    if (leftYBuzai) {
        for (const CAL_BUZAI& entry : *leftYBuzai) {
            EXPECT_GE(entry.Count, 1) << "leftover entry of secondary part " << entry.Number;
            left[entry.Number] += entry.Count;
        }
    }
    for (std::size_t i = 0; i < job.YBuzai.Items.size(); ++i) {
        const int n = static_cast<int>(i);
        const std::int64_t count = job.YBuzai.Items[i].Count;
        const std::int64_t done = placed[std::make_pair(1, n)];
        EXPECT_LE(done, count) << "secondary part " << n << " placed more often than it exists";
        if (!grouped.count(n)) {
            EXPECT_EQ(done, 0) << "secondary part " << n << " of no group placed";
        } else if (leftYBuzai) {
            EXPECT_EQ(done + left[n], count)
                << "secondary part " << n << ": placed " << done << " + left " << left[n];
        }
    }

    ExpectNear(ret.PartsArea, partsArea, "parts area");
    ExpectNear(ret.TotalArea, totalArea, "total area");
    ExpectNear(ret.BoardArea, boardArea, "board area");
    EXPECT_EQ(ret.TotalPrice, totalPrice);
    ExpectNear(ret.PartsPrice, partsPrice, "parts price");
    ExpectNear(ret.TotalPiecesPrice, piecesPrice, "price of all pieces");
}
