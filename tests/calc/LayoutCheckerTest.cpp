#include "calc/LayoutChecker.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>

namespace {

// The failure messages a check reports, without failing the test that runs it.
std::vector<std::string> FailuresOf(const std::function<void()>& check)
{
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        check();
    }
    std::vector<std::string> messages;
    for (int i = 0; i < results.size(); ++i) {
        messages.push_back(results.GetTestPartResult(i).message());
    }
    return messages;
}

// 1000 x 500 board trimmed by 10 all round, kerf 10:
//   2 x 2 of part 0 (200 x 100) at (10, 10), part 1 (100 x 300, NoTurn) at (430, 10), cut x = 425.
struct Sample {
    TestJob job;
    CRetData ret;

    Sample()
    {
        job =
            TestJob().Board(1000, 500).Trim(10, 10, 10, 10).Kerf(10).Parts(200, 100, 4).Parts(100, 300, 1, 1);
        COutData layout;
        layout.BoardNo = 0;
        layout.Repeat = 1;
        layout.Blocks = {CHaichi(0, 0, 10, 10, 2, 2, 0), CHaichi(1, 0, 430, 10, 1, 1, 0)};
        layout.CutLines = {CUTMARK{425, 10, 425, 490}};
        layout.PartsArea = layout.TotalArea = 4 * 200.0 * 100 + 100.0 * 300;
        layout.Finish(job.Genban.Items[0]);
        ret.GenbanList = &job.Genban;
        ret.Layouts.push_back(layout);
        ret.ComputeTotals();
    }
    COutData& Layout() { return ret.Layouts[0]; }
    void Refinish()
    {
        Layout().Finish(job.Genban.Items[0]);
        ret.ComputeTotals();
    }
};

}  // namespace

TEST(LayoutChecker, ReportsEachWayALayoutCannotBeCut)
{
    struct Case {
        const char* what;
        std::function<void(Sample&)> spoil;
        const char* message;  // empty: no failure at all
    };
    const Case cases[] = {
        {"sound", [](Sample&) {}, ""},
        {"into the trim", [](Sample& s) { s.Layout().Blocks[1].X = 900; }, "outside the trimmed board"},
        {"kerf not kept", [](Sample& s) { s.Layout().Blocks[1].X = 425; }, "closer than the kerf"},
        {"overlap", [](Sample& s) { s.Layout().Blocks[1].X = 300; }, "overlap"},
        {"NoTurn part turned", [](Sample& s) { s.Layout().Blocks[1].Rotated = 1; }, "may not be turned"},
        {"cut through a piece",
         [](Sample& s) {
             s.Layout().CutLines.push_back(CUTMARK{100, 10, 100, 490});
         },
         "runs through a piece"},
        {"area off", [](Sample& s) { s.Layout().PartsArea += 1.0; }, "PartsArea"},
        {"summary stale", [](Sample& s) { s.Layout().Summary[0].Count = 3; }, "Summary"},
        {"piece missing", [](Sample& s) { s.job.Buzai.Items[0].Count = 5; }, "part 0: placed 4 + unplaced 0"},
        {"more than wanted", [](Sample& s) { s.job.Buzai.Items[1].Count = 0; }, "part 1: placed 1"},
        {"board over its stock",
         [](Sample& s) {
             s.job.Genban.Items[0].Count = 1;
             s.job.Buzai.Items[0].Count = 8;
             s.job.Buzai.Items[1].Count = 2;
             s.Layout().Repeat = 2;
             s.Refinish();
         },
         "more often than it is in stock"},
        {"board of another kind", [](Sample& s) { s.job.Genban.Items[0].Kind = "B"; }, "different kinds"},
        {"total price", [](Sample& s) { s.ret.TotalPrice += 1; }, "TotalPrice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Sample sample;
        c.spoil(sample);
        sample.ret.GenbanList = &sample.job.Genban;
        const std::vector<std::string> failures =
            FailuresOf([&] { ExpectValidResult(sample.ret, sample.job); });
        if (std::string(c.message).empty()) {
            EXPECT_TRUE(failures.empty()) << failures.front();
            continue;
        }
        bool found = false;
        for (const std::string& f : failures) {
            found = found || f.find(c.message) != std::string::npos;
        }
        EXPECT_TRUE(found) << "no failure mentions \"" << c.message << "\" among " << failures.size();
    }
}

TEST(LayoutChecker, SecondaryPartsAddUpWithWhatTheEnginesLeft)
{
    Sample sample;
    sample.job.Secondary(50, 50, 3);  // same kind and thickness: it goes into the group
    sample.Layout().Blocks.push_back(CHaichi(0, 1, 540, 10, 2, 1, 0));
    sample.Layout().TotalArea += 2 * 50.0 * 50;
    sample.Refinish();
    struct Case {
        std::int32_t left;
        bool fails;
    };
    for (const Case& c : {Case{1, false}, Case{0, true}, Case{2, true}}) {
        SCOPED_TRACE(c.left);
        std::vector<CAL_BUZAI> left;
        if (c.left > 0) {
            left.push_back(CAL_BUZAI{0, c.left, 1});
        }
        const auto failures = FailuresOf([&] { ExpectValidResult(sample.ret, sample.job, &left); });
        EXPECT_EQ(!failures.empty(), c.fails);
    }
}
