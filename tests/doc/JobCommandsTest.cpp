#include "doc/JobCommands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "base/Settings.h"
#include "calc/CalcRun.h"
#include "calc/TestJob.h"
#include "calc/engines/Engines.h"
#include "doc/NestrixDoc.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/TempDir.h"
#include "result/JobFile.h"
#include "result/ResultJson.h"
#include "view/Commands.h"

namespace {

// A document as the desktop has it after 配置: the lists of a small job, a result of the
// boards' list and the settings it was calculated with.
struct Desk {
    TempDir dir;
    CNestrixDoc doc;
    Settings settings;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;

    Desk()
    {
        TestJob job = TestJob().Board(1000, 500, 5, 0, 800).Board(1200, 600, 2).Kerf(30);
        job.Parts(300, 200, 7).Parts(450, 400, 2).Secondary(100, 100, 5);
        doc.BuzaiList = job.Buzai;
        doc.BuzaiList.Files = {dir.File("parts.csv")};
        doc.YBuzaiList = job.YBuzai;
        doc.GenbanList = job.Genban;
        doc.GenbanList.Items[1].Use = 0;
        settings = job.Set;
        settings.UseYBuzai = 1;
        settings.NokoHaba = 30;
        doc.JobInfo = CutDataInfo{"台所", 2026, 12, 24, "2 階", "山田工務店"};
    }
    void Calculate()
    {
        ASSERT_EQ(doc.PrepareCutSizes(settings), "");
        CalcRun run(doc.ResultParts, doc.ResultSecondary, doc.GenbanList, settings, MakeEngine);
        run.RunOnly({EngineVariant{kStripEngine, 0, 0, 0, 0}});
        RecordingPrompt quiet;
        ASSERT_EQ(run.RunToEnd(doc.RetData, quiet, nullptr), CalcRun::Outcome::Placed);
        doc.ResultPresent = 1;
        doc.KeepCalculation(settings);
    }
    bool Save(bool chooseFile = false, const std::function<bool()>& calculate = nullptr)
    {
        return SaveJobFile(doc, settings, prompt, chooser, chooseFile, calculate);
    }
};

}  // namespace

TEST(JobCommands, ASavedJobOpensWithItsResultAndInformation)
{
    Desk desk;
    desk.Calculate();
    desk.chooser.Files = {desk.dir.File("kitchen.nestrix")};
    ASSERT_TRUE(desk.Save());
    ASSERT_EQ(desk.chooser.Requests.size(), 1u);
    const FileDialogOptions& asked = desk.chooser.Requests[0].Options;
    EXPECT_EQ(asked.FileName, "台所.nestrix");
    EXPECT_EQ(asked.InitialFolder, desk.dir.Path());
    EXPECT_EQ(asked.DefaultExtension, "nestrix");
    EXPECT_EQ(desk.doc.JobPath, desk.dir.File("kitchen.nestrix"));
    EXPECT_FALSE(desk.doc.JobChanged(desk.settings));
    EXPECT_EQ(JobWindowTitle(desk.doc, desk.settings), "台所 — kitchen.nestrix - Nestrix");
    EXPECT_EQ(desk.settings.RecentJobs, std::vector<std::string>{desk.dir.File("kitchen.nestrix")});
    EXPECT_TRUE(desk.prompt.Asked.empty());

    // Another desk with another kerf and board list opens it as it was calculated.
    CNestrixDoc other;
    Settings otherSettings;
    otherSettings.NokoHaba = 50;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    chooser.Files = {desk.dir.File("kitchen.nestrix")};
    ASSERT_TRUE(OpenJobFile(other, otherSettings, prompt, chooser));
    EXPECT_EQ(prompt.Shown, prompt.Asked);  // only whether to add the job's boards (No)
    EXPECT_EQ(prompt.Asked.size(), 1u);
    EXPECT_TRUE(other.GenbanList.Items.empty());
    EXPECT_EQ(other.ResultPresent, 1);
    EXPECT_EQ(ResultToJson(other.RetData), ResultToJson(desk.doc.RetData));
    EXPECT_EQ(other.RetData.GenbanList, &other.ResultBoards);
    EXPECT_EQ(other.ResultBoards.ToText(), desk.doc.GenbanList.ToText());
    EXPECT_EQ(other.BuzaiList.ToText(), desk.doc.BuzaiList.ToText());
    EXPECT_EQ(other.YBuzaiList.ToText(), desk.doc.YBuzaiList.ToText());
    EXPECT_EQ(other.JobInfo, desk.doc.JobInfo);
    EXPECT_EQ(other.ResultSettings(otherSettings).NokoHaba, 30);  // drawn and cut with its own kerf
    EXPECT_EQ(otherSettings.NokoHaba, 50);
    EXPECT_FALSE(other.JobChanged(otherSettings));
    EXPECT_EQ(otherSettings.RecentJobs.front(), desk.dir.File("kitchen.nestrix"));

    // An edit shows in the title; saving again writes to the same file without a dialog.
    other.JobInfo.Comment = "3 階";
    EXPECT_TRUE(other.JobChanged(otherSettings));
    EXPECT_EQ(JobWindowTitle(other, otherSettings), "台所 — kitchen.nestrix * - Nestrix");
    // Without a job name the file names the job; without a file, the name alone.
    other.JobInfo.JobName.clear();
    EXPECT_EQ(JobWindowTitle(other, otherSettings), "kitchen.nestrix * - Nestrix");
    other.JobInfo.JobName = "台所";
    const std::string path = other.JobPath;
    other.JobPath.clear();
    EXPECT_EQ(JobWindowTitle(other, otherSettings), "台所 - Nestrix");
    other.JobPath = path;
    ASSERT_TRUE(SaveJobFile(other, otherSettings, prompt, chooser, false, nullptr));
    EXPECT_EQ(chooser.Requests.size(), 1u);
    JobDocument read;
    std::string error;
    ASSERT_TRUE(ReadJobFile(desk.dir.File("kitchen.nestrix"), read, error)) << error;
    EXPECT_EQ(read.Info.Comment, "3 階");
    EXPECT_EQ(ResultToJson(read.Result), ResultToJson(desk.doc.RetData));
}

TEST(JobCommands, AJobWithoutAResultAsksWhetherToCalculateFirst)
{
    struct Case {
        const char* Name;
        bool Answer;
        bool Calculates;  // what the calculation does when asked
        bool Saved;
        bool WithResult;
    };
    const Case cases[] = {
        {"no: saved without a result", false, true, true, false},
        {"yes: calculated, then saved", true, true, true, true},
        {"yes, but the calculation gives nothing: not saved", true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Desk desk;
        desk.prompt.Answers = {c.Answer};
        desk.chooser.Files = {desk.dir.File("job.nestrix")};
        int calculations = 0;
        const bool saved = desk.Save(false, [&] {
            ++calculations;
            if (c.Calculates) {
                desk.Calculate();
            }
            return c.Calculates;
        });
        EXPECT_EQ(saved, c.Saved);
        EXPECT_EQ(desk.prompt.Asked, std::vector<std::string>{kSaveWithoutResultQuestion});
        EXPECT_EQ(calculations, c.Answer ? 1 : 0);
        JobDocument read;
        std::string error;
        EXPECT_EQ(ReadJobFile(desk.dir.File("job.nestrix"), read, error), c.Saved) << error;
        EXPECT_EQ(read.HasResult, c.WithResult);
    }
}

TEST(JobCommands, OpeningAsksBeforeUnsavedWorkGoesAndRefusesBadFiles)
{
    Desk saved;
    saved.Calculate();
    saved.chooser.Files = {saved.dir.File("good.nestrix")};
    ASSERT_TRUE(saved.Save());
    WriteBytes(saved.dir.File("bad.nestrix"), "{\"format\": \"nestrix-job\", \"version\": 7}");

    struct Case {
        const char* Name;
        std::function<void(Desk&)> Before;
        std::deque<bool> Answers;
        std::string File;
        bool Opened;
        std::string Asked;
        std::string Shown;  // the start of the message
    };
    const Case cases[] = {
        {"nothing unsaved", [](Desk&) {}, {}, "good.nestrix", true, "", ""},
        {"unsaved parts, no", [](Desk& d) { d.doc.Modified = 1; }, {false}, "good.nestrix", false, kOpenJobQuestion, ""},
        {"unsaved parts, yes", [](Desk& d) { d.doc.Modified = 1; }, {true}, "good.nestrix", true, kOpenJobQuestion, ""},
        {"a result without a file", [](Desk& d) { d.Calculate(); }, {false}, "good.nestrix", false, kOpenJobQuestion,
         ""},
        {"a file of a later version", [](Desk&) {}, {}, "bad.nestrix", false, "",
         "物件ファイル「bad.nestrix」を開けません。\n形式の版 7"},
        {"a missing file", [](Desk&) {}, {}, "none.nestrix", false, "",
         "物件ファイル「none.nestrix」を開けません。\nファイルがありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Desk desk;
        c.Before(desk);
        const std::string partsBefore = desk.doc.BuzaiList.ToText();
        desk.doc.BuzaiList.Items[0].Count = 1;  // to tell the lists apart
        desk.prompt.Answers = c.Answers;
        desk.chooser.Files = {saved.dir.File(c.File)};
        const bool opened = OpenJobFile(desk.doc, desk.settings, desk.prompt, desk.chooser);
        EXPECT_EQ(opened, c.Opened);
        EXPECT_EQ(desk.prompt.Asked, c.Asked.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Asked});
        // Shown holds the questions too; the message comes after them.
        ASSERT_EQ(desk.prompt.Shown.size(), desk.prompt.Asked.size() + (c.Shown.empty() ? 0u : 1u));
        if (!c.Shown.empty()) {
            EXPECT_EQ(desk.prompt.Shown.back().rfind(c.Shown, 0), 0u) << desk.prompt.Shown.back();
        }
        EXPECT_EQ(desk.doc.BuzaiList.ToText() == partsBefore, opened);
        EXPECT_EQ(desk.doc.JobPath, opened ? saved.dir.File("good.nestrix") : "");
        EXPECT_EQ(desk.doc.ResultPresent == 1, opened || std::string(c.Name) == "a result without a file");
    }
}

TEST(JobCommands, AFailedSaveKeepsTheJobAsItWas)
{
    Desk desk;
    desk.Calculate();
    desk.chooser.Files = {desk.dir.File("missing-folder/job.nestrix")};
    EXPECT_FALSE(desk.Save());
    ASSERT_EQ(desk.prompt.Shown.size(), 1u);
    EXPECT_EQ(desk.prompt.Shown[0].rfind("物件ファイル「job.nestrix」ファイルに書き込みできません。", 0), 0u)
        << desk.prompt.Shown[0];
    EXPECT_EQ(desk.doc.JobPath, "");
    EXPECT_TRUE(desk.settings.RecentJobs.empty());
}

TEST(JobCommands, ARecalculationOffersTheBoardsOfTheResult)
{
    Desk desk;
    desk.Calculate();
    // The board list since: the result's board moved down, a changed copy of it, a new board.
    CGenban changed = desk.doc.GenbanList.Items[0];
    changed.Price += 1;
    CGenban added;
    added.Name = "new";
    desk.doc.GenbanList.Items = {added, changed, desk.doc.ResultBoards.Items[0], desk.doc.ResultBoards.Items[1]};
    for (CGenban& board : desk.doc.GenbanList.Items) {
        board.Use = 1;
    }
    desk.doc.SelectResultBoards();
    std::vector<int> use;
    for (const CGenban& board : desk.doc.GenbanList.Items) {
        use.push_back(board.Use);
    }
    EXPECT_EQ(use, (std::vector<int>{0, 0, 1, 0}));
}

TEST(JobCommands, RecentJobsAreKeptNewestFirstInTheSettingsFile)
{
    Settings settings;
    for (const char* path : {"/a", "/b", "/c", "/a", "/d", "/e", "/f", "/g"}) {
        settings.AddRecentJob(path);
    }
    EXPECT_EQ(settings.RecentJobs, (std::vector<std::string>{"/g", "/f", "/e", "/d", "/a", "/c"}));
    IniFile ini;
    settings.Store(ini);
    Settings read;
    EXPECT_TRUE(read.Load(ini).empty());
    EXPECT_EQ(read.RecentJobs, settings.RecentJobs);
    read.RecentJobs = {"/x"};
    read.Store(ini);
    Settings fewer;
    fewer.Load(ini);
    EXPECT_EQ(fewer.RecentJobs, std::vector<std::string>{"/x"});
}

// The shop's secondary parts in the program folder are not the opened job's: opening a job, editing
// its secondary parts and ending never write over "YBuzai".
TEST(JobCommands, OpeningAJobLeavesTheShopsSecondaryPartsAlone)
{
    Desk desk;
    desk.Calculate();
    desk.chooser.Files = {desk.dir.File("job.nestrix")};
    ASSERT_TRUE(desk.Save());

    TempDir home;
    const std::string folder = home.Path() + "/";
    CBuzaiList shop;
    shop.IsSecondary = 1;
    shop.Items = desk.doc.YBuzaiList.Items;
    shop.Items.front().Name = "工場の棚板";
    shop.Items.front().Count = 9999;
    ASSERT_TRUE(shop.Write(folder + kSecondaryListFileName, desk.prompt));
    const std::string kept = ReadBytes(folder + kSecondaryListFileName);

    CNestrixDoc other;
    Settings settings;
    RecordingPrompt prompt;
    other.OnNewDocument(settings, folder, prompt);
    ASSERT_EQ(other.YBuzaiList.Items.front().Name, "工場の棚板");
    RecordingFileChooser chooser;
    chooser.Files = {desk.dir.File("job.nestrix")};
    ASSERT_TRUE(OpenJobFile(other, settings, prompt, chooser));
    EXPECT_EQ(other.YBuzaiList.ToText(), desk.doc.YBuzaiList.ToText());
    other.SaveListFiles(folder, prompt, false);
    EXPECT_EQ(ReadBytes(folder + kSecondaryListFileName), kept);
    other.YBuzaiList.Items.front().Count = 3;  // the job's, edited
    other.SaveListFiles(folder, prompt, true);
    EXPECT_EQ(ReadBytes(folder + kSecondaryListFileName), kept);
    EXPECT_TRUE(other.JobChanged(settings));
    EXPECT_EQ(prompt.Shown, prompt.Asked);  // only whether to add the job's boards (No)
}

// A job whose boards the board list lacks (the example on a first start): the boards are named
// and added at the end of the list, selected, when the user agrees; or 配置 takes the job's own
// boards and the list stays; or nothing changes.
TEST(JobCommands, AnOpenedJobOffersItsBoardsTheListLacks)
{
    Desk desk;
    desk.Calculate();
    desk.chooser.Files = {desk.dir.File("job.nestrix")};
    ASSERT_TRUE(desk.Save());
    const std::vector<CGenban> jobBoards = desk.doc.GenbanList.Items;
    struct Case {
        const char* name;
        std::size_t listed;  // of the job's boards already in the list
        int choice;          // 0 add, 1 lay out with the job's boards, 2 nothing
        std::size_t after;
        JobBoardsChoice result;
    };
    const Case cases[] = {
        {"every board listed: nothing asked", 2, 0, 2, JobBoardsChoice::NotAsked},
        {"a first start, add", 0, 0, 2, JobBoardsChoice::Added},
        {"a first start, nothing", 0, 2, 0, JobBoardsChoice::Left},
        {"a first start, the job's boards", 0, 1, 0, JobBoardsChoice::LayOutWithThem},
        {"one listed, add", 1, 0, 2, JobBoardsChoice::Added},
        {"one listed, the job's boards", 1, 1, 1, JobBoardsChoice::LayOutWithThem},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CNestrixDoc other;
        other.GenbanList.Items.assign(jobBoards.begin(), jobBoards.begin() + static_cast<std::ptrdiff_t>(c.listed));
        other.GenbanList.Saved = 1;
        Settings settings;
        RecordingPrompt prompt;
        prompt.Choices = {c.choice};
        RecordingFileChooser chooser;
        chooser.Files = {desk.dir.File("job.nestrix")};
        ASSERT_TRUE(OpenJobFile(other, settings, prompt, chooser));
        const bool ownBoards = c.result == JobBoardsChoice::LayOutWithThem;
        EXPECT_EQ(other.LayoutWithJobBoards, ownBoards);
        EXPECT_EQ(other.LayoutBoards().ToText(), ownBoards ? other.ResultBoards.ToText() : other.GenbanList.ToText());
        EXPECT_EQ(IsCommandEnabled(kCmdLayout, other), ownBoards || c.after > 0);
        ASSERT_EQ(prompt.Asked.size(), c.listed == 2 ? 0u : 1u);
        if (!prompt.Asked.empty()) {
            EXPECT_EQ(prompt.Asked[0].rfind("この物件の原板 " + std::to_string(2 - c.listed) + " 件が原板リストにありません。\n原板「B」", 0), 0u);
        }
        ASSERT_EQ(other.GenbanList.Items.size(), c.after);
        for (std::size_t i = 0; i < c.after; ++i) {
            EXPECT_TRUE(SameBoardRecord(other.GenbanList.Items[i], jobBoards[i]));
            EXPECT_EQ(other.GenbanList.Items[i].Index, static_cast<std::int32_t>(i));
        }
        EXPECT_EQ(other.GenbanList.Saved, c.after > c.listed ? 0 : 1);
        // What was asked decides, not how it was asked: the same choice through a fresh prompt.
        CNestrixDoc again;
        again.GenbanList.Items.assign(jobBoards.begin(), jobBoards.begin() + static_cast<std::ptrdiff_t>(c.listed));
        RecordingPrompt second;
        second.Choices = {c.choice};
        EXPECT_EQ(OfferJobBoards(again, desk.doc.GenbanList, second), c.result);
    }
}

// A job whose band codes the shop's band table lacks: they are named and, when the user agrees,
// added at the end of the table; codes the table has are left as the table has them.
TEST(JobCommands, AnOpenedJobOffersItsBandsTheTableLacks)
{
    Desk desk;
    desk.doc.EdgeList.Items = {{"A", "PVC", 5, 220, 40, 0, 0}, {"B", "ABS", 20, 220, 120, 10, 1}};
    desk.doc.BuzaiList.Items[0].EdgeTop = "A";
    desk.doc.BuzaiList.Items[0].EdgeRight = "B";
    desk.Calculate();
    desk.chooser.Files = {desk.dir.File("job.nestrix")};
    ASSERT_TRUE(desk.Save());
    struct Case {
        const char* name;
        std::vector<CEdge> table;  // the shop's before the job is opened
        bool yes;
        std::vector<std::string> after;  // codes
        bool asked;
    };
    const Case cases[] = {
        {"both listed: nothing asked", {{"B", "別の", 10, 220, 0, 0, 0}, {"A", "PVC", 5, 220, 40, 0, 1}}, true,
         {"B", "A"}, false},
        {"an empty table, add", {}, true, {"A", "B"}, true},
        {"an empty table, no", {}, false, {}, true},
        {"one listed, add the other", {{"B", "ABS", 20, 220, 120, 10, 0}}, true, {"B", "A"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CNestrixDoc other;
        other.EdgeList.Items = c.table;
        other.EdgeList.Saved = 1;
        Settings settings;
        RecordingPrompt prompt;
        prompt.Answers = {c.yes};
        RecordingFileChooser chooser;
        chooser.Files = {desk.dir.File("job.nestrix")};
        prompt.Choices = {2};  // the boards: nothing
        ASSERT_TRUE(OpenJobFile(other, settings, prompt, chooser));
        std::vector<std::string> codes;
        for (const CEdge& edge : other.EdgeList.Items) {
            codes.push_back(edge.Code);
            EXPECT_EQ(edge.Index, static_cast<std::int32_t>(codes.size() - 1));
        }
        EXPECT_EQ(codes, c.after);
        const auto question = std::find_if(prompt.Asked.begin(), prompt.Asked.end(), [](const std::string& text) {
            return text.find("エッジ材にありません") != std::string::npos;
        });
        EXPECT_EQ(question != prompt.Asked.end(), c.asked);
        if (c.asked && c.table.empty()) {
            EXPECT_EQ(question->rfind("この物件のエッジ材 2 件がエッジ材にありません。\nエッジ「A」 PVC 厚さ 0.5\n", 0), 0u);
        }
        EXPECT_EQ(other.EdgeList.Saved, c.after.size() > c.table.size() ? 0 : 1);
        // The shop's own definition of a code it has stays.
        if (!c.table.empty() && c.table[0].Code == "B") {
            EXPECT_EQ(other.EdgeList.Items[0].Name, c.table[0].Name);
        }
    }
}

// Bands on the desktop: 配置 lays the parts out at their cut sizes, the job keeps the sizes as
// entered and the band table, and opening it gives the result the cut sizes again; a part that
// cannot be cut stops 配置 before anything changes.
TEST(JobCommands, BandedPartsLayOutAtCutSizesAndTheJobKeepsTheirTable)
{
    Desk desk;
    CNestrixDoc& doc = desk.doc;
    doc.EdgeList.Items = {{"A", "PVC", 10, 220, 40, 0, 0}};
    doc.BuzaiList.Items[0].EdgeLeft = "A";
    doc.BuzaiList.Items[0].EdgeTop = "A";
    desk.Calculate();
    EXPECT_EQ(doc.ResultParts.Items[0].Width, 290);  // 30 mm less 1 mm
    EXPECT_EQ(doc.ResultParts.Items[0].Height, 190);
    EXPECT_EQ(doc.ResultParts.Items[0].FinishedWidth, 300);
    EXPECT_EQ(doc.BuzaiList.Items[0].Width, 300);
    EXPECT_EQ(doc.RetData.BuzaiList, &doc.ResultParts);

    const JobDocument job = doc.MakeJob(desk.settings);
    EXPECT_EQ(job.Parts.Items[0].Width, 300);
    ASSERT_EQ(job.Edges.Items.size(), 1u);
    CNestrixDoc opened;
    JobDocument read;
    std::string error;
    ASSERT_TRUE(JobFromJson(JobToJson(job), read, error)) << error;
    opened.OpenJob(read, desk.dir.File("job.nestrix"), desk.settings);
    EXPECT_EQ(opened.ResultParts.Items[0].Width, 290);
    EXPECT_EQ(opened.BuzaiList.Items[0].Width, 300);
    EXPECT_EQ(ResultToJson(opened.RetData), ResultToJson(doc.RetData));

    // A code the band table lacks: nothing changes, the reason is given.
    doc.BuzaiList.Items[1].EdgeRight = "Z";
    EXPECT_EQ(doc.PrepareCutSizes(desk.settings), "部材 2「P」: エッジ右「Z」はエッジ材にありません");
    EXPECT_EQ(doc.ResultParts.Items[1].EdgeRight, "");
}

// Whatever replaces the document's result (a calculation, another calculation with another kerf
// and smallest offcut, an opened job, 新規), the plan it keeps is the plan of the result as it
// is then: what planning it afresh gives.
TEST(JobCommands, TheKeptSawPlanFollowsEveryNewResult)
{
    Desk desk;
    const auto expectInStep = [&desk](const char* step) {
        SCOPED_TRACE(step);
        const Settings run = desk.doc.ResultSettings(desk.settings);
        const CRetData& ret = desk.doc.RetData;
        ASSERT_TRUE(SawingFits(ret, run.NokoHaba, MinOffcut(run)));
        const ResultSawing fresh =
            SawResult({ret, desk.doc.ResultParts, desk.doc.ResultSecondary, desk.doc.ResultBoards},
                      run.NokoHaba, MinOffcut(run));
        EXPECT_EQ(ResultToJson(ret, &SawingOf(ret, run.NokoHaba, MinOffcut(run))), ResultToJson(ret, &fresh));
    };
    desk.Calculate();
    expectInStep("calculated");
    desk.chooser.Files = {desk.dir.File("first.nestrix")};
    ASSERT_TRUE(desk.Save());
    const std::string first = ResultToJson(desk.doc.RetData, &desk.doc.RetData.Sawing.Plans);

    desk.settings.NokoHaba = 50;
    desk.settings.MinOffcutW = 1000;
    desk.settings.MinOffcutL = 500;
    desk.Calculate();
    expectInStep("calculated again with another kerf and smallest offcut");
    EXPECT_NE(ResultToJson(desk.doc.RetData, &desk.doc.RetData.Sawing.Plans), first);

    desk.prompt.Answers = {true};  // the second result is left unsaved
    desk.chooser.Files = {desk.dir.File("first.nestrix")};
    ASSERT_TRUE(OpenJobFile(desk.doc, desk.settings, desk.prompt, desk.chooser));
    expectInStep("the first job opened");
    EXPECT_EQ(ResultToJson(desk.doc.RetData, &desk.doc.RetData.Sawing.Plans), first);

    desk.doc.NewJob();
    expectInStep("新規");
    EXPECT_TRUE(desk.doc.RetData.Sawing.Plans.empty());
}
