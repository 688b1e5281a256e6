#include "app/LayoutCommand.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sys/stat.h>
#include <sstream>

#include "app/LayoutOptions.h"
#include "base/Settings.h"
#include "job/Edge.h"
#include "result/JobFile.h"

#include "fakes/RecordingPrompt.h"
#include "fakes/TempDir.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "base/CsvLine.h"
#include "result/CutData.h"

namespace {

struct Output {
    int Status = 0;
    std::string Out;
    std::string Err;
};

Output Layout(std::vector<std::string> args)
{
    args.insert(args.begin(), "layout");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Output output;
    output.Status = RunLayoutCommand(static_cast<int>(args.size()), argv.data());
    output.Out = testing::internal::GetCapturedStdout();
    output.Err = testing::internal::GetCapturedStderr();
    return output;
}

// Two kinds on two boards; one part too long for the cutting limit of the settings file.
class LayoutCommandTest : public testing::Test {
protected:
    TempDir dir;
    std::string boards = dir.File("boards.csv");
    std::string parts = dir.File("parts.csv");
    std::string secondary = dir.File("secondary.csv");
    std::string settings = dir.File("settings.ini");

    void SetUp() override
    {
        RecordingPrompt prompt;
        CGenbanList genban;
        genban.Items.resize(2);
        genban.Items[0].Name = "合板";
        genban.Items[0].Width = 18200;
        genban.Items[0].Height = 9100;
        genban.Items[0].Price = 3000;
        genban.Items[1].Name = "MDF";
        genban.Items[1].Kind = "MDF";
        genban.Items[1].Price = 2000;
        ASSERT_EQ(genban.Write(boards, prompt), 1);
        CBuzaiList buzai;
        buzai.Items.resize(3);
        buzai.Items[0].Name = "棚板";
        buzai.Items[0].Width = 6000;
        buzai.Items[0].Height = 3000;
        buzai.Items[0].Count = 5;
        buzai.Items[1].Name = "扉";
        buzai.Items[1].Kind = "MDF";
        buzai.Items[1].Width = 4000;
        buzai.Items[1].Height = 7000;
        buzai.Items[1].Count = 2;
        buzai.Items[1].NoTurn = 1;
        buzai.Items[2].Name = "長物";
        buzai.Items[2].Width = 17000;
        buzai.Items[2].Height = 500;
        buzai.Items[2].Count = 3;
        ASSERT_EQ(buzai.Write(parts, prompt), 1);
        CBuzaiList ybuzai;
        ybuzai.Items.resize(1);
        ybuzai.Items[0].Name = "小物";
        ybuzai.Items[0].Width = 1000;
        ybuzai.Items[0].Height = 1000;
        ybuzai.Items[0].Count = 9999;
        ASSERT_EQ(ybuzai.Write(secondary, prompt), 1);
        WriteBytes(settings, "[SysPara]\r\nMaxCutSize=15000\r\nUseYBuzai=1\r\nNokoHaba=30\r\n");
    }
};

}  // namespace

// The figures of a run for benchmarks: its seconds and where a search budget ended early (a
// small job never reaches one).
TEST_F(LayoutCommandTest, WritesTheRunsFiguresWithStats)
{
    const std::string stats = dir.File("stats.txt");
    const Output out =
        Layout({"--boards", boards, "--parts", parts, "--settings", settings, "--stats", stats});
    ASSERT_EQ(out.Status, 0) << out.Err;
    const std::string text = ReadBytes(stats);
    EXPECT_EQ(text.rfind("seconds ", 0), 0u) << text;
    for (const char* line : {"\nbudget_ended 0\n", "\nblock_budget_ended 0\n", "\nblock_fills_most "}) {
        EXPECT_NE(text.find(line), std::string::npos) << text;
    }
    const Output refused =
        Layout({"--boards", boards, "--parts", parts, "--stats", dir.File("no/such/stats.txt")});
    EXPECT_EQ(refused.Status, 74);
}

TEST_F(LayoutCommandTest, PrintsTheSummaryAndWritesJsonAndUnplacedParts)
{
    const std::string json = dir.File("out.json");
    const std::string unplaced = dir.File("unplaced.csv");
    const std::string cutData = dir.File("cut.csv");
    const Output out = Layout({"--boards", boards, "--parts", parts, "--secondary", secondary, "--settings",
                               settings, "--threads", "2", "--json", json, "--unplaced", unplaced, "--cutdata",
                               cutData});
    ASSERT_EQ(out.Status, 0) << out.Err;
    EXPECT_NE(out.Out.find("歩留まり  "), std::string::npos);
    EXPECT_NE(out.Out.find("使用原板合計金額 "), std::string::npos);
    EXPECT_NE(out.Out.find("部材部分金額     "), std::string::npos);
    EXPECT_NE(out.Out.find("長物"), std::string::npos);

    const nlohmann::ordered_json result = nlohmann::ordered_json::parse(ReadBytes(json));
    EXPECT_EQ(result["format"], "nestrix-result");
    std::vector<std::string> keys;
    for (auto it = result.begin(); it != result.end(); ++it) {
        keys.push_back(it.key());
    }
    EXPECT_EQ(keys,
              (std::vector<std::string>{"format", "version", "max_board_width", "max_board_height",
                                        "parts_area", "total_area", "board_area", "total_price",
                                        "parts_price", "total_pieces_price", "cut_count", "cut_length_mm",
                                        "bound", "layouts", "unplaced", "used_boards", "placed_secondary"}));
    // The cuts are the cut data file's: its 切断 lines times the repeat counts, in count and length.
    std::string text;
    ASSERT_TRUE(Cp932ToUtf8(ReadBytes(cutData), text));
    std::istringstream lines(text);
    std::string line;
    long long fileCuts = 0, repeat = 0, layoutCuts = 0;
    double fileLength = 0.0;
    std::size_t pattern = 0;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = SplitFields(line.substr(0, line.find('\r')));
        if (f[0] == "パターン") {
            repeat = std::stoll(f[12]);
            EXPECT_EQ(std::stoll(f[15]), result["layouts"][pattern]["cut_count"].get<long long>());
            ++pattern;
        } else if (f[0] == "切断") {
            ++layoutCuts;
            fileCuts += repeat;
            fileLength += (std::stod(f[7]) - std::stod(f[6])) * static_cast<double>(repeat);
        } else if (f[0] == "切断回数") {
            EXPECT_EQ(std::stoll(f[1]), result["cut_count"].get<long long>());
        } else if (f[0] == "切断長") {
            EXPECT_NEAR(std::stod(f[1]), result["cut_length_mm"].get<double>(), 0.05);
        }
    }
    EXPECT_EQ(pattern, result["layouts"].size());
    EXPECT_GT(layoutCuts, 0);
    EXPECT_EQ(fileCuts, result["cut_count"].get<long long>());
    EXPECT_NEAR(fileLength, result["cut_length_mm"].get<double>(), 0.05);
    EXPECT_NE(out.Out.find("切断 " + std::to_string(fileCuts) + " 回  "), std::string::npos) << out.Out;
    EXPECT_EQ(result["unplaced"], nlohmann::ordered_json::parse(R"([{"part": 2, "count": 3, "list": 0}])"));
    long long pieces[2] = {0, 0};
    for (const auto& layout : result["layouts"]) {
        for (const auto& entry : layout["summary"]) {
            if (entry["list"] == 0) {
                pieces[entry["part"].get<int>()] +=
                    entry["pieces"].get<long long>() * layout["repeat"].get<long long>();
            }
        }
    }
    EXPECT_EQ(pieces[0], 5);
    EXPECT_EQ(pieces[1], 2);
    EXPECT_FALSE(result["placed_secondary"].empty());

    // The unplaced parts as a parts file: the record with the count left over.
    CBuzaiList read;
    RecordingPrompt prompt;
    std::ifstream in(unplaced, std::ios::binary);
    ASSERT_EQ(read.Read(in, Settings(), prompt), 1);
    ASSERT_EQ(read.Items.size(), 1u);
    EXPECT_EQ(read.Items[0].Name, "長物");
    EXPECT_EQ(read.Items[0].Count, 3);
    EXPECT_EQ(read.Items[0].Width, 17000);
}

TEST_F(LayoutCommandTest, GivesTheSameJsonForAnyThreadCount)
{
    for (const bool search : {false, true}) {
        std::string first;
        for (const char* threads : {"1", "2", "16"}) {
            SCOPED_TRACE(search ? "with the search" : "without the search");
            const std::string json = dir.File(std::string("out") + threads + ".json");
            std::vector<std::string> args = {"--boards",    boards,    "--parts",    parts,
                                             "--secondary", secondary, "--settings", settings,
                                             "--threads",   threads,   "--json",     json};
            if (search) {
                args.push_back("--search");
            }
            const Output out = Layout(args);
            ASSERT_EQ(out.Status, 0) << out.Err;
            if (first.empty()) {
                first = ReadBytes(json);
            }
            EXPECT_EQ(ReadBytes(json), first) << threads;
        }
    }
}

TEST_F(LayoutCommandTest, RunsOneEngineVariantWhenAsked)
{
    for (const char* engine :
         {"cal1", "cal2:order=2,level=1", "cal3:second=1", "cal4:level=3,area=1,second=1"}) {
        SCOPED_TRACE(engine);
        const Output out = Layout({"--boards", boards, "--parts", parts, "--engine", engine});
        EXPECT_EQ(out.Status, 0) << out.Err;
    }
}

TEST_F(LayoutCommandTest, RefusesBadInputWithAMessage)
{
    std::string headerOnly;
    ASSERT_TRUE(
        EncodeForDisk("部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考\n", headerOnly));
    WriteBytes(dir.File("empty.csv"), headerOnly);
    WriteBytes(dir.File("bad.csv"), "x,y\r\n");
    WriteBytes(dir.File("depth.csv"), "W,D,T\n600,400,18\n");
    WriteBytes(dir.File("rows.csv"), "W,L,T\n600,400,18\nx,400,18\n");
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--parts", parts}, "--boards and --parts (or --parts-import) are required"},
        {{"--boards", boards, "--parts", parts, "--parts-import", parts},
         "--parts and --parts-import both give the parts"},
        {{"--boards", boards, "--parts", parts, "--secondary", parts, "--secondary-import", parts},
         "--secondary and --secondary-import both give the secondary parts"},
        {{"--job", "j.nestrix", "--parts-import", parts}, "--job brings its own lists"},
        {{"--boards", boards, "--parts-import", dir.File("depth.csv")},
         "depth.csv: 部材の取り込み: 長さ の列が見出しからわかりません。（見出し: W,D,T） "
         "取り込みを中断しました。"},
        {{"--boards", boards, "--parts", parts, "--secondary-import", dir.File("rows.csv")},
         "rows.csv: ２次部材の取り込み: 取り込めない行があります。 3行目: 幅「x」は数値ではありません "
         "取り込みを中断しました。"},
        {{"--boards", boards, "--parts", parts, "--colour", "red"}, "unknown option: --colour"},
        {{"--boards", boards, "--parts", parts, "--threads", "0"}, "--threads takes a number from 1 to 16"},
        {{"--boards", boards, "--parts", parts, "--threads", "3x"}, "--threads takes a number from 1 to 16"},
        {{"--boards", boards, "--parts", parts, "--time-limit", "0"},
         "--time-limit takes seconds from 0.1 to 86400"},
        {{"--boards", boards, "--parts", parts, "--time-limit", "1e3"}, "--time-limit takes seconds"},
        {{"--boards", boards, "--parts", parts, "--time-limit", "inf"}, "--time-limit takes seconds"},
        {{"--boards", boards, "--parts", parts, "--time-limit", "-1"}, "--time-limit takes seconds"},
        {{"--boards", boards, "--parts", parts, "--time-limit", "1.2.3"}, "--time-limit takes seconds"},
        {{"--boards", boards, "--parts", parts, "--time-limit", "86400.5"}, "--time-limit takes seconds"},
        {{"--boards", boards, "--parts", parts, "--engine", "cal9"}, "unknown engine: cal9"},
        {{"--boards", boards, "--parts", parts, "--engine", "cal2:depth=1"},
         "unknown engine parameter: depth"},
        {{"--boards", boards, "--parts", parts, "--engine", "cal2:order=7"}, "bad engine parameter: order=7"},
        {{"--boards", boards, "--parts", parts, "--json"}, "missing value after --json"},
        {{"--boards", dir.File("none.csv"), "--parts", parts},
         "原板ファイルが開けません。（ファイルがありません） 読み込みを中断しました。"},
        {{"--boards", boards, "--parts", dir.File("bad.csv")},
         "bad.csv: 部材項目数が違います。（1行目、見出しは "
         "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考 です） 読み込みを中断しました。"},
        {{"--boards", boards, "--parts", "/dev/zero"},
         "/dev/zero: 部材ファイル異常です。（1行目が 65536 バイトを超えています） 読み込みを中断しました。"},
        {{"--boards", boards, "--parts", dir.File("empty.csv")}, "the parts file holds no part"},
        {{"--boards", boards, "--parts", parts, "--settings", dir.File("none.ini")}, "cannot be read"},
        {{"--boards", boards, "--parts", parts, "--job-name", "x"},
         "--job-name goes with --cutdata, --save-job, --pdf-info, --pdf-cuts, --pdf-labels or --xlsx"},
        {{"--boards", boards, "--parts", parts, "--cutdata", dir.File("c.csv"), "--due", "2026-02-30"},
         "--due takes a date as YYYY-MM-DD"},
        {{"--boards", boards, "--parts", parts, "--cutdata", dir.File("c.csv"), "--comment", "a\nb"},
         "コメントに使用できない文字があります。"},
        {{"--boards", boards, "--parts", parts, "--save-job", dir.File("j.nestrix"), "--customer", "a\nb"},
         "得意先に使用できない文字があります。"},
        // A job file or labels with a text the cut data file of the same job could not hold.
        {{"--boards", boards, "--parts", parts, "--save-job", dir.File("j.nestrix"), "--job-name",
          "台所\n2 階"},
         "物件名に使用できない文字があります。"},
        {{"--boards", boards, "--parts", parts, "--pdf-labels", dir.File("l.pdf"), "--job-name",
          std::string(257, 'a')},
         "物件名が長すぎます（256 文字まで）。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const Output out = Layout(c.args);
        EXPECT_EQ(out.Status, 2);
        EXPECT_NE(out.Err.find(c.message), std::string::npos) << out.Err;
        EXPECT_TRUE(out.Out.empty());
    }
    // A mistake on the command line: the error, the usage lines and where the rest is.
    const Output out = Layout({"--boards", boards, "--parts", parts, "--pdf", "x.pdf"});
    EXPECT_EQ(out.Err,
              "nestrix: unknown option: --pdf (did you mean --dxf, --pdf-cuts, --pdf-info, --pdf-labels or --png?)\n"
              "Usage: nestrix layout --boards B.csv --parts P.csv [OPTION]...\n"
              "  or:  nestrix layout --job IN.nestrix [OPTION]...\n"
              "'nestrix layout --help' lists every option.\n");
}

// Bands: the parts laid out at their cut sizes, the band metres and cost in the summary and the
// JSON, the job file keeping the table and the sizes as entered; what cannot be cut is refused.
TEST_F(LayoutCommandTest, LaysOutBandedPartsAtTheirCutSizes)
{
    RecordingPrompt prompt;
    CEdgeList edges;
    edges.Items = {{"A", "PVC 0.5", 5, 220, 40, 300, 0}, {"B", "ABS 2", 20, 220, 85, 300, 1}};
    ASSERT_EQ(edges.Write(dir.File("bands.csv"), prompt), 1);
    CBuzaiList banded;
    banded.Items.resize(2);
    banded.Items[0].Name = "側板";
    banded.Items[0].Width = 6000;
    banded.Items[0].Height = 4000;
    banded.Items[0].Count = 2;
    banded.Items[0].EdgeTop = "B";
    banded.Items[0].EdgeBottom = "B";
    banded.Items[0].EdgeLeft = "A";
    banded.Items[1].Name = "棚板";
    banded.Items[1].Width = 5600;
    banded.Items[1].Height = 3000;
    banded.Items[1].Count = 3;
    banded.Items[1].EdgeTop = "A";
    ASSERT_EQ(banded.Write(dir.File("banded.csv"), prompt), 1);

    const std::string json = dir.File("banded.json");
    const std::string job = dir.File("banded.nestrix");
    Output out =
        Layout({"--boards", boards, "--parts", dir.File("banded.csv"), "--bands", dir.File("bands.csv"),
                "--json", json, "--save-job", job, "--unplaced", dir.File("left.csv")});
    ASSERT_EQ(out.Status, 0) << out.Err;
    EXPECT_NE(out.Out.find("エッジ B    ABS 2               2.52 m       214円"), std::string::npos)
        << out.Out;
    EXPECT_NE(out.Out.find("エッジ合計金額         319円"), std::string::npos) << out.Out;
    const nlohmann::json result = nlohmann::json::parse(ReadBytes(json));
    EXPECT_EQ(result["bands"].dump(), R"([{"code":"A","cost":105,"metres":2.63,"name":"PVC 0.5"},)"
                                      R"({"code":"B","cost":214,"metres":2.52,"name":"ABS 2"}])");
    EXPECT_EQ(result["bands_cost"], 319);
    for (const auto& layout : result["layouts"]) {
        for (const auto& block : layout["blocks"]) {
            const int w = block["width"], l = block["length"];
            const bool side = block["part"] == 0;
            const bool turned = block["rotated"] == 1;
            EXPECT_EQ(turned ? l : w, side ? 5995 : 5600);
            EXPECT_EQ(turned ? w : l, side ? 3960 : 2995);
        }
        EXPECT_TRUE(layout.contains("bands"));
    }
    // The job file: the sizes as entered and the table; its export is the same result.
    JobDocument saved;
    std::string error;
    ASSERT_TRUE(ReadJobFile(job, saved, error)) << error;
    EXPECT_EQ(saved.Parts.Items[0].Width, 6000);
    EXPECT_EQ(saved.Parts.Items[0].EdgeBottom, "B");
    ASSERT_EQ(saved.Edges.Items.size(), 2u);
    EXPECT_EQ(saved.Edges.Items[1].Price, 85);
    const std::string again = dir.File("again.json");
    {
        std::vector<std::string> args = {"export", job, "--json", again};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        testing::internal::CaptureStdout();
        EXPECT_EQ(RunExportCommand(static_cast<int>(args.size()), argv.data()), 0);
        testing::internal::GetCapturedStdout();
    }
    EXPECT_EQ(ReadBytes(again), ReadBytes(json));

    // Without bands: no band figures, the blocks sized all the same.
    out = Layout({"--boards", boards, "--parts", parts, "--json", json});
    EXPECT_EQ(out.Out.find("エッジ"), std::string::npos);
    const nlohmann::json plain = nlohmann::json::parse(ReadBytes(json));
    EXPECT_FALSE(plain.contains("bands"));
    EXPECT_TRUE(plain["layouts"][0]["blocks"][0].contains("width"));

    // Refused: a code the table lacks, a part banded away, a table with --job.
    banded.Items[1].EdgeTop = "Z";
    ASSERT_EQ(banded.Write(dir.File("unknown.csv"), prompt), 1);
    banded.Items[1].EdgeTop = "B";
    banded.Items[1].Height = 40;
    banded.Items[1].EdgeBottom = "B";
    ASSERT_EQ(banded.Write(dir.File("thin.csv"), prompt), 1);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    // An unknown code stops the reading of its file at its line.
    const Case cases[] = {
        {{"--boards", boards, "--parts", dir.File("unknown.csv"), "--bands", dir.File("bands.csv")},
         "nestrix: " + dir.File("unknown.csv") +
             ": 部材データが異常です。（3行目、部材エッジ上「Z」はエッジ材にありません） "
             "読み込みを中断しました。\n"},
        {{"--boards", boards, "--parts", dir.File("banded.csv")},
         "nestrix: " + dir.File("banded.csv") +
             ": 部材データが異常です。（2行目、部材エッジ上「B」はエッジ材にありません） "
             "読み込みを中断しました。\n"},
        {{"--boards", boards, "--parts", dir.File("thin.csv"), "--bands", dir.File("bands.csv")},
         "nestrix: 部材 2「棚板」: エッジを除くと寸法が 0 以下になります（560.0 × 0.0 mm）\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const Output refused = Layout(c.args);
        EXPECT_EQ(refused.Status, 2);
        EXPECT_EQ(refused.Err, c.message);
    }
    EXPECT_EQ(Layout({"--job", job, "--bands", dir.File("bands.csv")}).Status, 2);
}

// A spreadsheet's export of the parts gives the layout of the parts file itself.
TEST_F(LayoutCommandTest, ImportsASpreadsheetLikeItsPartsFile)
{
    const std::string example = NESTRIX_EXAMPLE_JOB;
    const std::string viaFile = dir.File("file.json");
    const std::string viaSheet = dir.File("sheet.json");
    Output out = Layout({"--boards", example + "/boards.csv", "--parts", example + "/parts.csv", "--threads",
                         "2", "--json", viaFile});
    ASSERT_EQ(out.Status, 0) << out.Err;
    out = Layout({"--boards", example + "/boards.csv", "--parts-import",
                  std::string(NESTRIX_TEST_SHEETS) + "/kitchen-parts-xlsx-sjis.txt", "--threads", "2",
                  "--json", viaSheet});
    ASSERT_EQ(out.Status, 0) << out.Err;
    EXPECT_NE(out.Err.find("kitchen-parts-xlsx-sjis.txt: 寸法は mm として読みます"), std::string::npos)
        << out.Err;
    EXPECT_EQ(ReadBytes(viaSheet), ReadBytes(viaFile));
}

TEST_F(LayoutCommandTest, WritesTheCutDataWithTheJobInformation)
{
    const std::string cutData = dir.File("cut.csv");
    const std::string json = dir.File("out.json");
    Output out =
        Layout({"--boards", boards, "--parts", parts, "--settings", settings, "--json", json, "--cutdata",
                cutData, "--job-name", "山田邸", "--due", "2026-12-24", "--comment", "急ぎ, 木目注意"});
    ASSERT_EQ(out.Status, 0) << out.Err;
    std::string text;
    ASSERT_TRUE(Cp932ToUtf8(ReadBytes(cutData), text));
    EXPECT_EQ(text.rfind("切断データ,Nestrix,1\r\n物件名,山田邸\r\n納期,2026/12/24\r\n"
                         "コメント,\"急ぎ, 木目注意\"\r\n切れ幅,3.0\r\n",
                         0),
              0u)
        << text;
    const auto layouts = nlohmann::ordered_json::parse(ReadBytes(json))["layouts"].size();
    EXPECT_NE(text.find("\r\nパターン数," + std::to_string(layouts) + "\r\n"), std::string::npos);
    std::size_t patterns = 0;
    for (std::size_t at = text.find("\r\nパターン,"); at != std::string::npos;
         at = text.find("\r\nパターン,", at + 1)) {
        ++patterns;
    }
    EXPECT_EQ(patterns, layouts);

    // Without --due the due date is today.
    out = Layout({"--boards", boards, "--parts", parts, "--cutdata", cutData});
    ASSERT_EQ(out.Status, 0) << out.Err;
    ASSERT_TRUE(Cp932ToUtf8(ReadBytes(cutData), text));
    int y = 0, m = 0, d = 0;
    Today(y, m, d);
    char due[32];
    std::snprintf(due, sizeof due, "\r\n納期,%04d/%02d/%02d\r\n", y, m, d);
    EXPECT_NE(text.find(due), std::string::npos) << text;
}

// Nothing placed: status 1, a reason when it is simple to tell, and both outputs still written
// (every part unplaced, no layout) so that a script can read what is left.
TEST_F(LayoutCommandTest, NothingPlacedWritesTheOutputsAndSaysWhy)
{
    struct Case {
        const char* name;
        const char* kind;
        std::int32_t width;
        std::int32_t trim;
        const char* settings;
        const char* reason;
    };
    const Case cases[] = {
        {"no board of the kind", "無い種類", 1000, 0, "",
         "種類「無い種類」厚さ 10.0 mm の原板がありません。"},
        {"every board over the cutting limit", "", 1000, 0, "[SysPara]\r\nMaxCutSize=5000\r\n",
         "の原板は全て切断限界 500.0 mm を超えています。"},
        {"trims eat every board", "", 1000, 4600, "", "の原板はトリムを除くと使える部分がありません。"},
        {"the part fits no board", "", 19000, 0, "", "の部材「P」はどの原板にも入りません。"},
        {"every part over the cutting limit", "", 6000, 0, "[SysPara]\r\nMaxCutSize=5000\r\n",
         "切断限界 500.0 mm を超える部材があります。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPrompt prompt;
        CGenbanList genban;
        genban.Items.resize(1);  // 1800 x 900 of kind ""
        genban.Items[0].TrimTop = genban.Items[0].TrimBottom = c.trim;
        ASSERT_EQ(genban.Write(boards, prompt), 1);
        CBuzaiList buzai;
        buzai.Items.resize(1);
        buzai.Items[0].Name = "P";
        buzai.Items[0].Kind = c.kind;
        buzai.Items[0].Width = c.width;
        buzai.Items[0].Count = 2;
        ASSERT_EQ(buzai.Write(parts, prompt), 1);
        WriteBytes(settings, c.settings);
        const std::string json = dir.File("none.json");
        const std::string unplaced = dir.File("none.csv");
        const Output out = Layout({"--boards", boards, "--parts", parts, "--settings", settings, "--json",
                                   json, "--unplaced", unplaced});
        EXPECT_EQ(out.Status, 1);
        EXPECT_NE(out.Err.find("全ての部材が配置できませんでした。"), std::string::npos);
        EXPECT_NE(out.Err.find(c.reason), std::string::npos) << out.Err;
        const nlohmann::json result = nlohmann::json::parse(ReadBytes(json));
        EXPECT_TRUE(result["layouts"].empty());
        EXPECT_EQ(result["unplaced"], nlohmann::json::parse(R"([{"part": 0, "count": 2, "list": 0}])"));
        CBuzaiList left;
        std::ifstream in(unplaced, std::ios::binary);
        ASSERT_EQ(left.Read(in, Settings(), prompt), 1);
        ASSERT_EQ(left.Items.size(), 1u);
        EXPECT_EQ(left.Items[0].Count, 2);
    }
}

// The summary says why a left-over part was not placed where that is simple to tell.
TEST_F(LayoutCommandTest, SaysWhyEachLeftOverPartWasNotPlaced)
{
    RecordingPrompt prompt;
    CGenbanList genban;
    genban.Items.resize(2);
    genban.Items[0].Count = 1;  // 1800 x 900, one sheet
    genban.Items[1].Kind = "MDF";
    ASSERT_EQ(genban.Write(boards, prompt), 1);
    CBuzaiList buzai;
    buzai.Items.resize(4);
    buzai.Items[0].Name = "多すぎ";  // 800 x 800: two fit a sheet, the only sheet
    buzai.Items[0].Width = buzai.Items[0].Height = 8000;
    buzai.Items[0].Count = 5;
    buzai.Items[1].Name = "長すぎ";
    buzai.Items[1].Width = 16000;
    buzai.Items[1].Height = 500;
    buzai.Items[2].Name = "大きすぎ";
    buzai.Items[2].Kind = "MDF";
    buzai.Items[2].Width = buzai.Items[2].Height = 9500;
    buzai.Items[3].Name = "入る";
    buzai.Items[3].Kind = "MDF";
    ASSERT_EQ(buzai.Write(parts, prompt), 1);
    const Output out = Layout({"--boards", boards, "--parts", parts, "--settings", settings});
    ASSERT_EQ(out.Status, 0) << out.Err;
    const std::string left = out.Out.substr(out.Out.find("配置できなかった部材"));
    for (const char* line : {"多すぎ", "長すぎ", "大きすぎ"}) {
        SCOPED_TRACE(line);
        ASSERT_NE(left.find(line), std::string::npos) << left;
    }
    const auto reasonOf = [&left](const char* name) {
        const std::size_t at = left.find(name);
        return left.substr(at, left.find('\n', at) - at);
    };
    EXPECT_NE(reasonOf("多すぎ").find("原板の在庫を使い切りました"), std::string::npos) << left;
    EXPECT_NE(reasonOf("長すぎ").find("切断限界を超えています"), std::string::npos) << left;
    EXPECT_NE(reasonOf("大きすぎ").find("入る原板がありません"), std::string::npos) << left;
    EXPECT_EQ(left.find("入る "), std::string::npos) << left;
}

// A reason is given only when every part has one: here one part fits, the engines decide.
TEST_F(LayoutCommandTest, NoReasonWhenSomePartCouldBePlaced)
{
    const Output out = Layout({"--boards", boards, "--parts", parts, "--settings", settings});
    ASSERT_EQ(out.Status, 0) << out.Err;
    EXPECT_EQ(out.Err.find("原板がありません"), std::string::npos);
}

TEST_F(LayoutCommandTest, AnOutputThatCannotBeWrittenHasItsOwnStatusAndReason)
{
    struct Case {
        const char* option;
        std::string path;
        const char* reason;
    };
    WriteBytes(dir.File("locked.json"), "old");
    ::chmod(dir.File("locked.json").c_str(), 0444);
    const Case cases[] = {
        {"--json", "/dev/full", "No space left on device"},
        {"--unplaced", "/dev/full", "No space left on device"},
        {"--json", dir.File("none/out.json"), "No such file or directory"},
        {"--json", dir.File("locked.json"), "read-only file"},
        {"--cutdata", "/dev/full", "No space left on device"},
        {"--cutdata", dir.File("none/cut.csv"), "No such file or directory"},
        {"--stats", dir.File(std::string(300, 'n') + ".txt"), "File name too long"},
        {"--xlsx", "/dev/full", "No space left on device"},
        {"--xlsx", dir.File("none/out.xlsx"), "No such file or directory"},
        {"--dxf", dir.File("locked.json/dxf"), "Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option + std::string(" ") + c.path);
        const Output out =
            Layout({"--boards", boards, "--parts", parts, "--settings", settings, c.option, c.path});
        EXPECT_EQ(out.Status, kExitCannotWrite);
        EXPECT_NE(out.Err.find(c.reason), std::string::npos) << out.Err;
    }
    EXPECT_EQ(ReadBytes(dir.File("locked.json")), "old");
}

// No output may write over an input or over another output: not by its name, a symbolic link
// to it or a hard link to it. The run is refused before it computes and every file stays.
TEST_F(LayoutCommandTest, RefusesAnOutputThatIsAnInputOrAnotherOutput)
{
    const std::vector<std::pair<const char*, std::string>> inputs = {
        {"--boards", boards}, {"--parts", parts}, {"--secondary", secondary}, {"--settings", settings}};
    std::vector<std::string> before;
    for (const auto& input : inputs) {
        before.push_back(ReadBytes(input.second));
    }
    const auto run = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"--boards", boards, "--parts", parts, "--secondary", secondary,
                                         "--settings", settings};
        args.insert(args.end(), extra.begin(), extra.end());
        return Layout(args);
    };
    const auto expectInputsKept = [&] {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            EXPECT_EQ(ReadBytes(inputs[i].second), before[i]) << inputs[i].first;
        }
    };
    const char* const outputs[] = {"--json",    "--unplaced", "--pdf-info", "--pdf-cuts",  "--pdf-labels",
                                   "--cutdata", "--stats",    "--save-job", "--stock-out", "--xlsx"};
    struct Way {
        const char* name;
        std::function<std::string(const std::string&)> alias;  // another name for the input
    };
    int n = 0;
    const Way ways[] = {
        {"the same name", [](const std::string& path) { return path; }},
        {"a symbolic link",
         [&](const std::string& path) {
             const std::string link = dir.File("alias" + std::to_string(++n) + ".csv");
             std::filesystem::create_symlink(path, link);
             return link;
         }},
        {"a hard link",
         [&](const std::string& path) {
             const std::string link = dir.File("hard" + std::to_string(++n) + ".csv");
             std::filesystem::create_hard_link(path, link);
             return link;
         }},
        {"a roundabout name", [&](const std::string& path) { return dir.File("./sub/../" + path.substr(path.rfind('/') + 1)); }},
    };
    std::filesystem::create_directory(dir.File("sub"));
    for (const char* output : outputs) {
        for (const auto& [option, path] : inputs) {
            for (const Way& way : ways) {
                SCOPED_TRACE(std::string(output) + " over " + option + " by " + way.name);
                const Output out = run({output, way.alias(path)});
                EXPECT_EQ(out.Status, kExitBadInput);
                EXPECT_NE(out.Err.find(std::string(output) + " と " + option + " が同じファイルです"), std::string::npos)
                    << out.Err;
                expectInputsKept();
            }
        }
    }
    // Two outputs naming one file, existing or not, or both standard output.
    WriteBytes(dir.File("old.json"), "old");
    std::filesystem::create_symlink("new.json", dir.File("dangling.json"));
    std::filesystem::create_directory(dir.File("pictures"));
    struct Pair {
        std::vector<std::string> args;
        const char* message;
    };
    const Pair pairs[] = {
        {{"--json", dir.File("new.json"), "--unplaced", dir.File("new.json")}, "--json と --unplaced"},
        {{"--json", dir.File("new.json"), "--cutdata", dir.File("dangling.json")}, "--json と --cutdata"},
        {{"--pdf-info", dir.File("old.json"), "--stats", dir.File("sub/../old.json")}, "--pdf-info と --stats"},
        {{"--pdf-cuts", dir.File("cuts.pdf"), "--pdf-labels", dir.File("cuts.pdf")}, "--pdf-cuts と --pdf-labels"},
        {{"--save-job", dir.File("new.json"), "--stock-out", dir.File("new.json")},
         "--save-job と --stock-out"},
        {{"--cutdata", dir.File("old.json"), "--save-job", dir.File("old.json")}, "--cutdata と --save-job"},
        {{"--stock-out", dir.File("dangling.json"), "--xlsx", dir.File("new.json")}, "--stock-out と --xlsx"},
        {{"--stock-out", "-", "--json", "-"}, "--json と --stock-out"},
        {{"--json", "-", "--unplaced", "-"}, "--json と --unplaced"},
        {{"--png", dir.File("pictures"), "--json", dir.File("pictures/boards.png")}, "--png の画像と --json"},
        {{"--png", dir.File("pictures"), "--stats", dir.File("pictures/board-007.png")}, "--png の画像と --stats"},
        {{"--png", dir.Path(), "--json", dir.File("board-001.png")}, "--png の画像と --json"},
        {{"--dxf", dir.File("pictures"), "--xlsx", dir.File("pictures/pattern-001.dxf")},
         "--dxf の図面と --xlsx"},
        {{"--dxf", dir.Path(), "--stats", dir.File("pattern-1234.dxf")}, "--dxf の図面と --stats"},
        {{"--dxf", dir.File("old.json"), "--json", dir.File("old.json")}, "--dxf の図面と --json"},
    };
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(pair.message);
        const Output out = run(pair.args);
        EXPECT_EQ(out.Status, kExitBadInput);
        EXPECT_NE(out.Err.find(pair.message), std::string::npos) << out.Err;
        EXPECT_EQ(ReadBytes(dir.File("old.json")), "old");
        EXPECT_FALSE(std::filesystem::exists(dir.File("new.json")));
    }
    expectInputsKept();
    // The job file a run reads is an input as well.
    const std::string job = dir.File("in.nestrix");
    ASSERT_EQ(run({"--save-job", job}).Status, 0);
    const std::string jobBytes = ReadBytes(job);
    for (const char* output : {"--save-job", "--stock-out", "--json"}) {
        SCOPED_TRACE(output);
        const Output out = Layout({"--job", job, output, dir.File("sub/../in.nestrix")});
        EXPECT_EQ(out.Status, kExitBadInput);
        EXPECT_NE(out.Err.find(std::string(output) + " と --job が同じファイルです"), std::string::npos)
            << out.Err;
        EXPECT_EQ(ReadBytes(job), jobBytes);
    }
    // A picture's name in the pictures' folder that leads to an input or another output.
    struct Link {
        const char* name;
        std::string target;
        bool hard;
        const char* message;
    };
    WriteBytes(dir.File("kept.json"), "kept");
    const Link links[] = {
        {"board-001.png", parts, false, "--png の画像と --parts"},
        {"boards.png", settings, false, "--png の画像と --settings"},
        {"board-012.png", secondary, true, "--png の画像と --secondary"},
        {"board-002.png", dir.File("kept.json"), false, "--png の画像と --json"},
        {"pattern-003.dxf", parts, false, "--dxf の図面と --parts"},
        {"pattern-001.dxf", dir.File("kept.json"), true, "--dxf の図面と --json"},
    };
    for (const Link& link : links) {
        SCOPED_TRACE(link.name);
        const std::string folder = dir.File(std::string("linked-") + link.name);
        std::filesystem::create_directory(folder);
        const std::string path = folder + "/" + link.name;
        if (link.hard) {
            std::filesystem::create_hard_link(link.target, path);
        } else {
            std::filesystem::create_symlink(link.target, path);
        }
        const bool drawing = std::string(link.name).rfind("pattern-", 0) == 0;
        const Output out = run({drawing ? "--dxf" : "--png", folder, "--json", dir.File("kept.json")});
        EXPECT_EQ(out.Status, kExitBadInput);
        EXPECT_NE(out.Err.find(link.message), std::string::npos) << out.Err;
        EXPECT_EQ(ReadBytes(dir.File("kept.json")), "kept");
        expectInputsKept();
    }
    // Pictures and drawings in one folder beside an input of another name, and /dev/null twice,
    // are fine.
    const Output fine =
        run({"--png", dir.Path(), "--dxf", dir.Path(), "--json", "/dev/null", "--unplaced", "/dev/null"});
    EXPECT_NE(fine.Status, kExitBadInput) << fine.Err;
    expectInputsKept();
}

// "-" puts the JSON alone on standard output; the summary moves to standard error.
TEST_F(LayoutCommandTest, WritesJsonToStandardOutput)
{
    const Output out = Layout({"--boards", boards, "--parts", parts, "--settings", settings, "--json", "-"});
    ASSERT_EQ(out.Status, 0) << out.Err;
    EXPECT_EQ(nlohmann::json::parse(out.Out)["format"], "nestrix-result");
    EXPECT_NE(out.Err.find("歩留まり  "), std::string::npos);
}

TEST_F(LayoutCommandTest, SettingsFileRules)
{
    std::filesystem::create_directory(dir.File("folder.ini"));
    struct Case {
        const char* name;
        std::string path;
        const char* contents;  // nullptr: leave the path as it is
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"a folder", dir.File("folder.ini"), nullptr, 2, "folder.ini cannot be read: is a folder"},
        {"missing", dir.File("none.ini"), nullptr, 2, "none.ini cannot be read: No such file or directory"},
        {"not a number", settings, "[SysPara]\r\nNokoHaba=abc\r\n", 0,
         "settings.ini: 2行目 NokoHaba=abc は数値ではありません。初期値 30 を使います。"},
        {"out of range", settings, "[SysPara]\r\nCutLV=9\r\n", 0,
         "settings.ini: 2行目 CutLV=9 は 0 から 3 の範囲にありません。初期値 3 を使います。"},
        {"cr-only line ends are read", settings, "[SysPara]\rNokoHaba=99999\rMaxCal=9\r", 0,
         "settings.ini: 3行目 MaxCal=9 は 0 から 4 の範囲にありません。初期値 2 を使います。"},
        {"a misspelt key", settings, "[SysPara]\r\nNokoHaba=30\r\nNokohabaa=40\r\n", 0,
         "settings.ini: 3行目 Nokohabaa という設定はありません。使われません。"},
        {"no section", settings, "NokoHaba=40\r\n", 0,
         "settings.ini: [SysPara] の節がありません。全ての設定に初期値を使います。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.contents != nullptr) {
            WriteBytes(c.path, c.contents);
        }
        const Output out = Layout({"--boards", boards, "--parts", parts, "--settings", c.path});
        EXPECT_EQ(out.Status, c.status);
        EXPECT_NE(out.Err.find(c.message), std::string::npos) << out.Err;
    }
}

TEST(LayoutOptions, EngineParametersStayApartAndBelongToTheirEngine)
{
    struct Case {
        const char* text;
        EngineVariant variant;  // when accepted
        const char* error;      // "" when accepted
    };
    const Case cases[] = {
        {"cal1:candidate=1,area=1", {1, 0, 0, 1, 1}, ""},
        {"cal1:second=1", {}, "cal1 does not use second"},
        {"cal1:order=1", {}, "cal1 does not use order"},
        {"cal2:order=2,level=2,area=1", {2, 2, 2, 1, 0}, ""},
        {"cal2:level=3", {}, "bad engine parameter: level=3 (0 to 2)"},
        {"cal2:second=1", {}, "cal2 does not use second"},
        {"cal3", {3, 0, 2, 0, 0}, ""},
        {"cal3:second=1,candidate=0", {}, "cal3 does not use candidate"},
        {"cal3:level=1", {}, "cal3 does not use level"},
        {"cal4:level=3,second=1,order=1", {4, 1, 3, 0, 1}, ""},
        {"cal4:order=3", {}, "bad engine parameter: order=3 (0 to 2)"},
        {"cal4:area=2", {}, "bad engine parameter: area=2 (0 to 1)"},
        {"cal4:order=1,order=2", {}, "engine parameter given twice: order"},
        {"cal4:order=", {}, "bad engine parameter: order= (0 to 2)"},
        {"cal4:depth=1", {}, "unknown engine parameter: depth"},
        {"cal5", {5, 0, 3, 0, 3}, ""},
        {"cal5:job=1,level=0,effort=5", {5, 1, 0, 0, 5}, ""},
        {"cal5:effort=6", {}, "bad engine parameter: effort=6 (0 to 5)"},
        {"cal5:order=1", {}, "cal5 does not use order"},
        {"cal6", {}, "unknown engine: cal6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EngineVariant variant;
        std::string error;
        const bool ok = ParseEngineOption(c.text, variant, error);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(ok, *c.error == '\0');
        if (ok) {
            EXPECT_EQ(variant, c.variant);
        }
    }
}

TEST(ExportOptions, TakeTheJobFileFirstAndOnlyTheOutputs)
{
    struct Case {
        std::vector<std::string> args;
        ParseResult result;
        const char* error;
    };
    const Case cases[] = {
        {{"j.nestrix", "--json", "-", "--png", "d", "--settings", "x.ini"}, ParseResult::Run, ""},
        {{"--help"}, ParseResult::Help, ""},
        {{}, ParseResult::Error, "the job file comes first"},
        {{"--json", "out.json"}, ParseResult::Error, "the job file comes first"},
        {{"j.nestrix", "--threads", "2"}, ParseResult::Error, "unknown option: --threads"},
        {{"j.nestrix", "--save-job", "k.nestrix"}, ParseResult::Error, "unknown option: --save-job"},
        {{"j.nestrix", "--search"}, ParseResult::Error, "unknown option: --search"},
        {{"j.nestrix", "--comment", "x"}, ParseResult::Error, "--comment goes with --cutdata"},
        {{"j.nestrix", "--pdf-cuts", "c.pdf", "--comment", "x"}, ParseResult::Error, "--comment goes with --cutdata"},
        {{"j.nestrix", "--pdf-cuts", "c.pdf", "--job-name", "x", "--due", "2026-12-24"}, ParseResult::Run, ""},
        {{"j.nestrix", "--cutdata", "c.csv", "--comment", "x"}, ParseResult::Run, ""},
        {{"j.nestrix", "--pdf-labels", "l.pdf", "--job-name", "x"}, ParseResult::Run, ""},
        {{"j.nestrix", "--pdf-labels", "l.pdf", "--due", "2026-12-24"},
         ParseResult::Error,
         "--due goes with --cutdata, --pdf-info, --pdf-cuts or --xlsx"},
        {{"j.nestrix", "--json", "r.json", "--job-name", "x"},
         ParseResult::Error,
         "--job-name goes with --cutdata, --pdf-info, --pdf-cuts, --pdf-labels or --xlsx"},
        {{"j.nestrix", "--xlsx", "r.xlsx", "--job-name", "x", "--due", "2026-12-24"}, ParseResult::Run, ""},
        {{"j.nestrix", "--dxf", "d", "--job-name", "x"},
         ParseResult::Error,
         "--job-name goes with --cutdata, --pdf-info, --pdf-cuts, --pdf-labels or --xlsx"},
        {{"j.nestrix", "--pdf-labels", "l.pdf", "--customer", "x"}, ParseResult::Run, ""},
        {{"j.nestrix", "--cutdata", "c.csv", "--customer", "x"},
         ParseResult::Error,
         "--customer goes with --pdf-info, --pdf-cuts, --pdf-labels or --xlsx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "" : c.args.front());
        LayoutOptions options;
        std::string error;
        EXPECT_EQ(ParseExportOptions(c.args, options, error), c.result);
        EXPECT_EQ(error, c.error);
        if (c.result == ParseResult::Run) {
            EXPECT_EQ(options.Job, "j.nestrix");
        }
    }
}

TEST(LayoutOptions, ParsesWithoutEndingTheProgram)
{
    const char* const kOffcutError = "--min-offcut takes WIDTHxLENGTH in mm (e.g. 300x300), or 0";
    struct Case {
        std::vector<std::string> args;
        ParseResult result;
        const char* error;
    };
    const Case cases[] = {
        {{"--help"}, ParseResult::Help, ""},
        {{"--boards", "b", "-h"}, ParseResult::Help, ""},
        {{"--boards", "b", "--parts", "p", "--threads", "16"}, ParseResult::Run, ""},
        {{"--boards", "b", "--parts", "p", "--threads", "17"},
         ParseResult::Error,
         "--threads takes a number from 1 to 16"},
        {{"--boards", "b"},
         ParseResult::Error,
         "--boards and --parts (or --parts-import) are required (or --job)"},
        {{"--job", "j.nestrix", "--json", "-"}, ParseResult::Run, ""},
        {{"--job", "j.nestrix", "--secondary", "s"},
         ParseResult::Error,
         "--job brings its own lists: no --boards, --parts, --secondary (or their -import) or --bands with "
         "it"},
        {{"--boards", "b", "--parts", "p", "--due", "2026-12-24"},
         ParseResult::Error,
         "--due goes with --cutdata, --save-job, --pdf-info, --pdf-cuts or --xlsx"},
        {{"--boards", "b", "--parts", "p", "--pdf-info", "i", "--due", "2026-12-24", "--job-name", "x"},
         ParseResult::Run,
         ""},
        {{"--boards", "b", "--parts", "p", "--save-job", "j", "--job-name", "x"}, ParseResult::Run, ""},
        {{"--boards", "b", "--parts", "p", "--save-job", "j", "--customer", "x"}, ParseResult::Run, ""},
        {{"--boards", "b", "--parts", "p", "--json", "j", "--customer", "x"},
         ParseResult::Error,
         "--customer goes with --save-job, --pdf-info, --pdf-cuts, --pdf-labels or --xlsx"},
        {{"--boards", "b", "--parts", "p", "--pdf-labels", "l", "--job-name", "x"}, ParseResult::Run, ""},
        {{"--boards", "b", "--parts", "p", "--pdf-labels", "l", "--comment", "x"},
         ParseResult::Error,
         "--comment goes with --cutdata or --save-job"},
        {{"--boards", "b", "--parts"}, ParseResult::Error, "missing value after --parts"},
        {{"--bords", "b"}, ParseResult::Error, "unknown option: --bords (did you mean --bands or --boards?)"},
        {{"--pdf", "b"},
         ParseResult::Error,
         "unknown option: --pdf (did you mean --dxf, --pdf-cuts, --pdf-info, --pdf-labels or --png?)"},
        {{"--colour", "red"}, ParseResult::Error, "unknown option: --colour"},
        {{"-j", "2"}, ParseResult::Error, "unknown option: -j"},
        {{"--boards", "b", "--parts", "p", "--json", "a", "--json", "b"},
         ParseResult::Error,
         "option given twice: --json"},
        {{"--boards", "b", "--parts", "p", "--search", "--search", "2"},
         ParseResult::Error,
         "option given twice: --search"},
        {{"--boards", "b", "--parts", "p", "--min-offcut", "300x300"}, ParseResult::Run, ""},
        {{"--boards", "b", "--parts", "p", "--min-offcut", "300.5X1,200"}, ParseResult::Run, ""},
        {{"--boards", "b", "--parts", "p", "--min-offcut", "0"}, ParseResult::Run, ""},
        {{"--boards", "b", "--parts", "p", "--min-offcut", "1e3x1"}, ParseResult::Error, kOffcutError},
        {{"--boards", "b", "--parts", "p", "--min-offcut", "abcx300"}, ParseResult::Error, kOffcutError},
        {{"--boards", "b", "--parts", "p", "--min-offcut", "３００x300"}, ParseResult::Error, kOffcutError},
        {{"--boards", "b", "--parts", "p", "--min-offcut", "300mmx300mm"}, ParseResult::Error, kOffcutError},
        {{"--boards", "b", "--parts", "p", "--min-offcut", "300x-1"}, ParseResult::Error, kOffcutError},
        {{"--boards", "b", "--parts", "p", "--search"}, ParseResult::Run, ""},
        {{"--boards", "b", "--search", "5", "--parts", "p"}, ParseResult::Run, ""},
        {{"--search", "--boards", "b", "--parts", "p"}, ParseResult::Run, ""},
        {{"--boards", "b", "--parts", "p", "--search", "6"},
         ParseResult::Error,
         "--search takes an effort from 1 to 5"},
        {{"--boards", "b", "--parts", "p", "--search", "x.csv"},
         ParseResult::Error,
         "--search takes an effort from 1 to 5"},
        {{"--boards", "b", "--parts", "p", "--time-limit", "2"}, ParseResult::Run, ""},
        {{"--boards", "b", "--parts", "p", "--time-limit", "0.1"}, ParseResult::Run, ""},
        {{"--boards", "b", "--parts", "p", "--time-limit", "86400"}, ParseResult::Run, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        LayoutOptions options;
        std::string error;
        EXPECT_EQ(ParseLayoutOptions(c.args, options, error), c.result);
        EXPECT_EQ(error, c.error);
    }
}
