#include "doc/StockCommands.h"

#include <gtest/gtest.h>

#include "base/ProgramFolder.h"
#include "base/Settings.h"
#include "base/TextFile.h"
#include "calc/CalcRun.h"
#include "calc/TestJob.h"
#include "calc/engines/Engines.h"
#include "doc/NestrixDoc.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/TempDir.h"

namespace {

// The program folder with "Genban" as the desktop keeps it, and a document after 配置.
struct StockDesk {
    TempDir dir;
    std::string folder = dir.Path() + "/";
    CNestrixDoc doc;
    Settings settings;
    RecordingPrompt prompt;

    StockDesk()
    {
        TestJob job = TestJob().Board(2000, 1000, 6, 0, 8000).Board(1500, 900, 50, 0, 5000).Kerf(30);
        job.Board(1500, 900, kUnlimitedSheets, 0, 6000);
        job.Parts(900, 400, 9).Parts(450, 300, 5);
        doc.BuzaiList = job.Buzai;
        doc.GenbanList = job.Genban;
        settings = job.Set;
        settings.MinOffcutW = 200;
        settings.MinOffcutL = 150;
        doc.JobInfo.JobName = "台所";
        doc.SaveJobFiles(folder, prompt, false);
        CalcRun run(doc.BuzaiList, doc.YBuzaiList, doc.GenbanList, settings, MakeEngine);
        run.RunOnly({EngineVariant{kStripEngine, 0, 0, 0, 0}});
        RecordingPrompt quiet;
        EXPECT_EQ(run.RunToEnd(doc.RetData, quiet, nullptr), CalcRun::Outcome::Placed);
        doc.ResultPresent = 1;
        doc.KeepCalculation(settings);
    }
    std::string Genban() const { return ReadBytes(folder + kBoardsJobFileName); }
    int Apply(bool yes)
    {
        prompt.Answers.push_back(yes);
        const int changed = ApplyStockUpdate(doc, settings, folder, prompt);
        doc.SaveJobFiles(folder, prompt, false);  // as after every command
        return changed;
    }
    long long SheetsOf(int board) const
    {
        long long sheets = 0;
        for (const COutData& layout : doc.RetData.Layouts) {
            sheets += layout.BoardNo == board ? layout.Repeat : 0;
        }
        return sheets;
    }
    static constexpr std::int32_t kUnlimitedSheets = 9999;
};

}  // namespace

TEST(StockCommands, NoChangesNothingAndLeavesNothingToUndo)
{
    StockDesk desk;
    const std::string before = desk.Genban();
    EXPECT_EQ(desk.Apply(false), 0);
    ASSERT_EQ(desk.prompt.Asked.size(), 1u);
    EXPECT_EQ(desk.prompt.Asked[0].rfind("原板リストを次のように変更します。よろしいですか？\n\n原板「", 0), 0u);
    EXPECT_EQ(desk.Genban(), before);
    EXPECT_FALSE(StockUndoExists(desk.folder));
    EXPECT_FALSE(desk.doc.StockApplied);
}

TEST(StockCommands, ApplyOnceThenUndoRestoresTheFileByteForByte)
{
    StockDesk desk;
    const std::string before = desk.Genban();
    const std::vector<CGenban> boards = desk.doc.GenbanList.Items;
    ASSERT_GT(desk.SheetsOf(0) + desk.SheetsOf(1), 0);

    ASSERT_EQ(desk.Apply(true), 1);
    EXPECT_EQ(desk.prompt.Shown, desk.prompt.Asked);  // the question only
    desk.prompt.Shown.clear();
    const std::vector<CGenban>& after = desk.doc.GenbanList.Items;
    // The boards lose exactly their sheets (one used up leaves the list), the unlimited one keeps
    // its count; the offcuts follow.
    std::size_t next = 0;
    for (int i = 0; i < 3; ++i) {
        const CGenban& board = boards[static_cast<std::size_t>(i)];
        const long long left = board.Count == StockDesk::kUnlimitedSheets ? board.Count : board.Count - desk.SheetsOf(i);
        if (left > 0) {
            ASSERT_LT(next, after.size());
            EXPECT_EQ(after[next].Price, board.Price);
            EXPECT_EQ(after[next++].Count, left) << "board " << i + 1;
        }
    }
    ASSERT_GT(after.size(), next) << "the layouts leave offcuts of 20 × 15 mm";
    for (; next < after.size(); ++next) {
        EXPECT_EQ(after[next].Priority, 2);
        EXPECT_EQ(after[next].Remark.rfind("台所 ", 0), 0u);
        EXPECT_GE(std::max(after[next].Width, after[next].Height), 200);
    }
    EXPECT_NE(desk.Genban(), before);
    EXPECT_EQ(ReadBytes(desk.folder + kStockUndoFileName), before);
    EXPECT_TRUE(desk.doc.StockUndoAvailable);

    // The same result again: refused, nothing changes.
    const std::string applied = desk.Genban();
    EXPECT_EQ(desk.Apply(true), 0);
    ASSERT_EQ(desk.prompt.Shown.size(), 1u);
    EXPECT_EQ(desk.prompt.Shown[0], "この配置結果は在庫反映済みです。取り消してから反映し直してください。");
    EXPECT_EQ(desk.Genban(), applied);

    desk.prompt.Answers.push_back(true);
    ASSERT_EQ(UndoStockUpdate(desk.doc, desk.settings, desk.folder, desk.prompt), 1);
    EXPECT_EQ(desk.Genban(), before);
    EXPECT_FALSE(StockUndoExists(desk.folder));
    EXPECT_FALSE(desk.doc.StockUndoAvailable);
    // Nothing left to undo; the result can be applied again.
    EXPECT_EQ(UndoStockUpdate(desk.doc, desk.settings, desk.folder, desk.prompt), 0);
    EXPECT_EQ(desk.Apply(true), 1);
}

TEST(StockCommands, ABoardListChangedSinceTheRunIsRefused)
{
    StockDesk desk;
    const int used = desk.SheetsOf(0) > 0 ? 0 : 1;
    ASSERT_GT(desk.SheetsOf(used), 0);
    desk.doc.GenbanList.Items[static_cast<std::size_t>(used)].Count += 3;  // counted again by hand after the run
    desk.doc.SaveJobFiles(desk.folder, desk.prompt, false);
    const std::string before = desk.Genban();
    EXPECT_EQ(desk.Apply(true), 0);
    EXPECT_TRUE(desk.prompt.Asked.empty());
    ASSERT_EQ(desk.prompt.Shown.size(), 1u);
    EXPECT_EQ(desk.prompt.Shown[0].rfind("在庫反映できません。\n原板「", 0), 0u);
    EXPECT_EQ(desk.Genban(), before);
    EXPECT_FALSE(StockUndoExists(desk.folder));
}
