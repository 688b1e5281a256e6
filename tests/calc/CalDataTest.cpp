#include "calc/CalData.h"

#include <gtest/gtest.h>

#include "base/CalcError.h"
#include "calc/TestJob.h"

namespace {

std::vector<std::int32_t> Numbers(const std::vector<CAL_BUZAI>& list)
{
    std::vector<std::int32_t> numbers;
    for (const CAL_BUZAI& e : list) {
        numbers.push_back(e.Number);
    }
    return numbers;
}

std::vector<std::int32_t> Numbers(const std::vector<CAL_GENBAN>& list)
{
    std::vector<std::int32_t> numbers;
    for (const CAL_GENBAN& e : list) {
        numbers.push_back(e.Number);
    }
    return numbers;
}

}  // namespace

TEST(CalDataGroups, SplitPartsByKindAndThickness)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::int32_t>> parts;  // kind, thickness
        std::vector<std::vector<std::int32_t>> groups;            // part numbers per group
    };
    const Case cases[] = {
        {"same kind, two thicknesses", {{"A", 100}, {"A", 100}, {"A", 120}}, {{0, 1}, {2}}},
        {"groups keep the order of creation", {{"A", 100}, {"B", 100}, {"A", 100}}, {{0, 2}, {1}}},
        {"empty kinds match", {{"", 100}, {"", 100}}, {{0, 1}}},
        {"full-width and half-width letters differ", {{"Ａ", 100}, {"A", 100}}, {{0}, {1}}},
        {"kind compared exactly, no trimming", {{"A", 100}, {"A ", 100}}, {{0}, {1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob job;
        for (const auto& [kind, thickness] : c.parts) {
            job.Parts(100, 100, 3, 0, kind, thickness);
        }
        CRetData ret;
        const std::vector<CCalData> groups = job.Groups(ret);
        ASSERT_EQ(groups.size(), c.groups.size());
        for (std::size_t g = 0; g < groups.size(); ++g) {
            EXPECT_EQ(Numbers(groups[g].Buzai[0]), c.groups[g]);
            for (const CAL_BUZAI& e : groups[g].Buzai[0]) {
                EXPECT_EQ(e.Count, 3);
                EXPECT_EQ(e.Flag, 0);
            }
        }
    }
}

TEST(CalDataGroups, PartsOverTheCuttingLimitGoToUnplaced)
{
    struct Case {
        std::int32_t width, height;
        bool grouped;
    };
    for (const Case& c :
         {Case{3000, 100, false}, {100, 3000, false}, {2500, 2500, true}, {2501, 10, false}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        TestJob job;
        job.Set.MaxCutSize = 2500;
        job.Parts(100, 100, 1).Parts(c.width, c.height, 7);
        CRetData ret;
        ret.Layouts.emplace_back();  // the previous result is cleared first
        const std::vector<CCalData> groups = job.Groups(ret);
        ASSERT_EQ(groups.size(), 1u);
        EXPECT_TRUE(ret.Layouts.empty());
        EXPECT_EQ(ret.GenbanList, &job.Genban);
        EXPECT_EQ(ret.BuzaiList, &job.Buzai);
        if (c.grouped) {
            EXPECT_EQ(Numbers(groups[0].Buzai[0]), (std::vector<std::int32_t>{0, 1}));
            EXPECT_TRUE(ret.Unplaced.empty());
        } else {
            EXPECT_EQ(Numbers(groups[0].Buzai[0]), (std::vector<std::int32_t>{0}));
            EXPECT_EQ(ret.Unplaced, (std::vector<CAL_BUZAI>{{1, 7, 0}}));
        }
    }
}

TEST(CalDataGroups, NoGroupWhenEveryPartIsTooLarge)
{
    TestJob job;
    job.Set.MaxCutSize = 100;
    job.Parts(200, 50, 2).Board(1000, 1000);
    CRetData ret;
    EXPECT_TRUE(job.Groups(ret).empty());
    EXPECT_EQ(ret.Unplaced.size(), 1u);
}

TEST(CalDataGroups, BoardsJoinTheirKindByPriority)
{
    struct Case {
        const char* name;
        std::int32_t width, height;
        int use;
        std::string kind;
        std::int32_t thickness;
        bool joins;
    };
    const Case cases[] = {
        {"length within the limit", 30000, 12000, 1, "A", 100, true},
        {"width within the limit", 12000, 30000, 1, "A", 100, true},
        {"both over the limit", 30000, 20000, 1, "A", 100, false},
        {"not selected", 1000, 1000, 0, "A", 100, false},
        {"other kind", 1000, 1000, 1, "B", 100, false},
        {"other thickness", 1000, 1000, 1, "A", 120, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob job;
        job.Set.MaxCutSize = 15000;
        job.Parts(100, 100, 1, 0, "A", 100).Board(c.width, c.height, 5, 1, 0, c.kind, c.thickness);
        job.Genban.Items[0].Use = c.use;
        CRetData ret;
        const std::vector<CCalData> groups = job.Groups(ret);
        ASSERT_EQ(groups.size(), 1u);
        EXPECT_TRUE(groups[0].Genban[0].empty());
        EXPECT_TRUE(groups[0].Genban[2].empty());
        if (c.joins) {
            EXPECT_EQ(groups[0].Genban[1], (std::vector<CAL_GENBAN>{{0, 5, 1}}));
        } else {
            EXPECT_TRUE(groups[0].Genban[1].empty());
        }
    }
}

TEST(CalDataGroups, BoardsSortIntoThePriorityArraysInListOrder)
{
    TestJob job;
    job.Parts(100, 100, 1, 0, "A").Parts(100, 100, 1, 0, "B");
    job.Board(1000, 1000, 9999, 2, 0, "A")
        .Board(1000, 1000, 9999, 0, 0, "B")
        .Board(1000, 1000, 9999, 0, 0, "A")
        .Board(1000, 1000, 9999, 2, 0, "A")
        .Board(1000, 1000, 9999, 1, 0, "A");
    CRetData ret;
    const std::vector<CCalData> groups = job.Groups(ret);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(Numbers(groups[0].Genban[0]), (std::vector<std::int32_t>{2}));
    EXPECT_EQ(Numbers(groups[0].Genban[1]), (std::vector<std::int32_t>{4}));
    EXPECT_EQ(Numbers(groups[0].Genban[2]), (std::vector<std::int32_t>{0, 3}));
    EXPECT_EQ(Numbers(groups[1].Genban[0]), (std::vector<std::int32_t>{1}));
}

TEST(CalDataGroups, SecondaryPartsOnlyWhenInUseAndMatched)
{
    struct Case {
        const char* name;
        int useYBuzai;
        std::vector<std::int32_t> expected;
    };
    for (const Case& c : {Case{"in use", 1, {0, 2}}, {"not in use", 0, {}}}) {
        SCOPED_TRACE(c.name);
        TestJob job;
        job.Set.MaxCutSize = 2000;
        job.Parts(100, 100, 1, 0, "A");
        job.Secondary(100, 100, 4, 0, "A")
            .Secondary(100, 100, 4, 0, "C")   // no group of its kind: not used, not reported
            .Secondary(200, 2000, 4, 0, "A")  // at the limit: used
            .Secondary(2001, 10, 4, 0, "A");  // over the limit: skipped silently
        job.Set.UseYBuzai = c.useYBuzai;
        CRetData ret;
        const std::vector<CCalData> groups = job.Groups(ret);
        ASSERT_EQ(groups.size(), 1u);
        EXPECT_EQ(Numbers(groups[0].Buzai[1]), c.expected);
        for (const CAL_BUZAI& e : groups[0].Buzai[1]) {
            EXPECT_EQ(e.Flag, 1);
        }
        EXPECT_TRUE(ret.Unplaced.empty());
    }
}

TEST(CalDataGroups, BoardPriorityOutsideTheArraysIsAnInternalError)
{
    TestJob job;
    job.Parts(100, 100, 1).Board(1000, 1000, 1, 3);
    CRetData ret;
    EXPECT_THROW(job.Groups(ret), CalcError);
}

TEST(CalData, CopiesAreIndependentAndClearEmptiesAll)
{
    CCalData a;
    a.Buzai[0].push_back({1, 2, 0});
    a.Buzai[1].push_back({3, 4, 1});
    for (int p = 0; p < 3; ++p) {
        a.Genban[p].push_back({p, 9, p});
    }
    CCalData b;
    b.Buzai[0].push_back({9, 9, 9});
    b = a;
    a.Buzai[0][0].Count = 99;
    a.Clear();
    EXPECT_EQ(b.Buzai[0], (std::vector<CAL_BUZAI>{{1, 2, 0}}));
    EXPECT_EQ(b.Buzai[1].size(), 1u);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(b.Genban[p].size(), 1u);
        EXPECT_TRUE(a.Genban[p].empty());
    }
    EXPECT_TRUE(a.Buzai[0].empty());
    EXPECT_TRUE(a.Buzai[1].empty());
}

TEST(CalData, TrimmedRectTakesTheTrimsOffEachSide)
{
    TestJob job;
    job.Board(1000, 600).Trim(10, 20, 30, 40);
    EXPECT_EQ(TrimmedRect(job.Genban.Items[0]), (CalRect{30, 10, 960, 580}));
}
