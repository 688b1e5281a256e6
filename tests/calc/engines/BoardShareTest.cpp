#include <gtest/gtest.h>

#include <thread>

#include "calc/JobGenerator.h"
#include "calc/engines/Cal3.h"
#include "result/ResultJson.h"

namespace {

struct StackVariant {
    int order, area, second;
};

// The strip-stack variants of a group in job list order.
std::vector<StackVariant> StackVariants()
{
    std::vector<StackVariant> variants;
    for (int area = 0; area <= 1; ++area) {
        for (int second = 0; second <= 1; ++second) {
            for (int order = 2; order >= 0; --order) {
                variants.push_back({order, area, second});
            }
        }
    }
    return variants;
}

std::unique_ptr<CCal3> Make(const StackVariant& v, bool share)
{
    auto engine = std::make_unique<CCal3>();
    engine->Order = v.order;
    engine->Level = 2;
    engine->AreaFlag = v.area;
    engine->SecondFlag = v.second;
    engine->UseShare = share;
    return engine;
}

// Every variant's run of the job, each group's engines joined as the calculation run joins them;
// on threads all at once, else the variants of order 2 first. Adds the layouts taken from the
// share to `hits`.
std::vector<JobRun> RunJoined(const TestJob& job, bool threads, std::int64_t& hits)
{
    const std::vector<StackVariant> variants = StackVariants();
    std::vector<JobRun> runs(variants.size());
    std::vector<CCalData> groups;
    for (JobRun& run : runs) {
        groups = job.Groups(run.Ret);
    }
    for (std::size_t g = 0; g < groups.size(); ++g) {
        std::vector<std::unique_ptr<CCal3>> engines;
        for (const StackVariant& v : variants) {
            engines.push_back(Make(v, true));
            if (engines.size() > 1) {
                engines.back()->JoinGroupJob(*engines[engines.size() - 2]);
            }
            job.Prepare(*engines.back(), g);
            engines.back()->Running = 1;
        }
        if (threads) {
            std::vector<std::thread> running;
            for (auto& engine : engines) {
                running.emplace_back([&engine] { engine->Calculate(); });
            }
            for (std::thread& t : running) {
                t.join();
            }
        } else {
            for (const bool second : {false, true}) {
                for (std::size_t i = 0; i < variants.size(); ++i) {
                    if ((variants[i].order < 2) == second) {
                        engines[i]->Calculate();
                    }
                }
            }
        }
        for (std::size_t i = 0; i < variants.size(); ++i) {
            runs[i].Ret.Append(engines[i]->Ret);
            runs[i].LeftYBuzai.insert(runs[i].LeftYBuzai.end(), engines[i]->LeftYBuzai.begin(),
                                      engines[i]->LeftYBuzai.end());
            runs[i].States.push_back(engines[i]->State);
            hits += engines[i]->BoardShareHits();
        }
    }
    return runs;
}

}  // namespace

// A board layout taken from another job of the group is the one the job would make: generated
// jobs (kerf, trims, limits, NoTurn, secondary parts, fewer patterns, improvement passes) come out
// the same byte for byte for every variant as when each runs alone without the share, one after
// another and on threads.
TEST(BoardShare, JobsOfAGroupComeOutAsEachAlone)
{
    const std::vector<StackVariant> variants = StackVariants();
    std::int64_t hits[2] = {0, 0};
    for (std::uint32_t seed = 0; seed <= 40; ++seed) {
        // Seed 0: strips of 1000 that the greedy fill, one exchange pass and two fill otherwise
        // (860, 920, 940): the orders' layouts differ.
        const TestJob job =
            seed == 0
                ? TestJob().Board(1000, 100).Kerf(0).Parts(430, 100, 2).Parts(320, 100, 3).Parts(170, 100, 3)
                : FewerParts(GenerateJob(seed));
        std::vector<std::string> alone;
        for (const StackVariant& v : variants) {
            alone.push_back(ResultToJson(RunEveryGroup(job, [&] { return Make(v, false); }).Ret));
        }
        if (seed == 0) {
            ASSERT_NE(alone[0], alone[1]);
            ASSERT_NE(alone[1], alone[2]);
        }
        for (const bool threads : {false, true}) {
            const std::vector<JobRun> joined = RunJoined(job, threads, hits[threads]);
            for (std::size_t i = 0; i < variants.size(); ++i) {
                SCOPED_TRACE(testing::Message() << "seed " << seed << (threads ? ", threads" : "")
                                                << ", order " << variants[i].order << " area "
                                                << variants[i].area << " second " << variants[i].second);
                ASSERT_EQ(ResultToJson(joined[i].Ret), alone[i]) << DescribeJob(job);
                for (const int state : joined[i].States) {
                    EXPECT_TRUE(state == 3 || state == 4) << state;
                }
            }
        }
    }
    EXPECT_GT(hits[0], 50) << "the share answered too rarely for the comparison to show anything";
}

// The share answers only the same ask with the same settings, for an order the layout holds for,
// whatever the hash.
TEST(BoardShare, AnswersOnlyTheSameAskForAnOrderTheLayoutHoldsFor)
{
    const BuzaiLists lists{std::vector<CAL_BUZAI>{{0, 3, 0}, {2, 1, 0}}, std::vector<CAL_BUZAI>{{1, 2, 1}}};
    const CalRect rect{10, 10, 2410, 1230};
    const BoardShare::Setup setup{&lists, nullptr, 30, 999999, 1, 7};
    auto layout = std::make_shared<BoardShare::Layout>();
    layout->With = setup;
    layout->Orders = 0b110;  // made with order 2, the same with order 1
    layout->Board.Width = rect.Width();
    layout->Board.Height = rect.Height();
    layout->Board.Remaining = lists;
    layout->Board.Need = 5.0e5;
    layout->Board.Available = 9.0e5;
    layout->Board.Result = 1;

    struct Ask {
        const char* what;
        int order;
        BuzaiLists lists;
        CalRect rect;
        double need, available;
        BoardShare::Setup setup;
        bool found;
    };
    BuzaiLists fewer = lists, otherSecondary = lists;
    fewer[0][1].Count = 0;
    otherSecondary[1][0].Number = 3;
    BoardShare::Setup kerf = setup, second = setup, switches = setup, parts = setup;
    kerf.Kerf = 0;
    second.Second = 0;
    switches.Switches = 3;
    parts.Parts = &fewer;
    const Ask asks[] = {
        {"the same ask, order 2", 2, lists, rect, 5.0e5, 9.0e5, setup, true},
        {"order 1", 1, lists, rect, 5.0e5, 9.0e5, setup, true},
        {"at another place", 1, lists, CalRect{0, 0, 2400, 1220}, 5.0e5, 9.0e5, setup, true},
        {"order 0", 0, lists, rect, 5.0e5, 9.0e5, setup, false},
        {"another count", 2, fewer, rect, 5.0e5, 9.0e5, setup, false},
        {"another secondary part", 2, otherSecondary, rect, 5.0e5, 9.0e5, setup, false},
        {"another width", 2, lists, CalRect{10, 10, 2409, 1230}, 5.0e5, 9.0e5, setup, false},
        {"another height", 2, lists, CalRect{10, 10, 2410, 1231}, 5.0e5, 9.0e5, setup, false},
        {"another need", 2, lists, rect, 4.0e5, 9.0e5, setup, false},
        {"another parts area told", 2, lists, rect, 5.0e5, 8.0e5, setup, false},
        {"another kerf", 2, lists, rect, 5.0e5, 9.0e5, kerf, false},
        {"other cutting candidates", 2, lists, rect, 5.0e5, 9.0e5, second, false},
        {"other switches", 2, lists, rect, 5.0e5, 9.0e5, switches, false},
        {"other part lists", 2, lists, rect, 5.0e5, 9.0e5, parts, false},
    };
    BoardShare share;
    const std::uint64_t hash = BoardShare::HashOf(lists, rect, 5.0e5, 9.0e5);
    share.Put(hash, layout);
    for (const Ask& a : asks) {
        SCOPED_TRACE(a.what);
        // Asked with the stored layout's hash, as if the two hashes were the same.
        const auto found = share.Find(hash, a.setup, a.order, a.lists, a.rect, a.need, a.available);
        EXPECT_EQ(found != nullptr, a.found);
        if (found) {
            EXPECT_EQ(found.get(), layout.get());
        }
    }
    EXPECT_EQ(share.Hits(), 3);
}

// Past its size the share forgets what it keeps and goes on keeping.
TEST(BoardShare, ForgetsEverythingWhenFull)
{
    BoardShare share;
    const CalRect rect{0, 0, 100, 100};
    auto put = [&](std::int32_t number) {
        auto layout = std::make_shared<BoardShare::Layout>();
        layout->Orders = 1;
        layout->Board.Width = layout->Board.Height = 100;
        layout->Board.Remaining[0].push_back(CAL_BUZAI{number, 1, 0});
        layout->Board.Blocks.resize(BoardShare::kMaxBytes / 3 / sizeof(CHaichi));
        const BuzaiLists lists = layout->Board.Remaining;
        share.Put(BoardShare::HashOf(lists, rect, 0.0, 0.0), std::move(layout));
        return lists;
    };
    auto has = [&](const BuzaiLists& lists) {
        return share.Find(BoardShare::HashOf(lists, rect, 0.0, 0.0), {}, 0, lists, rect, 0.0, 0.0) != nullptr;
    };
    const BuzaiLists a = put(1), b = put(2);
    EXPECT_TRUE(has(a));
    EXPECT_TRUE(has(b));
    const BuzaiLists c = put(3);  // a third would pass the size
    EXPECT_FALSE(has(a));
    EXPECT_FALSE(has(b));
    EXPECT_TRUE(has(c));
}
