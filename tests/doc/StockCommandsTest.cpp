#include "doc/StockCommands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

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
        doc.SaveListFiles(folder, prompt, false);
        LayOut(doc);
    }
    // 配置 on the document's lists.
    void LayOut(CNestrixDoc& d) const
    {
        EXPECT_EQ(d.PrepareCutSizes(settings), "");
        CalcRun run(d.ResultParts, d.ResultSecondary, d.GenbanList, settings, MakeEngine);
        run.RunOnly({EngineVariant{kStripEngine, 0, 0, 0, 0}});
        RecordingPrompt quiet;
        EXPECT_EQ(run.RunToEnd(d.RetData, quiet, nullptr), CalcRun::Outcome::Placed);
        d.ResultPresent = 1;
        d.KeepCalculation(settings);
    }
    // Another window on the same program folder (or the program started again), laid out.
    std::unique_ptr<CNestrixDoc> Window(bool layOut = true) const
    {
        auto other = std::make_unique<CNestrixDoc>();
        RecordingPrompt quiet;
        other->OnNewDocument(settings, folder, quiet);
        other->BuzaiList = doc.BuzaiList;
        for (CGenban& board : other->GenbanList.Items) {
            board.Use = 1;  // as 使用原板選択 leaves them
        }
        if (layOut) {
            LayOut(*other);
        }
        return other;
    }
    int ApplyIn(CNestrixDoc& d, bool yes)
    {
        prompt.Answers.push_back(yes);
        const int changed = ApplyStockUpdate(d, settings, folder, prompt);
        d.SaveListFiles(folder, prompt, false);
        return changed;
    }
    int UndoIn(CNestrixDoc& d, bool yes)
    {
        prompt.Answers.push_back(yes);
        const int changed = UndoStockUpdate(d, settings, folder, prompt);
        prompt.Answers.clear();
        return changed;
    }
    std::string Genban() const { return ReadBytes(folder + kBoardsListFileName); }
    int Apply(bool yes)
    {
        prompt.Answers.push_back(yes);
        const int changed = ApplyStockUpdate(doc, settings, folder, prompt);
        doc.SaveListFiles(folder, prompt, false);  // as after every command
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
    desk.doc.SaveListFiles(desk.folder, desk.prompt, false);
    const std::string before = desk.Genban();
    EXPECT_EQ(desk.Apply(true), 0);
    EXPECT_TRUE(desk.prompt.Asked.empty());
    ASSERT_EQ(desk.prompt.Shown.size(), 1u);
    EXPECT_EQ(desk.prompt.Shown[0].rfind("在庫反映できません。\n原板「", 0), 0u);
    EXPECT_EQ(desk.Genban(), before);
    EXPECT_FALSE(StockUndoExists(desk.folder));
}

// Two windows on one program folder, each with its own 在庫反映: each 取り消し undoes only its own
// record, and the record of the later one is never lost to the earlier window.
TEST(StockCommands, EachWindowUndoesOnlyItsOwnStockUpdate)
{
    StockDesk desk;
    const std::string before = desk.Genban();
    ASSERT_EQ(desk.Apply(true), 1);
    const std::string afterA = desk.Genban();
    std::unique_ptr<CNestrixDoc> b = desk.Window();
    ASSERT_EQ(desk.ApplyIn(*b, true), 1);
    const std::string afterB = desk.Genban();
    ASSERT_NE(afterB, afterA);
    desk.prompt.Shown.clear();
    desk.prompt.Asked.clear();

    EXPECT_EQ(desk.UndoIn(desk.doc, true), 0);
    EXPECT_TRUE(desk.prompt.Asked.empty());
    ASSERT_EQ(desk.prompt.Shown.size(), 1u);
    EXPECT_NE(desk.prompt.Shown[0].find("別の在庫反映（別のウィンドウなど）で置き換えられた"), std::string::npos);
    EXPECT_EQ(desk.Genban(), afterB);
    EXPECT_TRUE(StockUndoExists(desk.folder));

    EXPECT_EQ(desk.UndoIn(*b, true), 1);
    EXPECT_EQ(desk.Genban(), afterA);
    EXPECT_FALSE(StockUndoExists(desk.folder));
    EXPECT_FALSE(std::filesystem::exists(desk.folder + kStockUndoFileName + kStockUndoIdSuffix));
    EXPECT_FALSE(std::filesystem::exists(desk.folder + kStockUndoFileName + kStockUndoAfterSuffix));
    EXPECT_NE(desk.Genban(), before);
}

// The board list changed after the 在庫反映, in the window or by another program: the window
// that made it refuses and names the change; a window started later names it and asks.
TEST(StockCommands, AChangeAfterTheStockUpdateIsNamedBeforeItIsLost)
{
    struct Case {
        const char* name;
        bool byOtherProgram;  // else in the window
        bool restarted;       // 取り消し in a window started after the change
        bool answer;
        int undone;
        const char* said;
    };
    const Case cases[] = {
        {"edited in the window", false, false, true, 0, "在庫反映の後に原板リストが変更されているため、取り消せません。\n原板「B」（1行目）が変更されています"},
        {"edited by another program", true, false, true, 0, "取り消せません。\n原板「追加」が追加されています"},
        {"edited by another program, after a restart, yes", true, true, true, 1, "取り消すと次の変更は失われます。\n原板「追加」が追加されています"},
        {"edited by another program, after a restart, no", true, true, false, 0, "原板「追加」が追加されています"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StockDesk desk;
        const std::string before = desk.Genban();
        ASSERT_EQ(desk.Apply(true), 1);
        if (c.byOtherProgram) {
            CGenbanList edited = desk.doc.GenbanList;
            edited.Items.push_back(edited.Items.front());
            edited.Items.back().Name = "追加";
            RecordingPrompt quiet;
            ASSERT_TRUE(edited.Write(desk.folder + kBoardsListFileName, quiet));
        } else {
            desk.doc.GenbanList.Items.front().Count += 1;
            desk.doc.SaveListFiles(desk.folder, desk.prompt, false);
        }
        const std::string changed = desk.Genban();
        desk.prompt.Shown.clear();
        desk.prompt.Asked.clear();
        std::unique_ptr<CNestrixDoc> later = c.restarted ? desk.Window(false) : nullptr;
        CNestrixDoc& window = later ? *later : desk.doc;
        EXPECT_EQ(desk.UndoIn(window, c.answer), c.undone);
        const std::vector<std::string>& said = c.restarted ? desk.prompt.Asked : desk.prompt.Shown;
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].find(c.said), std::string::npos) << said[0];
        EXPECT_EQ(desk.Genban(), c.undone ? before : changed);
        EXPECT_EQ(StockUndoExists(desk.folder), c.undone == 0);
    }
}
