#include "job/Genban.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/Settings.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/TempDir.h"
#include "base/TextFile.h"
#include "job/ListFileText.h"

namespace {

const std::string kHeader =
    "原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,原板上トリム,原板下トリム,"
    "原板左トリム,原板右トリム\n";

}  // namespace

TEST(GenbanFile, RoundTripsEveryMember)
{
    TempDir dir;
    CGenbanList list;
    CGenban board;
    board.Name = "ラワン合板, 特注";
    board.Width = 18200;
    board.Height = 9100;
    board.Thickness = 120;
    board.TrimTop = 5;
    board.TrimBottom = 0;
    board.TrimLeft = 100;
    board.TrimRight = 15;
    board.Price = 3500;
    board.Count = 20;
    board.Priority = 2;
    board.Kind = "合板";
    board.Remark = "備考";
    board.Use = 1;
    list.Items = {board, CGenban()};
    RecordingPrompt prompt;
    ASSERT_EQ(list.Write(dir.File("boards.csv"), prompt), 1);

    CGenbanList read;
    ASSERT_EQ(read.Read(dir.File("boards.csv"), Settings(), prompt), 1);
    ASSERT_EQ(read.Items.size(), 2u);
    const CGenban& r = read.Items[0];
    EXPECT_EQ(r.Name, board.Name);
    EXPECT_EQ(std::tie(r.Width, r.Height, r.Thickness, r.TrimTop, r.TrimBottom, r.TrimLeft, r.TrimRight),
              std::tie(board.Width, board.Height, board.Thickness, board.TrimTop, board.TrimBottom,
                       board.TrimLeft, board.TrimRight));
    EXPECT_EQ(std::tie(r.Price, r.Count, r.Priority, r.Kind, r.Remark),
              std::tie(board.Price, board.Count, board.Priority, board.Kind, board.Remark));
    EXPECT_EQ(r.Use, 0);
    EXPECT_EQ(read.Items[1].Index, 1);
    EXPECT_EQ(read.Items[1].Width, 18000);
    EXPECT_EQ(read.Items[1].Count, 9999);
    EXPECT_TRUE(prompt.Shown.empty());
}

TEST(GenbanFile, WritesTheWindowsLineFormat)
{
    CGenbanList list;
    CGenban board;
    board.Name = "Plain";
    board.TrimLeft = 5;
    list.Items = {board};
    EXPECT_EQ(list.ToText(), kHeader + "Plain,1800.0,900.0,10.0,9999,0,0,,,0.0,0.0,0.5,0.0\n");
}

TEST(GenbanFile, ReadsTheHeaderlessFormats)
{
    ExpectHeaderless<CGenbanList>({{"1820,910,12,3500,0,20,1,Plain", 0, "", ""},
                                   {"1820,910,12,3500,whatever,20,1,Plain", 0, "", ""},
                                   {"1820,910,12,3500,0,20,1,Plain,note", 0, "", "note"},
                                   {"1820,910,12,3500,0,20,1,Plain,note", 1, "note", ""}},
                                  "", 1, [](const CGenbanList& list) {
                                      const CGenban& b = list.Items[0];
                                      EXPECT_EQ(b.Name, "Plain");
                                      EXPECT_EQ(b.Width, 18200);
                                      EXPECT_EQ(b.Height, 9100);
                                      EXPECT_EQ(b.Thickness, 120);
                                      EXPECT_EQ(b.Price, 3500);
                                      EXPECT_EQ(b.Count, 20);
                                      EXPECT_EQ(b.Priority, 1);
                                      EXPECT_EQ(b.TrimTop + b.TrimBottom + b.TrimLeft + b.TrimRight, 0);
                                  });
}

TEST(GenbanFile, RejectsWithTheMessageOfEachError)
{
    struct Case {
        const char* name;
        std::string text;
        const char* message;
        const char* rawTail = "";  // bytes appended after encoding
    };
    const std::string row = "a,1820,910,12,1,100,0,,,0,0,0,0\n";
    const Case cases[] = {
        {"empty", "", "原板ファイル異常です。（空のファイルです）\n読み込みを中断しました。"},
        {"headerless 7", "1820,910,12,3500,0,20,1\n",
         "原板項目数が違います。（1行目、見出しは "
         "原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,原板上トリム,"
         "原板下トリム,原板左トリム,原板右トリム です）\n読み込みを中断しました。"},
        {"headerless 10", "1820,910,12,3500,0,20,1,a,b,c\n",
         "原板項目数が違います。（1行目、見出しは "
         "原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,原板上トリム,"
         "原板下トリム,原板左トリム,原板右トリム です）\n読み込みを中断しました。"},
        {"header of parts", "部材名,原板横\n",
         "原板項目数が違います。（1行目、ない見出し: "
         "原板名,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,"
         "原板備考,原板上トリム,原板下トリム,原板左トリム,原板右トリム、見出しは "
         "原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,原板上トリム,"
         "原板下トリム,原板左トリム,原板右トリム です）\n"
         "読み込みを中断しました。"},
        {"priority 3", kHeader + "a,1820,910,12,1,100,3,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板優先度が 2 を超えています）\n読み込みを中断しました。"},
        {"priority -1", kHeader + "a,1820,910,12,1,100,-1,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板優先度「-1」は 0 から 2 "
         "の範囲にありません）\n読み込みを中断しました。"},
        {"count 0", kHeader + "a,1820,910,12,0,100,0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板数「0」は 1 から 999999 "
         "の範囲にありません）\n読み込みを中断しました。"},
        {"count above the dialog's 999999", kHeader + "a,1820,910,12,1000000,100,0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板数が 999999 を超えています）\n読み込みを中断しました。"},
        {"negative price", kHeader + "a,1820,910,12,1,-1,0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板単価「-1」は 0 から 999999 "
         "の範囲にありません）\n読み込みを中断しました。"},
        {"price above the dialog's 999999", kHeader + "a,1820,910,12,1,1000000,0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板単価が 999999 を超えています）\n読み込みを中断しました。"},
        {"width -0", kHeader + "a,-0,910,12,1,0,0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板横「-0」は 0.1 から 99999.9 "
         "の範囲にありません）\n読み込みを中断しました。"},
        {"a price with a minus and a separator", kHeader + "a,1820,910,12,1,\"-4,800\",0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板単価「-4,800」は 0 から 999999 "
         "の範囲にありません）\n読み込みを中断しました。"},
        {"count -1", kHeader + "a,1820,910,12,-1,100,0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板数「-1」は 1 から 999999 "
         "の範囲にありません）\n読み込みを中断しました。"},
        {"negative trim", kHeader + "a,1820,910,12,1,0,0,,,0,0,-1,0\n",
         "原板データが異常です。（2行目、原板左トリム「-1」は 0.0 から 99999.9 "
         "の範囲にありません）\n読み込みを中断しました。"},
        {"trim above 99999.9", kHeader + "a,1820,910,12,1,0,0,,,0,100000,0,0\n",
         "原板データが異常です。（2行目、原板下トリムが 99999.9 を超えています）\n読み込みを中断しました。"},
        {"width above 99999.9", kHeader + "a,100000,910,12,1,0,0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板横が 99999.9 を超えています）\n読み込みを中断しました。"},
        {"blank line before a board", kHeader + row + "\n" + row,
         "原板データが異常です。（3行目、原板横がありません）\n読み込みを中断しました。"},
        {"price with an exponent", kHeader + "a,1820,910,12,1,1e6,0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板単価「1e6」は数値ではありません）\n読み込みを中断しました。"},
        {"price with a decimal exponent", kHeader + "a,1820,910,12,1,4.8e3,0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板単価「4.8e3」は数値ではありません）\n読み込みを中断しました。"},
        {"count with a decimal part", kHeader + "a,1820,910,12,4.9,0,0,,,0,0,0,0\n",
         "原板データが異常です。（2行目、原板数「4.9」は整数ではありません）\n読み込みを中断しました。"},
        {"invalid byte", kHeader + row,
         "原板ファイル異常です。（3行目、Shift-JIS として読めない文字があります）\n読み込みを中断しました。",
         "\x81\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPrompt prompt;
        CGenbanList list;
        std::string bytes;
        ASSERT_TRUE(EncodeForDisk(c.text, bytes));
        std::istringstream in(bytes + c.rawTail);
        EXPECT_EQ(list.Read(in, Settings(), prompt), 0);
        EXPECT_EQ(prompt.Shown, std::vector<std::string>{c.message});
    }
}

TEST(GenbanFile, AcceptsZeroPriceAndTrims)
{
    RecordingPrompt prompt;
    CGenbanList list;
    ASSERT_EQ(ReadText(list, kHeader + "a,1820,910,12,1,0,0,,,0,0,0,0\nb,1820,910,12,1,\"4,800\",0,,,,,,\n\n", prompt),
              1);
    EXPECT_EQ(list.Items.at(0).Price, 0);
    // A spreadsheet's thousands separator is read, not cut at the comma; empty trims are 0.
    EXPECT_EQ(list.Items.at(1).Price, 4800);
    EXPECT_EQ(list.Items.at(1).TrimLeft, 0);
}

TEST(GenbanFile, ReadWithDialogStopsAtTheFirstBadFile)
{
    TempDir dir;
    const std::string good = kHeader + "a,1820,910,12,1,0,0,,,0,0,0,0\n";
    std::string bytes;
    ASSERT_TRUE(EncodeForDisk(good, bytes));
    WriteBytes(dir.File("1.csv"), bytes);
    WriteBytes(dir.File("2.csv"), "broken\r\n");
    WriteBytes(dir.File("3.csv"), bytes);

    CGenbanList list;
    Settings settings;
    settings.GenbanFol = "/boards";
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    chooser.Lists.push_back({dir.File("1.csv"), dir.File("2.csv"), dir.File("3.csv")});
    EXPECT_EQ(list.ReadWithDialog(settings, prompt, chooser), 0);  // not every file was read
    EXPECT_EQ(list.Items.size(), 1u);                               // the first one's board stays
    EXPECT_EQ(prompt.Shown,
              std::vector<std::string>{"原板項目数が違います。（1行目、見出しは " +
                                       std::string(kHeader).substr(0, std::string(kHeader).find('\n')) +
                                       " です）\n読み込みを中断しました。"});
    ASSERT_EQ(chooser.Requests.size(), 1u);
    EXPECT_EQ(chooser.Requests[0].Kind, "openMany");
    EXPECT_EQ(chooser.Requests[0].Options.InitialFolder, "/boards");
    EXPECT_EQ(chooser.Requests[0].Options.Filter, "原板データ (*.csv)|*.csv||");

    EXPECT_EQ(list.ReadWithDialog(settings, prompt, chooser), 0);  // cancelled
    chooser.Lists.push_back({dir.File("2.csv")});
    EXPECT_EQ(list.ReadWithDialog(settings, prompt, chooser), 0);
}
