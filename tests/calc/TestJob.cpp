#include "calc/TestJob.h"

#include <gtest/gtest.h>

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
