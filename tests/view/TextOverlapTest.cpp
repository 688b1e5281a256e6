#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Settings.h"
#include "calc/CalcRun.h"
#include "calc/JobGenerator.h"
#include "calc/TestJob.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingCanvas.h"
#include "fakes/RecordingPrompt.h"
#include "result/JobFile.h"
#include "result/RetData.h"
#include "view/BoardDrawing.h"
#include "view/PrintPages.h"

namespace {

struct Box {
    int Left, Top, Right, Bottom;
};

// The cell a recorded text covers, as the recorder measures it: across and down, or upwards
// when turned by 90 degrees. yUp: the page mapping, where "down" is towards smaller y.
Box TextBox(const RecordingCanvas::Text& text, bool yUp)
{
    const int length = text.Font.Height / 2 * DisplayColumns(text.Value);
    const int down = yUp ? -1 : 1;
    const int x1 = text.X + (text.Font.Escapement == 900 ? text.Font.Height : length);
    const int y1 = text.Font.Escapement == 900 ? text.Y - down * length : text.Y + down * text.Font.Height;
    return {std::min(text.X, x1), std::min(text.Y, y1), std::max(text.X, x1), std::max(text.Y, y1)};
}

// "a" over "b" for every pair of texts whose cells share more than an edge.
std::vector<std::string> Overlaps(const RecordingCanvas& dc, bool yUp)
{
    std::vector<std::string> found;
    for (std::size_t i = 0; i < dc.Texts.size(); ++i) {
        const Box a = TextBox(dc.Texts[i], yUp);
        for (std::size_t j = i + 1; j < dc.Texts.size(); ++j) {
            const Box b = TextBox(dc.Texts[j], yUp);
            if (a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom) {
                found.push_back("\"" + dc.Texts[i].Value + "\" over \"" + dc.Texts[j].Value + "\"");
            }
        }
    }
    return found;
}

// A laid-out job with its lists and the switches that show every board text.
struct LaidOut {
    CBuzaiList Parts;
    CBuzaiList Secondary;
    CGenbanList Boards;
    CRetData Ret;
    Settings Options;
};

// Every cutting sheet page on A4 and every board in detail form on two screen sizes.
void ExpectNoTextOverText(LaidOut& job)
{
    ASSERT_FALSE(job.Ret.Layouts.empty());
    PlanSawing(job.Ret, job.Parts, job.Secondary, job.Boards, job.Options.NokoHaba, MinOffcut(job.Options));
    PreparePrintout(job.Ret, job.Parts, job.Secondary, job.Boards, job.Options.TankaType);
    const PrintSource source =
        MakePrintSource(job.Ret, job.Parts, job.Secondary, job.Boards, job.Options, kPrintCutSheets);
    for (int page = 1; page <= PageCount(job.Ret, kPrintCutSheets); ++page) {
        RecordingCanvas dc;
        DrawPrintPage(dc, source, page);
        EXPECT_EQ(Overlaps(dc, true), std::vector<std::string>{}) << "page " << page;
    }
    const BoardSource board{job.Ret, job.Parts, job.Secondary, job.Boards, job.Options};
    for (const CanvasRect& screen : {CanvasRect{0, 0, 640, 480}, CanvasRect{0, 0, 1600, 1000}}) {
        for (int i = 0; i < static_cast<int>(job.Ret.Layouts.size()); ++i) {
            RecordingCanvas dc;
            BoardTransform view;
            DrawBoard(board, i, view, dc, BoardForm::Detail, screen);
            EXPECT_EQ(Overlaps(dc, false), std::vector<std::string>{})
                << "screen " << screen.Right << " board " << i + 1;
        }
    }
}

// Strips 40 to 150 mm wide across a 2440 x 1220 board and small squares between them.
TestJob NarrowStripJob(std::uint32_t seed)
{
    Dice dice(seed);
    TestJob job;
    job.Board(24400, 12200).Kerf(dice.Pick<std::int32_t>({0, 30, 45}));
    if (dice.Chance(50)) {
        job.Trim(50, 50, 100, 0);
    }
    for (int i = dice.Between(3, 6); i > 0; --i) {
        job.Parts(dice.Between(400, 1500), dice.Between(2000, 12000), dice.Between(2, 12));
    }
    for (int i = dice.Between(1, 3); i > 0; --i) {
        const std::int32_t side = dice.Between(300, 1200);
        job.Parts(side, dice.Between(side, 2 * side), dice.Between(1, 8));
    }
    if (dice.Chance(50)) {
        job.Secondary(dice.Between(300, 800), dice.Between(300, 800), 5);
    }
    return job;
}

TEST(TextOverlap, NarrowStripsAndSmallPartsOnPaperAndScreen)
{
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        const TestJob generated = NarrowStripJob(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(generated));
        LaidOut job{generated.Buzai, generated.YBuzai, generated.Genban, {}, generated.Set};
        job.Options.MaxCalNum = 2;
        RecordingPrompt prompt;
        CalcRun run(job.Parts, job.Secondary, job.Boards, job.Options,
                    [](const EngineVariant& v) { return MakeEngine(v); });
        ASSERT_EQ(run.RunToEnd(job.Ret, prompt, nullptr), CalcRun::Outcome::Placed);
        job.Ret.GenbanList = &job.Boards;
        ExpectNoTextOverText(job);
    }
}

TEST(TextOverlap, KitchenJobOnPaperAndScreen)
{
    JobDocument document;
    std::string error;
    ASSERT_TRUE(ReadJobFile(std::string(NESTRIX_EXAMPLE_JOB) + "/kitchen.nestrix", document, error)) << error;
    LaidOut job{document.Parts, document.Secondary, document.Boards, document.Result, document.Run};
    job.Ret.GenbanList = &job.Boards;
    ExpectNoTextOverText(job);
}

}  // namespace
