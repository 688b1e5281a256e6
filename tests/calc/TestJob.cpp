#include "calc/TestJob.h"

#include <gtest/gtest.h>

#include <map>

namespace {

CBuzai MakePart(std::int32_t width, std::int32_t height, std::int32_t count, int noTurn,
                const std::string& kind, std::int32_t thickness)
{
    CBuzai part;
    part.Name = "P";
    part.Width = width;
    part.Height = height;
    part.Count = count;
    part.NoTurn = noTurn;
    part.Kind = kind;
    part.Thickness = thickness;
    return part;
}

struct Box {
    std::int64_t x0, y0, x1, y1;  // x1, y1 exclusive
};

}  // namespace

TestJob::TestJob()
{
    YBuzai.IsSecondary = 1;
    Set.NokoHaba = 0;
    Set.Use2ko1 = 0;
    Set.UseSmallPat = 0;
}

TestJob& TestJob::Parts(std::int32_t width, std::int32_t height, std::int32_t count, int noTurn,
                        const std::string& kind, std::int32_t thickness)
{
    Buzai.Items.push_back(MakePart(width, height, count, noTurn, kind, thickness));
    Buzai.Renumber();
    return *this;
}

TestJob& TestJob::Secondary(std::int32_t width, std::int32_t height, std::int32_t count, int noTurn,
                            const std::string& kind, std::int32_t thickness)
{
    YBuzai.Items.push_back(MakePart(width, height, count, noTurn, kind, thickness));
    YBuzai.Renumber();
    Set.UseYBuzai = 1;
    return *this;
}

TestJob& TestJob::Board(std::int32_t width, std::int32_t height, std::int32_t count, std::int32_t priority,
                        std::int32_t price, const std::string& kind, std::int32_t thickness)
{
    CGenban board;
    board.Name = "B";
    board.Width = width;
    board.Height = height;
    board.Count = count;
    board.Priority = priority;
    board.Price = price;
    board.Kind = kind;
    board.Thickness = thickness;
    board.Use = 1;
    Genban.Items.push_back(board);
    Genban.Renumber();
    return *this;
}

TestJob& TestJob::Trim(std::int32_t top, std::int32_t bottom, std::int32_t left, std::int32_t right)
{
    CGenban& board = Genban.Items.at(Genban.Items.size() - 1);
    board.TrimTop = top;
    board.TrimBottom = bottom;
    board.TrimLeft = left;
    board.TrimRight = right;
    return *this;
}

TestJob& TestJob::Kerf(std::int32_t tenths)
{
    Set.NokoHaba = tenths;
    return *this;
}

std::vector<CCalData> TestJob::Groups(CRetData& ret) const
{
    return BuildCalData(Buzai, YBuzai, Genban, Set, ret);
}

CCalData TestJob::Group(std::size_t index) const
{
    CRetData ret;
    return Groups(ret).at(index);
}

void TestJob::Prepare(CCalHaichi& engine, std::size_t group) const
{
    engine.Reset();
    engine.Configure(Set, Buzai, YBuzai, Genban);
    engine.SetCalData(Group(group));
}

CRetData RunEngine(CCalHaichi& engine, const TestJob& job, std::size_t group)
{
    job.Prepare(engine, group);
    engine.Running = 1;
    engine.Calculate();
    return engine.Ret;
}

std::int64_t PlacedPieces(const CRetData& ret, int list)
{
    std::int64_t pieces = 0;
    for (const COutData& layout : ret.Layouts) {
        for (const CHaichi& block : layout.Blocks) {
            if (block.List == list) {
                pieces += static_cast<std::int64_t>(block.Nx) * block.Ny * layout.Repeat;
            }
        }
    }
    return pieces;
}

void ExpectValidLayouts(const CRetData& ret, const TestJob& job)
{
    const std::int64_t k = job.Set.NokoHaba;
    std::map<std::pair<int, int>, std::int64_t> placed;  // (list, number) -> pieces
    for (std::size_t i = 0; i < ret.Layouts.size(); ++i) {
        SCOPED_TRACE("layout " + std::to_string(i));
        const COutData& layout = ret.Layouts[i];
        ASSERT_GE(layout.BoardNo, 0);
        ASSERT_LT(static_cast<std::size_t>(layout.BoardNo), job.Genban.Items.size());
        const CGenban& board = job.Genban.Items[static_cast<std::size_t>(layout.BoardNo)];
        const CalRect rect = TrimmedRect(board);
        EXPECT_GE(layout.Repeat, 1);

        std::vector<Box> boxes;
        double partsArea = 0.0, totalArea = 0.0;
        for (const CHaichi& block : layout.Blocks) {
            SCOPED_TRACE("block of part " + std::to_string(block.Number) + " list " +
                         std::to_string(block.List));
            ASSERT_TRUE(block.List == 0 || block.List == 1);
            const CBuzaiList& list = block.List == 0 ? job.Buzai : job.YBuzai;
            ASSERT_GE(block.Number, 0);
            ASSERT_LT(static_cast<std::size_t>(block.Number), list.Items.size());
            const CBuzai& part = list.Items[static_cast<std::size_t>(block.Number)];
            EXPECT_GE(block.Nx, 1);
            EXPECT_GE(block.Ny, 1);
            if (part.NoTurn) {
                EXPECT_EQ(block.Rotated, 0);
            }
            const std::int64_t sx = block.Rotated ? part.Height : part.Width;
            const std::int64_t sy = block.Rotated ? part.Width : part.Height;
            const Box box{block.X, block.Y, block.X + block.Nx * (sx + k) - k,
                          block.Y + block.Ny * (sy + k) - k};
            EXPECT_GE(box.x0, rect.X0);
            EXPECT_GE(box.y0, rect.Y0);
            EXPECT_LE(box.x1, rect.X1);
            EXPECT_LE(box.y1, rect.Y1);
            for (const Box& other : boxes) {
                const bool apart = box.x1 + k <= other.x0 || other.x1 + k <= box.x0 ||
                                   box.y1 + k <= other.y0 || other.y1 + k <= box.y0;
                EXPECT_TRUE(apart) << "blocks overlap or lie closer than the kerf";
            }
            boxes.push_back(box);
            const double area = static_cast<double>(part.Width) * part.Height * block.Nx * block.Ny;
            totalArea += area;
            if (block.List == 0) {
                partsArea += area;
            }
            placed[{block.List, block.Number}] +=
                static_cast<std::int64_t>(block.Nx) * block.Ny * layout.Repeat;
        }
        EXPECT_DOUBLE_EQ(layout.PartsArea, partsArea);
        EXPECT_DOUBLE_EQ(layout.TotalArea, totalArea);
        COutData finished = layout;
        finished.Finish(board);
        EXPECT_EQ(layout.Summary, finished.Summary);
        EXPECT_DOUBLE_EQ(layout.PartsYield, finished.PartsYield);
    }

    std::map<int, std::int64_t> unplaced;
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        unplaced[entry.Number] += entry.Count;
    }
    for (std::size_t i = 0; i < job.Buzai.Items.size(); ++i) {
        const int n = static_cast<int>(i);
        const std::int64_t pieces = placed[std::pair{0, n}] + unplaced[n];
        EXPECT_EQ(pieces, job.Buzai.Items[i].Count) << "part " << n;
    }
    for (std::size_t i = 0; i < job.YBuzai.Items.size(); ++i) {
        const int n = static_cast<int>(i);
        const std::int64_t pieces = placed[std::pair{1, n}];
        EXPECT_LE(pieces, job.YBuzai.Items[i].Count) << "secondary part " << n;
    }
}
