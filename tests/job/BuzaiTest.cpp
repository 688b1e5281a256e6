#include "job/Buzai.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "base/Settings.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/TempDir.h"
#include "base/TextFile.h"
#include "job/Edge.h"
#include "job/ListFileText.h"

namespace {

const char* const kHeader = "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考\n";

CBuzai Part(const std::string& name, std::int32_t width, std::int32_t height, std::int32_t count)
{
    CBuzai part;
    part.Name = name;
    part.Width = width;
    part.Height = height;
    part.Count = count;
    return part;
}

void ExpectSameParts(const std::vector<CBuzai>& actual, const std::vector<CBuzai>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actual[i].Name, expected[i].Name);
        EXPECT_EQ(actual[i].Width, expected[i].Width);
        EXPECT_EQ(actual[i].Height, expected[i].Height);
        EXPECT_EQ(actual[i].Thickness, expected[i].Thickness);
        EXPECT_EQ(actual[i].Count, expected[i].Count);
        EXPECT_EQ(actual[i].NoTurn, expected[i].NoTurn ? 1 : 0);
        EXPECT_EQ(actual[i].Kind, expected[i].Kind);
        EXPECT_EQ(actual[i].Remark, expected[i].Remark);
        EXPECT_EQ(actual[i].Index, static_cast<std::int32_t>(i));
    }
}

}  // namespace

TEST(BuzaiFile, WritesTheHeaderAndOneDecimalLengths)
{
    CBuzaiList list;
    CBuzai part = Part("側板", 6000, 4505, 2);
    part.Thickness = 180;
    part.NoTurn = 5;
    part.Kind = "ランバー";
    part.Remark = "木目";
    list.Items.push_back(part);
    list.Items.push_back(Part("", 123, 1, 1));
    EXPECT_EQ(list.ToText(), std::string(kHeader) +
                                 "側板,600.0,450.5,18.0,2,1,ランバー,木目\n"
                                 ",12.3,0.1,10.0,1,0,,\n");
}

TEST(BuzaiFile, RoundTripsThroughTheDisk)
{
    TempDir dir;
    CBuzaiList list;
    list.Items.push_back(Part("天板", 9000, 4500, 1));
    list.Items.push_back(Part("棚板, 可動", 8700, 3000, 4));  // a comma in the name
    list.Items.push_back(Part("扉\"A\"", 4000, 7000, 2));
    list.Items[2].NoTurn = 1;
    list.Items[2].Kind = "MDF,白";
    list.Items[1].Thickness = 0;
    RecordingPrompt prompt;
    ASSERT_EQ(list.Write(dir.File("parts.csv"), prompt), 1);
    EXPECT_EQ(ReadBytes(dir.File("parts.csv")).substr(0, 2), "\x95\x94");  // CP932 on disk
    EXPECT_NE(ReadBytes(dir.File("parts.csv")).find("\r\n"), std::string::npos);

    CBuzaiList read;
    ASSERT_EQ(read.Read(dir.File("parts.csv"), Settings(), prompt), 1);
    ExpectSameParts(read.Items, list.Items);
    EXPECT_TRUE(prompt.Shown.empty());
}

TEST(BuzaiFile, ReadsHeadersInAnyOrderWithExtraColumns)
{
    RecordingPrompt prompt;
    CBuzaiList list;
    ASSERT_EQ(ReadText(list,
                       "備考欄,部材備考,部材種類,部材横置き,部材数,部材厚さ,部材縦,部材横,部材名\n"
                       "x,remark,kind,0,3,18,450,600,name\n",
                       prompt),
              1);
    ASSERT_EQ(list.Items.size(), 1u);
    EXPECT_EQ(list.Items[0].Name, "name");
    EXPECT_EQ(list.Items[0].Width, 6000);
    EXPECT_EQ(list.Items[0].Height, 4500);
    EXPECT_EQ(list.Items[0].Thickness, 180);
    EXPECT_EQ(list.Items[0].Count, 3);
    EXPECT_EQ(list.Items[0].Kind, "kind");
    EXPECT_EQ(list.Items[0].Remark, "remark");
}

TEST(BuzaiFile, ReadsTheHeaderlessFormats)
{
    ExpectHeaderless<CBuzaiList>({{"600,450,18,2,1", 0, "", ""},
                                  {"600,450,18,2,1,メモ", 0, "", "メモ"},
                                  {"600,450,18,2,1,メモ", 1, "メモ", ""}},
                                 "300,200,9,1,0\n", 2, [](const CBuzaiList& list) {
                                     const CBuzai& part = list.Items[0];
                                     EXPECT_EQ(part.Name, "");
                                     EXPECT_EQ(part.Width, 6000);
                                     EXPECT_EQ(part.Height, 4500);
                                     EXPECT_EQ(part.Thickness, 180);
                                     EXPECT_EQ(part.Count, 2);
                                     EXPECT_EQ(part.NoTurn, 1);
                                     EXPECT_EQ(list.Items[1].Width, 3000);
                                 });
}

// Every message names the line, and the column where one is at fault.
TEST(BuzaiFile, RejectsWithTheMessageOfEachError)
{
    struct Case {
        const char* name;
        std::string text;
        std::string message;  // before "\n読み込みを中断しました。"
        std::size_t partsKept;
    };
    const std::string h = kHeader;
    const Case cases[] = {
        {"empty file", "", "部材ファイル異常です。（空のファイルです）", 0},
        {"a cell with a line break", h + "a,10,10,1,1,0,,\n\"two\nlines\",10,10,1,1,0,,\n",
         "部材データが異常です。（3行目、セルの中に改行があります。改行を除いて保存してください）", 1},
        {"headerless 4 fields", "600,450,18,2\n",
         "部材項目数が違います。（1行目、見出しは "
         "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考 です）",
         0},
        {"headerless 7 fields", "600,450,18,2,1,a,b\n",
         "部材項目数が違います。（1行目、見出しは "
         "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考 です）",
         0},
        {"partial header", "部材名,部材横,部材縦\n",
         "部材項目数が違います。（1行目、ない見出し: 部材厚さ,部材数,部材横置き,部材種類,部材備考、見出しは "
         "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考 です）",
         0},
        {"title twice", "部材名," + h,
         "部材項目数が違います。（1行目、見出しは "
         "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考 です）",
         0},
        {"headerless bad first line", "0,450,18,2,1\n",
         "部材データが異常です。（1行目、部材横「0」は 0.1 から 99999.9 の範囲にありません）", 0},
        {"width 0.04", h + "a,0.04,10,1,1,0,,\n",
         "部材データが異常です。（2行目、部材横「0.04」は 0.1 から 99999.9 の範囲にありません）", 0},
        {"height of letters", h + "a,10,abc,1,1,0,,\n",
         "部材データが異常です。（2行目、部材縦「abc」は数値ではありません）", 0},
        // A number is read whole or not at all: no leading digits of a longer text.
        {"width with a unit", h + "a,700mm,10,1,1,0,,\n",
         "部材データが異常です。（2行目、部材横「700mm」は数値ではありません）", 0},
        {"width with two points", h + "a,700.0.5,10,1,1,0,,\n",
         "部材データが異常です。（2行目、部材横「700.0.5」は数値ではありません）", 0},
        {"hexadecimal width", h + "a,0x2BC,10,1,1,0,,\n",
         "部材データが異常です。（2行目、部材横「0x2BC」は数値ではありません）", 0},
        {"width with a NUL byte",
         h + std::string("a,70\0"
                         "0.0,10,1,1,0,,\n",
                         20),
         "部材データが異常です。（2行目、部材横「70" + std::string(1, '\0') + "0.0」は数値ではありません）",
         0},
        {"exponent", h + "a,10,10,1e2,1,0,,\n",
         "部材データが異常です。（2行目、部材厚さ「1e2」は数値ではありません）", 0},
        {"nan", h + "a,nan,10,1,1,0,,\n",
         "部材データが異常です。（2行目、部材横「nan」は有限の数値ではありません）", 0},
        {"inf", h + "a,10,-INF,1,1,0,,\n",
         "部材データが異常です。（2行目、部材縦「-INF」は有限の数値ではありません）", 0},
        {"count with a decimal part", h + "a,10,10,1,4.9,0,,\n",
         "部材データが異常です。（2行目、部材数「4.9」は整数ではありません）", 0},
        {"count with a unit", h + "a,10,10,1,4x,0,,\n",
         "部材データが異常です。（2行目、部材数「4x」は数値ではありません）", 0},
        {"badly grouped thousands", h + "a,\"18,20\",10,1,1,0,,\n",
         "部材データが異常です。（2行目、部材横「18,20」は数値ではありません）", 0},
        {"negative thickness", h + "a,10,10,-1,1,0,,\n",
         "部材データが異常です。（2行目、部材厚さ「-1」は 0.0 から 99999.9 の範囲にありません）", 0},
        {"count 0", h + "a,10,10,1,0,0,,\n",
         "部材データが異常です。（2行目、部材数「0」は 1 から 9999 の範囲にありません）", 0},
        {"count above the dialog's 9999", h + "a,10,10,1,10000,0,,\n",
         "部材データが異常です。（2行目、部材数が 9999 を超えています）", 0},
        {"count beyond 32 bits", h + "a,10,10,1,9999999999,0,,\n",
         "部材データが異常です。（2行目、部材数が 9999 を超えています）", 0},
        {"width above 99999.9", h + "a,100000,10,1,1,0,,\n",
         "部材データが異常です。（2行目、部材横が 99999.9 を超えています）", 0},
        {"height that overflows 32-bit tenths", h + "a,10,214748364.7,1,1,0,,\n",
         "部材データが異常です。（2行目、部材縦が 99999.9 を超えています）", 0},
        {"thickness beyond any number", h + "a,10,10," + std::string(400, '9') + ",1,0,,\n",
         "部材データが異常です。（2行目、部材厚さが 99999.9 を超えています）", 0},
        {"blank line in the middle", h + "a,10,10,1,1,0,,\n\nb,10,10,1,1,0,,\n",
         "部材データが異常です。（3行目、部材横がありません）", 1},
        {"blank line before a last line", h + "a,10,10,1,1,0,,\n\n\nb,10,10,1,1,0,,\n",
         "部材データが異常です。（3行目、部材横がありません）", 1},
        {"short line", h + "a,10,10,1,1,0,,\nb,10,10\n",
         "部材データが異常です。（3行目、部材数がありません）", 1},
        {"line longer than 64 KiB", h + std::string(70000, 'a') + ",10,10,1,1,0,,\n",
         "部材ファイル異常です。（2行目が 65536 バイトを超えています）", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPrompt prompt;
        CBuzaiList list;
        EXPECT_EQ(ReadText(list, c.text, prompt), 0);
        EXPECT_EQ(prompt.Shown, std::vector<std::string>{c.message + "\n読み込みを中断しました。"});
        EXPECT_EQ(list.Items.size(), c.partsKept);
    }
}

// A list given a band table reads only the codes it has, and names the line, the edge and the
// code of any other; without a table any code is read (a job file's own table decides later).
TEST(BuzaiFile, ReadsOnlyTheBandCodesOfItsTable)
{
    const std::string h =
        "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考,"
        "部材エッジ上,部材エッジ下,部材エッジ左,部材エッジ右\n";
    CEdgeList table;
    table.Items = {{"A", "PVC", 5, 220, 40, 0, 0}, {"ＢＢ", "突板", 10, 220, 80, 0, 1}};
    struct Case {
        const char* name;
        std::string text;
        bool withTable;
        std::string message;  // "" when read
    };
    const Case cases[] = {
        {"known codes", h + "a,10,10,1,1,0,,,A,,ＢＢ,A\n", true, ""},
        {"no bands at all", h + "a,10,10,1,1,0,,,,,,\n", true, ""},
        {"an unknown code on the third line, right edge", h + "a,10,10,1,1,0,,,A,,,\nb,10,10,1,1,0,,,,,,Z\n",
         true, "部材データが異常です。（3行目、部材エッジ右「Z」はエッジ材にありません）"},
        {"a code of another case", h + "a,10,10,1,1,0,,,a,,,\n", true,
         "部材データが異常です。（2行目、部材エッジ上「a」はエッジ材にありません）"},
        {"any code without a table", h + "a,10,10,1,1,0,,,Z,Y,X,W\n", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPrompt prompt;
        CBuzaiList list;
        list.Edges = c.withTable ? &table : nullptr;
        EXPECT_EQ(ReadText(list, c.text, prompt), c.message.empty() ? 1 : 0);
        EXPECT_EQ(prompt.Shown, c.message.empty()
                                    ? std::vector<std::string>{}
                                    : std::vector<std::string>{c.message + "\n読み込みを中断しました。"});
    }
}

// Files from elsewhere: UTF-8 with or without the byte order mark reads like Shift-JIS, a
// file whose text is neither is refused at the line that shows it, and lines ending in CR
// alone read like CR LF.
TEST(BuzaiFile, ReadsUtf8AndShiftJisAndNamesTheLineOfNeither)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string message;  // "" when read
        std::size_t parts;
    };
    const std::string utf8 = std::string(kHeader) + "棚板,600,300,18,2,0,,\r\n";
    const Case cases[] = {
        {"utf-8 without a byte order mark", utf8, "", 1},
        {"utf-8 with one", "\xEF\xBB\xBF" + utf8, "", 1},
        {"utf-8 in a headerless line", "600,300,18,2,0,棚\r\n", "", 1},
        {"a cp932 line in a utf-8 file", utf8 + "\x92\x49,1,1,1,1,0,,\r\n",
         "部材ファイル異常です。（3行目、UTF-8 として読めない文字があります）", 1},
        {"utf-8 text without a cp932 form", std::string(kHeader) + "\xF0\xA0\xAE\xB7,1,1,1,1,0,,\r\n",
         "部材ファイル異常です。（2行目、Shift-JIS で表せない文字があります）", 0},
        {"neither", "600,300,18,2,0\r\n\x85\x40,1,1,1,1\r\n",
         "部材ファイル異常です。（2行目、UTF-8 でも Shift-JIS でもない文字があります）", 1},
        {"cr only",
         "\x95\x94\x8d\xde\x96\xbc,\x95\x94\x8d\xde\x89\xa1,\x95\x94\x8d\xde\x8f\x63,"
         "\x95\x94\x8d\xde\x8c\xfa\x82\xb3,\x95\x94\x8d\xde\x90\x94,"
         "\x95\x94\x8d\xde\x89\xa1\x92\x75\x82\xab,\x95\x94\x8d\xde\x8e\xed\x97\xde,"
         "\x95\x94\x8d\xde\x94\xf5\x8d\x6c\ra,600,300,18,2,0,,\rb,600,300,18,2,0,,\r",
         "", 2},
    };
    std::string cp932;
    ASSERT_TRUE(EncodeForDisk(std::string(kHeader) + "棚板,600,300,18,2,0,,\n", cp932));
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("部材名,部材横\r\n")) {
        utf16 += c;  // the ASCII of it is enough: every second byte is zero
        utf16 += '\0';
    }
    const Case more[] = {
        {"shift-jis", cp932, "", 1},
        {"a utf-8 line in a cp932 file", cp932 + "見切り 化粧,900,40,18,3,0,,\r\n",
         "部材ファイル異常です。（3行目、Shift-JIS のファイルに UTF-8 の行があります）", 1},
        {"a utf-8 line that is cp932 garbage too", cp932 + "棚板,900,40,18,3,0,,\r\n",
         "部材ファイル異常です。（3行目、Shift-JIS のファイルに UTF-8 の行があります）", 1},
        {"utf-16 with a byte order mark", utf16,
         "部材ファイルが UTF-8 でも Shift-JIS でもありません（UTF-16 です）。", 0},
        {"utf-16 without one", utf16.substr(2),
         "部材ファイルが UTF-8 でも Shift-JIS でもありません（UTF-16 です）。", 0},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.insert(all.end(), std::begin(more), std::end(more));
    for (const Case& c : all) {
        SCOPED_TRACE(c.name);
        RecordingPrompt prompt;
        CBuzaiList list;
        std::istringstream in(c.bytes);
        EXPECT_EQ(list.Read(in, Settings(), prompt), c.message.empty() ? 1 : 0);
        if (!c.message.empty()) {
            EXPECT_EQ(prompt.Shown, std::vector<std::string>{c.message + "\n読み込みを中断しました。"});
        }
        ASSERT_EQ(list.Items.size(), c.parts);
        if (c.parts > 0) {  // the text as written, whatever the encoding
            const CBuzai& first = list.Items[0];
            EXPECT_TRUE(first.Name == "棚板" || first.Name == "a" || first.Remark == "棚" ||
                        first.Width == 6000)
                << first.Name;
        }
    }
}

TEST(BuzaiFile, AcceptsTheBoundaryValues)
{
    RecordingPrompt prompt;
    CBuzaiList list;
    ASSERT_EQ(ReadText(list,
                       std::string(kHeader) + "a,0.05,12.34,0,1,7,,\nb, 12. ,1,1,\"1,000\",x,,\n"
                                              "c,\"1,820.5\",+.5,4.,3.00,0,,\n\r\n\n",
                       prompt),
              1)
        << (prompt.Shown.empty() ? "" : prompt.Shown[0]);
    ASSERT_EQ(list.Items.size(), 3u);
    EXPECT_EQ(list.Items[0].Width, 1);
    EXPECT_EQ(list.Items[0].Height, 123);
    EXPECT_EQ(list.Items[0].Thickness, 0);
    EXPECT_EQ(list.Items[0].NoTurn, 1);
    EXPECT_EQ(list.Items[1].Width, 120);
    EXPECT_EQ(list.Items[1].NoTurn, 0);
    EXPECT_EQ(list.Items[1].Count, 1000);
    EXPECT_EQ(list.Items[2].Width, 18205);
    EXPECT_EQ(list.Items[2].Height, 5);
    EXPECT_EQ(list.Items[2].Thickness, 40);
    EXPECT_EQ(list.Items[2].Count, 3);
    EXPECT_NE(list.ToText().find("a,0.1,12.3,0.0,1,1,,"), std::string::npos);
}

TEST(BuzaiFile, AppendsToAListAndNumbersOnFromItsCount)
{
    RecordingPrompt prompt;
    CBuzaiList list;
    list.Items = {Part("old0", 10, 10, 1), Part("old1", 10, 10, 1)};
    list.Renumber();
    list.Saved = 0;
    ASSERT_EQ(ReadText(list, std::string(kHeader) + "n0,1,1,1,1,0,,\nn1,1,1,1,1,0,,\n", prompt), 1);
    ASSERT_EQ(list.Items.size(), 4u);
    EXPECT_EQ(list.Items[2].Index, 2);
    EXPECT_EQ(list.Items[3].Index, 3);
    EXPECT_EQ(list.Saved, 0);
}

TEST(BuzaiFile, ReadsUtf8FilesWithAByteOrderMark)
{
    std::istringstream in("\xEF\xBB\xBF" + std::string(kHeader) + "棚板,600,300,18,2,0,,\r\n");
    RecordingPrompt prompt;
    CBuzaiList list;
    ASSERT_EQ(list.Read(in, Settings(), prompt), 1);
    ASSERT_EQ(list.Items.size(), 1u);
    EXPECT_EQ(list.Items[0].Name, "棚板");
}

TEST(BuzaiFile, NamesTheSecondaryListInMessages)
{
    TempDir dir;
    RecordingPrompt prompt;
    CBuzaiList list;
    list.IsSecondary = 1;
    EXPECT_EQ(list.Read(dir.File("none.csv"), Settings(), prompt), 0);
    EXPECT_EQ(list.Read(dir.Path(), Settings(), prompt), 0);  // a folder is not a file
    EXPECT_EQ(list.Write(dir.File("no/such/folder.csv"), prompt), 0);
    EXPECT_EQ(prompt.Shown, (std::vector<std::string>{
                                "２次部材ファイルが開けません。（ファイルがありません）\n読み込みを中断しました。",
                                "２次部材ファイルが開けません。（フォルダです）\n読み込みを中断しました。",
                                "２次部材ファイルに書き込みできません。（" + SystemReason(ENOENT) +
                                    "）\n書き込みを中断しました。"}));
}

TEST(BuzaiFile, RefusesToWriteTextWithoutACp932Form)
{
    TempDir dir;
    const std::string path = dir.File("parts.csv");
    WriteBytes(path, "previous");
    CBuzaiList list;
    list.Items.push_back(Part("\xF0\x9F\x98\x80", 10, 10, 1));
    RecordingPrompt prompt;
    EXPECT_EQ(list.Write(path, prompt), 0);
    EXPECT_EQ(prompt.Shown,
              std::vector<std::string>{
                  "部材ファイル異常です。（Shift-JIS で表せない文字があります）\n書き込みを中断しました。"});
    EXPECT_EQ(ReadBytes(path), "previous");
}

TEST(BuzaiFile, SaveAsUsesTheListsFolderAndMarksSaved)
{
    TempDir dir;
    Settings settings;
    settings.BuzaiFol = "/parts";
    settings.YBuzaiFol = "/secondary";
    for (int secondary : {0, 1}) {
        SCOPED_TRACE(secondary);
        CBuzaiList list;
        list.IsSecondary = secondary;
        list.Saved = 0;
        RecordingPrompt prompt;
        RecordingFileChooser chooser;
        EXPECT_EQ(list.SaveAs(settings, prompt, chooser), 0);  // cancelled
        EXPECT_EQ(list.Saved, 0);
        chooser.Files.push_back(dir.File("saved.csv"));
        EXPECT_EQ(list.SaveAs(settings, prompt, chooser), 1);
        EXPECT_EQ(list.Saved, 1);
        ASSERT_EQ(chooser.Requests.size(), 2u);
        EXPECT_EQ(chooser.Requests[0].Kind, "save");
        EXPECT_EQ(chooser.Requests[0].Options.Filter, "部材データ (*.csv)|*.csv||");
        EXPECT_EQ(chooser.Requests[0].Options.DefaultExtension, "csv");
        EXPECT_EQ(chooser.Requests[0].Options.InitialFolder, secondary ? "/secondary" : "/parts");
        EXPECT_TRUE(prompt.Shown.empty());
    }
}
