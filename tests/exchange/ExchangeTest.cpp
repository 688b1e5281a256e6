#include <filesystem>
#include <gtest/gtest.h>

#include "exchange/DxfExport.h"
#include "exchange/XlsxExport.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/TempDir.h"
#include "result/JobFile.h"

namespace {

// The example kitchen job with its stored result.
JobDocument Kitchen()
{
    JobDocument job;
    std::string error;
    EXPECT_TRUE(ReadJobFile(std::string(NESTRIX_EXAMPLE_JOB) + "/kitchen.nestrix", job, error)) << error;
    return job;
}

CutDataSource Sawn(const JobDocument& job)
{
    return {{job.Result, job.Parts, job.Secondary, job.Boards}, job.Run.NokoHaba, MinOffcut(job.Run)};
}

}  // namespace

TEST(PatternDxfName, NumbersFromOneAndKnowsItsOwn)
{
    EXPECT_EQ(PatternDxfName(0), "pattern-001.dxf");
    EXPECT_EQ(PatternDxfName(999), "pattern-1000.dxf");
    struct Case {
        const char* name;
        bool own;
    };
    for (const Case& c : {Case{"pattern-001.dxf", true},
                          {"pattern-1234.dxf", true},
                          {"pattern-01.dxf", false},
                          {"pattern-00a.dxf", false},
                          {"pattern-001.DXF", false},
                          {"board-001.png", false},
                          {"xpattern-001.dxf", false},
                          {"pattern-001.dxf.bak", false}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsPatternDxfName(c.name), c.own);
    }
}

// Names go into the drawing in its code page (ANSI_932); a character without a CP932 form as
// \U+XXXX, never dropped.
TEST(PatternDxf, WritesTextsInTheDrawingsCodePage)
{
    JobDocument job = Kitchen();
    job.Bind();
    const std::int32_t part = job.Result.Layouts[0].Blocks[0].Number;
    struct Case {
        const char* name;
        std::string expected;
    };
    for (const Case& c : {Case{"棚", "\x92\x49"}, {"棚€", "\x92\x49\\U+20AC"}, {"a,b", "a,b"}}) {
        SCOPED_TRACE(c.name);
        job.Parts.Items[static_cast<std::size_t>(part)].Name = c.name;
        std::string bytes, error;
        ASSERT_TRUE(PatternDxf(Sawn(job), 0, bytes, error)) << error;
        EXPECT_NE(bytes.find("$DWGCODEPAGE\n  3\nANSI_932\n"), std::string::npos);
        EXPECT_NE(bytes.find("\n  1\n" + c.expected + "\n"), std::string::npos);
    }
}

// A layout that cannot be cut apart (two pieces on one place) has no cuts to draw and no
// offcuts: the drawing and the workbook are refused with the pattern named, nothing written.
TEST(PatternDxf, RefusesALayoutThatCannotBeCut)
{
    JobDocument job = Kitchen();
    job.Bind();
    COutData& second = job.Result.Layouts.at(1);
    second.Blocks.push_back(second.Blocks.front());
    PlanSawing(job.Result, job.Parts, job.Secondary, job.Boards, job.Run.NokoHaba, MinOffcut(job.Run));
    std::string bytes, error;
    EXPECT_TRUE(PatternDxf(Sawn(job), 0, bytes, error)) << error;
    EXPECT_FALSE(PatternDxf(Sawn(job), 1, bytes, error));
    EXPECT_EQ(error, "パターン2 の切断手順を作成できません。");
    WorkbookSource book{Sawn(job)};
    EXPECT_FALSE(ResultWorkbook(book, bytes, error));
    EXPECT_EQ(error, "パターン2 の切断手順を作成できません。");

    TempDir dir;
    RecordingPrompt prompt;
    EXPECT_EQ(WritePatternDxfFiles(dir.Path(), Sawn(job), prompt), 0);
    EXPECT_EQ(WriteResultWorkbook(dir.File("book.xlsx"), book, prompt), 0);
    ASSERT_EQ(prompt.Shown.size(), 2u);
    EXPECT_EQ(prompt.Shown[0],
              "DXF ファイルを作成できませんでした。\nパターン2 の切断手順を作成できません。");
    EXPECT_EQ(prompt.Shown[1],
              "Excel ファイルを作成できませんでした。\nパターン2 の切断手順を作成できません。");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// DXF出力 into a folder: drawings of an earlier result there are replaced only when the user
// says so, and then those the new result does not have go too; other files always stay.
TEST(WritePatternDxfFiles, ReplacesEarlierDrawingsOnlyWhenAllowed)
{
    const JobDocument job = Kitchen();
    const std::size_t patterns = job.Result.Layouts.size();
    const std::string stale = PatternDxfName(patterns);  // one more than this result has
    struct Case {
        const char* name;
        std::vector<std::string> before;
        std::deque<bool> answers;
        std::size_t asked;
        bool written;
    };
    const Case cases[] = {
        {"an empty folder", {}, {}, 0, true},
        {"other files only", {"notes.txt", "board-001.png"}, {}, 0, true},
        {"drawings, answered yes", {"pattern-001.dxf", stale}, {true}, 1, true},
        {"drawings, answered no", {"pattern-001.dxf", stale}, {false}, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        for (const std::string& name : c.before) {
            WriteBytes(dir.File(name), "old");
        }
        RecordingPrompt prompt;
        prompt.Answers = c.answers;
        EXPECT_EQ(WritePatternDxfFiles(dir.Path(), Sawn(job), prompt), c.written ? 1 : 0);
        EXPECT_EQ(prompt.Asked.size(), c.asked);
        EXPECT_EQ(prompt.Shown.size(), c.asked);
        std::size_t drawings = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            const std::string name = entry.path().filename().string();
            drawings += IsPatternDxfName(name) ? 1 : 0;
            const bool kept = std::find(c.before.begin(), c.before.end(), name) != c.before.end();
            if (!IsPatternDxfName(name) || !c.written) {
                EXPECT_TRUE(kept) << name;
                EXPECT_EQ(ReadBytes(entry.path().string()), "old") << name;
            }
        }
        EXPECT_EQ(drawings,
                  c.written ? patterns : std::count_if(c.before.begin(), c.before.end(), IsPatternDxfName));
        EXPECT_EQ(std::filesystem::exists(dir.File(stale)), !c.written && !c.before.empty() && c.asked == 1);
    }
}

// Excel出力 that cannot write keeps the previous file and says why.
TEST(WriteResultWorkbook, KeepsThePreviousFileWhenTheWriteFails)
{
    const JobDocument job = Kitchen();
    WorkbookSource book{Sawn(job)};
    TempDir dir;
    WriteBytes(dir.File("locked.xlsx"), "old");
    std::filesystem::permissions(dir.File("locked.xlsx"), std::filesystem::perms::owner_read);
    struct Case {
        std::string path;
        const char* message;
    };
    for (const Case& c : {Case{dir.File("none/book.xlsx"), "ファイルに書き込みできません。"},
                          {dir.File("locked.xlsx"), "読み取り専用のファイルです"}}) {
        SCOPED_TRACE(c.path);
        RecordingPrompt prompt;
        EXPECT_EQ(WriteResultWorkbook(c.path, book, prompt), 0);
        ASSERT_EQ(prompt.Shown.size(), 1u);
        EXPECT_EQ(prompt.Shown[0].rfind("Excel ファイル（" + c.path + "）", 0), 0u) << prompt.Shown[0];
        EXPECT_NE(prompt.Shown[0].find(c.message), std::string::npos) << prompt.Shown[0];
    }
    EXPECT_EQ(ReadBytes(dir.File("locked.xlsx")), "old");
    RecordingPrompt prompt;
    EXPECT_EQ(WriteResultWorkbook(dir.File("book.xlsx"), book, prompt), 1);
    EXPECT_EQ(ReadBytes(dir.File("book.xlsx")).substr(0, 2), "PK");
}
