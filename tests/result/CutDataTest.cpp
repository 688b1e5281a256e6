#include "result/CutData.h"

#include <gtest/gtest.h>

#include "base/TextCodec.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/TempDir.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/RetData.h"

namespace {

// Board 2 (100 x 70 mm, 1 mm trims) cut 3 times, kerf 2 mm:
//   two 48 x 48 parts side by side, a 20 x 10 secondary part under the first.
struct KnownJob {
    CBuzaiList Buzai;
    CBuzaiList YBuzai;
    CGenbanList Genban;
    CRetData Ret;

    KnownJob()
    {
        Buzai.Items.resize(1);
        Buzai.Items[0].Name = "側板";
        Buzai.Items[0].Width = 480;
        Buzai.Items[0].Height = 480;
        YBuzai.Items.resize(1);
        YBuzai.Items[0].Name = "棚受け";
        YBuzai.Items[0].Width = 200;
        YBuzai.Items[0].Height = 100;
        Genban.Items.resize(2);
        CGenban& board = Genban.Items[1];
        board.Name = "棚板";
        board.Kind = "ＭＤＦ";
        board.Width = 1000;
        board.Height = 700;
        board.Thickness = 180;
        board.TrimTop = board.TrimBottom = board.TrimLeft = board.TrimRight = 10;
        COutData layout;
        layout.BoardNo = 1;
        layout.Repeat = 3;
        layout.Blocks = {{0, 0, 10, 10, 2, 1, 0}, {0, 1, 10, 510, 1, 1, 0}};
        layout.PartsYield = 0.65834;
        layout.TotalYield = 0.7;
        Ret.Layouts.push_back(layout);
        Plan();
    }
    void Plan() { PlanSawing(Ret, Buzai, YBuzai, Genban, 20, {50, 50}); }
    CutDataSource Source() const { return {Ret, Buzai, YBuzai, Genban, 20, {50, 50}}; }
};

CutDataInfo Info()
{
    return {"山田邸,キッチン", 2026, 12, 24, "扉は\"木目\"合わせ"};
}

}  // namespace

TEST(CutData, WritesJobPatternCutsAndPieces)
{
    const KnownJob job;
    std::string text, error;
    ASSERT_TRUE(CutDataText(job.Source(), Info(), text, error)) << error;
    EXPECT_EQ(text,
              "切断データ,Nestrix,1\n"
              "物件名,\"山田邸,キッチン\"\n"
              "納期,2026/12/24\n"
              "コメント,\"扉は\"\"木目\"\"合わせ\"\n"
              "切れ幅,2.0\n"
              "パターン数,1\n"
              "原板枚数,3\n"
              "切断回数,12\n"
              "切断長,762.0\n"
              "パターン,1,2,棚板,ＭＤＦ,100.0,70.0,18.0,1.0,1.0,1.0,1.0,3,65.8,70.0,4,3,2\n"
              "切断,1,1,横,49.0,2.0,1.0,99.0\n"
              "切断,2,2,縦,49.0,2.0,1.0,49.0\n"
              "切断,3,1,横,61.0,2.0,1.0,99.0\n"
              "切断,4,2,縦,21.0,2.0,51.0,61.0\n"
              "部材,1,部材,1,側板,48.0,48.0,1.0,1.0,0\n"
              "部材,2,部材,1,側板,48.0,48.0,51.0,1.0,0\n"
              "部材,3,２次部材,1,棚受け,20.0,10.0,1.0,51.0,0\n"
              "端材,1,1.0,63.0,98.0,6.0\n"
              "端材,2,23.0,51.0,76.0,10.0\n");
}

TEST(CutData, FileIsCp932WithCrLf)
{
    const KnownJob job;
    TempDir dir;
    RecordingPrompt prompt;
    ASSERT_EQ(WriteCutData(dir.File("a.csv"), job.Source(), Info(), prompt), 1);
    EXPECT_TRUE(prompt.Shown.empty());
    const std::string bytes = ReadBytes(dir.File("a.csv"));
    std::string first;
    ASSERT_TRUE(Utf8ToCp932("切断データ,Nestrix,1\r\n物件名", first));
    EXPECT_EQ(bytes.substr(0, first.size()), first);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST(CutData, NothingIsWrittenWhenALayoutCannotBeCut)
{
    KnownJob job;
    job.Ret.Layouts.push_back(job.Ret.Layouts[0]);
    job.Ret.Layouts[1].Blocks[1].Y = 400;  // the secondary part lies on the first part
    job.Plan();
    TempDir dir;
    WriteBytes(dir.File("a.csv"), "previous");
    RecordingPrompt prompt;
    EXPECT_EQ(WriteCutData(dir.File("a.csv"), job.Source(), Info(), prompt), 0);
    ASSERT_EQ(prompt.Shown.size(), 1u);
    EXPECT_EQ(
        prompt.Shown[0].rfind(
            "切断手順を作成できない配置があります。\n切断データは出力しませんでした。\n配置パターン 2: ", 0),
        0u)
        << prompt.Shown[0];
    EXPECT_EQ(ReadBytes(dir.File("a.csv")), "previous");
}

TEST(CutData, AFolderThatCannotBeWrittenIsReported)
{
    const KnownJob job;
    TempDir dir;
    RecordingPrompt prompt;
    EXPECT_EQ(WriteCutData(dir.File("missing/a.csv"), job.Source(), Info(), prompt), 0);
    EXPECT_EQ(prompt.Shown,
              std::vector<std::string>{"切断データファイルに書き込みできません。\n書き込みを中断しました。"});
}

static std::string Repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

TEST(CutData, ChecksTheJobInformation)
{
    struct Case {
        CutDataInfo info;
        CutDataField field;
        const char* message;  // "" when accepted
    };
    const Case cases[] = {
        {{"", 2026, 1, 1, ""}, CutDataField::None, ""},
        {{"現場,1", 2024, 2, 29, "カンマ, \"引用\""}, CutDataField::None, ""},
        {{"改行\nあり", 2026, 1, 1, ""}, CutDataField::JobName, "物件名に使用できない文字があります。"},
        {{"絵文字😀", 2026, 1, 1, "😀"}, CutDataField::JobName, "物件名に使用できない文字があります。"},
        {{"", 2026, 1, 1, "行1\r\n行2"}, CutDataField::Comment, "コメントに使用できない文字があります。"},
        {{"", 2025, 2, 29, "😀"}, CutDataField::Due, "納期の日付が正しくありません。"},
        {{"", 2026, 13, 1, ""}, CutDataField::Due, "納期の日付が正しくありません。"},
        {{"", 2026, 4, 31, ""}, CutDataField::Due, "納期の日付が正しくありません。"},
        // 256 characters (of two or three bytes each) fit; one more does not.
        {{std::string(256, 'x'), 2026, 1, 1, ""}, CutDataField::None, ""},
        {{Repeat("山", 256), 2026, 1, 1, Repeat("ア", 255) + "x"}, CutDataField::None, ""},
        {{Repeat("山", 257), 2026, 1, 1, ""}, CutDataField::JobName, "物件名が長すぎます（256 文字まで）。"},
        {{"", 2026, 1, 1, std::string(257, 'a')}, CutDataField::Comment, "コメントが長すぎます（256 文字まで）。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.info.JobName + "/" + c.info.Comment);
        RecordingPrompt prompt;
        EXPECT_EQ(CheckCutDataInfo(c.info, prompt), c.field);
        EXPECT_EQ(prompt.Shown,
                  *c.message == '\0' ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    }
}

TEST(CutData, ProposesTheJobNameAndDueDate)
{
    struct Case {
        const char* jobName;
        const char* fileName;
    };
    const Case cases[] = {
        {"山田邸", "山田邸_20260305.csv"},
        {"", "20260305.csv"},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j_20260305.csv"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CutDataFileName({c.jobName, 2026, 3, 5, ""}), c.fileName);
    }
}

TEST(CutData, ReadsDatesAsTheCommandLineGivesThem)
{
    struct Case {
        const char* text;
        bool valid;
    };
    for (const Case& c : {Case{"2026-12-24", true},
                          {"2024-02-29", true},
                          {"2023-02-29", false},
                          {"2026-1-24", false},
                          {"2026/12/24", false},
                          {"26-12-24", false},
                          {"2026-12-2x", false},
                          {"", false}}) {
        SCOPED_TRACE(c.text);
        int y = 0, m = 0, d = 0;
        EXPECT_EQ(ParseIsoDate(c.text, y, m, d), c.valid);
    }
    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(ParseIsoDate("2026-03-05", y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 20260305);
}
