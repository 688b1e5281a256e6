#include "calc/engines/StripIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/JobGenerator.h"
#include "calc/engines/Cal3.h"

namespace {

class ScanningCal3 : public CCal3 {
public:
    using CCal2::StripCandidates;
};

// A job of parts whose sides repeat (strips of one thickness with several candidates), square
// parts, NoTurn parts and secondary parts.
TestJob PartsOfFewSides(std::uint32_t seed)
{
    Dice dice(seed);
    TestJob job;
    job.Board(6000, 3000);
    const std::int32_t sides[] = {150, 200, 300, 450, 600};
    const int types = dice.Between(3, 24);
    for (int i = 0; i < types; ++i) {
        const std::int32_t w = dice.Chance(70) ? sides[dice.Between(0, 4)] : dice.Between(100, 900);
        const std::int32_t h = dice.Chance(20) ? w : sides[dice.Between(0, 4)];
        job.Parts(w, h, dice.Between(1, 4), dice.Chance(25) ? 1 : 0);
    }
    for (int i = dice.Between(0, 4); i > 0; --i) {
        job.Secondary(sides[dice.Between(0, 4)], dice.Between(100, 700), dice.Between(1, 3));
    }
    return job;
}

}  // namespace

// Every working list of a board layout is the board's lists less pieces placed: for any such
// list, any scan start, thickness and axis, the index finds what the scan finds.
TEST(StripIndex, FindsWhatTheScanFindsInAnyListLessPiecesPlaced)
{
    int found = 0, several = 0;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const TestJob job = PartsOfFewSides(seed);
        ScanningCal3 engine;
        job.Prepare(engine);
        const BuzaiLists& board = engine.CalData.Buzai;
        StripIndex index;
        ASSERT_TRUE(index.Make(board, [&](int l, std::int32_t n) { return engine.Size(l, n); }));

        Dice dice(seed * 7919);
        for (int round = 0; round < 40; ++round) {
            BuzaiLists lists = board;
            for (auto& list : lists) {
                // Some pieces placed, some entries used up (and dropped, as PlaceStrips does).
                std::vector<CAL_BUZAI> kept;
                for (CAL_BUZAI e : list) {
                    if (dice.Chance(30)) {
                        continue;
                    }
                    e.Count -= dice.Between(0, e.Count - 1);
                    kept.push_back(e);
                }
                list = kept;
            }
            for (int list = 0; list < 2; ++list) {
                const auto& in = lists[static_cast<std::size_t>(list)];
                const std::size_t from =
                    in.empty() || dice.Chance(50)
                        ? 0
                        : static_cast<std::size_t>(dice.Between(0, static_cast<std::int32_t>(in.size())));
                for (std::int32_t thickness : {150, 200, 300, 450, 600, 999, dice.Between(100, 900)}) {
                    for (int across = 0; across < 2; ++across) {
                        std::vector<CAL2_LENBUZAI> scanned, indexed;
                        engine.StripCandidates(list, 1 - across, across, in, thickness, scanned, from);
                        index.Candidates(list, across, thickness, in, from, indexed);
                        ASSERT_EQ(indexed, scanned) << "list " << list << ", from " << from << ", thickness "
                                                    << thickness << ", across " << across;
                        found += scanned.empty() ? 0 : 1;
                        several += scanned.size() > 1 ? 1 : 0;
                    }
                }
            }
        }
    }
    EXPECT_GT(found, 5000);
    EXPECT_GT(several, 1000);
}

TEST(StripIndex, RefusesListsWhereAPlaceNamesNoSingleEntry)
{
    const auto size = [](int, std::int32_t) { return CCalHaichi::PartSize{300, 200, 0}; };
    StripIndex index;
    BuzaiLists twice;
    twice[0] = {CAL_BUZAI{0, 1, 0}, CAL_BUZAI{1, 2, 0}, CAL_BUZAI{0, 1, 0}};
    EXPECT_FALSE(index.Make(twice, size));
    EXPECT_FALSE(index.Ready());
    BuzaiLists negative;
    negative[1] = {CAL_BUZAI{-1, 1, 1}};
    EXPECT_FALSE(index.Make(negative, size));
    BuzaiLists once;
    once[0] = {CAL_BUZAI{2, 1, 0}, CAL_BUZAI{0, 2, 0}};
    once[1] = twice[0];  // the numbers of each list apart
    once[1].pop_back();
    EXPECT_TRUE(index.Make(once, size));
    EXPECT_TRUE(index.Ready());
    EXPECT_TRUE(index.AllHoldPieces());
    once[0][1].Count = 0;  // indexed, but then another entry than a strip's own may be used up
    EXPECT_TRUE(index.Make(once, size));
    EXPECT_FALSE(index.AllHoldPieces());
}
