#include "job/Buzai.h"
#include "job/Edge.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/CsvLine.h"
#include "base/Settings.h"
#include "base/TextFile.h"
#include "fakes/RecordingPrompt.h"

namespace {

const std::string kEdgeHeader = "エッジ記号,エッジ名,エッジ厚さ,エッジ高さ,エッジ単価,エッジ足し長さ\n";

CEdgeList Bands()
{
    CEdgeList bands;
    RecordingPrompt prompt;
    std::istringstream in(kEdgeHeader +
                          "A,PVC 0.5,0.5,22,40,30\nB,ABS 2,2,22,85,30\nC,突板 1,1.0,22,120,0\n");
    EXPECT_EQ(bands.Read(in, prompt), 1);
    return bands;
}

}  // namespace

TEST(EdgeFile, ReadsWritesAndRefusesWhatPartsCouldNotName)
{
    const CEdgeList bands = Bands();
    ASSERT_EQ(bands.Items.size(), 3u);
    EXPECT_EQ(bands.Items[1].Thickness, 20);
    EXPECT_EQ(bands.Items[1].Price, 85);
    EXPECT_EQ(bands.Items[1].Allowance, 300);
    EXPECT_EQ(bands.ToText(), kEdgeHeader +
                                  "A,PVC 0.5,0.5,22.0,40,30.0\nB,ABS 2,2.0,22.0,85,30.0\n"
                                  "C,突板 1,1.0,22.0,120,0.0\n");

    struct Case {
        const char* name;
        std::string body;
        std::string message;  // after エッジ材
    };
    const Case cases[] = {
        {"a negative thickness", "X,x,-0.5,22,40,0\n",
         "データが異常です。（2行目、エッジ厚さ「-0.5」は 0.0 から 99999.9 の範囲にありません）"},
        {"no code", "X,x,1,22,40,0\n,y,1,22,40,0\n", "データが異常です。（3行目、エッジ記号がありません）"},
        {"a code twice", "X,x,1,22,40,0\nX,y,1,22,40,0\n",
         "データが異常です。（3行目、エッジ記号「X」がすでにあります）"},
        {"a long code", "ABCDE,x,1,22,40,0\n",
         "データが異常です。（2行目、エッジ記号「ABCDE」は空白・カンマ・引用符なしの 4 バイトまでです）"},
        {"a code with a blank", "\"A B\",x,1,22,40,0\n",
         "データが異常です。（2行目、エッジ記号「A B」は空白・カンマ・引用符なしの 4 バイトまでです）"},
        {"a code without shift-jis", "\xF0\x9F\x99\x82,x,1,22,40,0\n",
         "ファイル異常です。（2行目、Shift-JIS で表せない文字があります）"},
        {"a price that is no number", "X,x,1,22,4O,0\n",
         "データが異常です。（2行目、エッジ単価「4O」は数値ではありません）"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CEdgeList list = Bands();
        RecordingPrompt prompt;
        std::istringstream in(kEdgeHeader + c.body);
        EXPECT_EQ(list.Read(in, prompt), 0);
        EXPECT_EQ(prompt.Shown,
                  std::vector<std::string>{"エッジ材" + c.message + "\n読み込みを中断しました。"});
        EXPECT_EQ(list.Items.size(), 3u);  // nothing of the file appended
    }
    // A code the list has already is refused in a file appended to it, a full-width one of two
    // characters is allowed.
    CEdgeList list = Bands();
    RecordingPrompt prompt;
    std::istringstream again(kEdgeHeader + "木目,x,1,22,40,0\nB,y,1,22,40,0\n");
    EXPECT_EQ(list.Read(again, prompt), 0);
    EXPECT_EQ(prompt.Shown, std::vector<std::string>{"エッジ材データが異常です。（3行目、エッジ記号「B」がす"
                                                     "でにあります）\n読み込みを中断しました。"});
    EXPECT_EQ(list.CheckRecord(list.Items[1], 1), "");  // itself is no second one
}

TEST(EdgeCutSize, TakesEachBandOffItsSide)
{
    const CEdgeList bands = Bands();  // A 0.5 mm, B 2 mm, C 1 mm
    struct Case {
        const char* name;
        std::array<const char*, 4> edges;  // 上 下 左 右
        std::int32_t premill;
        std::int32_t width, height;  // the finished size
        std::int32_t cutWidth, cutHeight;
        const char* error;
    };
    const Case cases[] = {
        {"no band", {"", "", "", ""}, 0, 6000, 4000, 6000, 4000, ""},
        {"one edge along the width", {"A", "", "", ""}, 0, 6000, 4000, 6000, 3995, ""},
        {"two long edges", {"B", "B", "", ""}, 0, 6000, 4000, 6000, 3960, ""},
        {"two short edges", {"", "", "B", "B"}, 0, 6000, 4000, 5960, 4000, ""},
        {"four edges, three bands", {"A", "B", "C", "A"}, 0, 6000, 4000, 5985, 3975, ""},
        {"pre-milling on each banded edge", {"A", "B", "C", ""}, 5, 6000, 4000, 5995, 3985, ""},
        {"pre-milling without bands changes nothing", {"", "", "", ""}, 5, 6000, 4000, 6000, 4000, ""},
        {"a band thicker than the part",
         {"", "", "B", "B"},
         0,
         40,
         4000,
         0,
         4000,
         "エッジを除くと寸法が 0 以下になります（0.0 × 400.0 mm）"},
        {"an unknown code", {"", "Z", "", ""}, 0, 6000, 4000, 0, 0, "エッジ下「Z」はエッジ材にありません"},
        {"past the largest size",
         {"A", "A", "", ""},
         10,
         6000,
         999999,
         0,
         0,
         "仕上げ代を足すと寸法が 99999.9 mm を超えます"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CBuzai part;
        part.Width = c.width;
        part.Height = c.height;
        part.EdgeTop = c.edges[0];
        part.EdgeBottom = c.edges[1];
        part.EdgeLeft = c.edges[2];
        part.EdgeRight = c.edges[3];
        CutSize size;
        const std::optional<std::string> error = PartCutSize(part, bands, c.premill, size);
        EXPECT_EQ(error.value_or(""), c.error);
        if (!error) {
            EXPECT_EQ(size, (CutSize{c.cutWidth, c.cutHeight}));
        }
    }
}

// Parts files: the band columns only when some part has a band, so a file without them reads and
// writes as before; with them, in any order like the other columns.
TEST(PartsFileEdges, WrittenOnlyWhenSomePartHasABand)
{
    const std::string plain =
        "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考\n"
        "棚板,860.0,310.0,18.0,4,0,シナ合板,\n";
    RecordingPrompt prompt;
    CBuzaiList list;
    std::istringstream in(plain);
    ASSERT_EQ(list.Read(in, Settings(), prompt), 1);
    EXPECT_FALSE(list.HasEdges());
    EXPECT_EQ(list.ToText(), plain);

    list.Items[0].EdgeTop = "A";
    list.Items[0].EdgeRight = "木目";
    const std::string banded =
        "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考,部材エッジ上,"
        "部材エッジ下,部材エッジ左,部材エッジ右\n棚板,860.0,310.0,18.0,4,0,シナ合板,,A,,,木目\n";
    EXPECT_EQ(list.ToText(), banded);
    CBuzaiList back;
    std::istringstream again(banded);
    ASSERT_EQ(back.Read(again, Settings(), prompt), 1);
    EXPECT_EQ(back.ToText(), banded);

    // Some of the band columns, in another order.
    CBuzaiList some;
    std::istringstream partial(
        "部材エッジ右,部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考\n"
        "B,a,1,1,1,1,0,,\n");
    ASSERT_EQ(some.Read(partial, Settings(), prompt), 1);
    EXPECT_EQ(some.Items[0].EdgeRight, "B");
    EXPECT_EQ(some.Items[0].EdgeTop, "");
    EXPECT_TRUE(prompt.Shown.empty());
}
