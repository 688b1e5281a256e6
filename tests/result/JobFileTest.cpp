#include "result/JobFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include "calc/CalcRun.h"
#include "calc/JobGenerator.h"
#include "calc/LayoutChecker.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingPrompt.h"
#include "result/ResultJson.h"

namespace {

using Json = nlohmann::ordered_json;

// The job with its result as the run leaves it (one engine variant, so that every kind is seen).
JobDocument Computed(const TestJob& job, const EngineVariant& variant, CalcRun::Outcome* outcome = nullptr)
{
    JobDocument doc;
    doc.Parts = job.Buzai;
    doc.Secondary = job.YBuzai;
    doc.Boards = job.Genban;
    doc.Run = job.Set;
    doc.Info = CutDataInfo{"台所 2 階", 2026, 12, 24, "急ぎ", "山田工務店"};
    CalcRun run(doc.Parts, doc.Secondary, doc.Boards, doc.Run, MakeEngine);
    run.RunOnly({variant});
    RecordingPrompt prompt;
    const CalcRun::Outcome end = run.RunToEnd(doc.Result, prompt, nullptr);
    if (outcome) {
        *outcome = end;
    }
    doc.HasResult = true;
    doc.Bind();
    PlanSawing(doc.Result, doc.Parts, doc.Secondary, doc.Boards, doc.Run.NokoHaba, MinOffcut(doc.Run));
    return doc;
}

TestJob SmallJob()
{
    TestJob job = TestJob().Board(1000, 500, 3, 0, 1200).Kerf(30).Parts(300, 200, 10).Parts(600, 450, 1);
    job.Secondary(100, 100, 40);
    job.Set.UseYBuzai = 1;
    return job;
}

std::string SmallJobText()
{
    return JobToJson(Computed(SmallJob(), EngineVariant{kStripEngine, 0, 0, 0, 0}));
}

// A sentinel document: a failed read must leave it as it was.
JobDocument Sentinel()
{
    JobDocument doc;
    doc.Info.JobName = "unchanged";
    doc.Parts.Items.resize(2);
    return doc;
}

void ExpectRefused(const std::string& text, const std::string& errorPart)
{
    JobDocument doc = Sentinel();
    std::string error;
    EXPECT_FALSE(JobFromJson(text, doc, error));
    EXPECT_NE(error.find(errorPart), std::string::npos) << "error: " << error;
    EXPECT_EQ(doc.Info.JobName, "unchanged");
    EXPECT_EQ(doc.Parts.Items.size(), 2u);
}

}  // namespace

TEST(JobFile, GeneratedJobsOfEveryEngineComeBackWithTheSameResult)
{
    const EngineVariant variants[] = {
        {kBlockEngine, 0, 0, 0, 1}, {kStripEngine, 1, 2, 0, 0}, {kStackEngine, 1, 2, 1, 1},
        {kRowEngine, 1, 3, 0, 1},   {kSearchEngine, 0, 3, 0, 1},
    };
    int withUnplaced = 0;
    int withSecondary = 0;
    for (const EngineVariant& variant : variants) {
        for (std::uint32_t seed = 1; seed <= 8; ++seed) {
            TestJob job = FewerParts(GenerateJob(seed));
            SCOPED_TRACE("engine " + std::to_string(variant.Kind) + ", " + DescribeJob(job));
            CalcRun::Outcome outcome;
            const JobDocument doc = Computed(job, variant, &outcome);
            ASSERT_NE(outcome, CalcRun::Outcome::Failed);
            withUnplaced += doc.Result.Unplaced.empty() ? 0 : 1;
            withSecondary += doc.Result.PlacedSecondary.empty() ? 0 : 1;
            const std::string text = JobToJson(doc);
            JobDocument read;
            std::string error;
            ASSERT_TRUE(JobFromJson(text, read, error)) << error;
            EXPECT_EQ(ResultToJson(read.Result), ResultToJson(doc.Result));
            EXPECT_EQ(read.Parts.ToText(), doc.Parts.ToText());
            EXPECT_EQ(read.Secondary.ToText(), doc.Secondary.ToText());
            EXPECT_EQ(read.Boards.ToText(), doc.Boards.ToText());
            EXPECT_EQ(JobToJson(read), text);
            EXPECT_EQ(read.Result.GenbanList, &read.Boards);
            // What was read is a result the checker accepts against the lists read.
            TestJob again = job;
            again.Buzai = read.Parts;
            again.YBuzai = read.Secondary;
            again.Genban = read.Boards;
            ExpectValidResult(read.Result, again);
        }
    }
    EXPECT_GT(withUnplaced, 0);
    EXPECT_GT(withSecondary, 0);
}

TEST(JobFile, KeepsTheInformationSettingsAndBoardSelection)
{
    TestJob job = SmallJob().Board(2000, 1000, 5);
    job.Genban.Items[1].Use = 0;
    job.Set.NokoHaba = 45;
    job.Set.CutLV = 2;
    job.Set.UseSearch = 1;
    job.Set.SearchEffort = 4;
    job.Set.NoRateFlg = 1;
    job.Set.BuzaiFol = "/not/a/calculation/setting";
    const JobDocument doc = Computed(job, EngineVariant{kStripEngine, 0, 0, 0, 0});
    JobDocument read;
    std::string error;
    ASSERT_TRUE(JobFromJson(JobToJson(doc), read, error)) << error;
    EXPECT_EQ(read.Info.JobName, "台所 2 階");
    EXPECT_EQ(read.Info.Comment, "急ぎ");
    EXPECT_EQ(read.Info.Customer, "山田工務店");
    EXPECT_EQ((std::vector<int>{read.Info.Year, read.Info.Month, read.Info.Day}), (std::vector<int>{2026, 12, 24}));
    EXPECT_EQ(read.Run.NokoHaba, 45);
    EXPECT_EQ(read.Run.CutLV, 2);
    EXPECT_EQ(read.Run.UseSearch, 1);
    EXPECT_EQ(read.Run.SearchEffort, 4);
    EXPECT_EQ(read.Run.NoRateFlg, 1);
    EXPECT_EQ(read.Run.BuzaiFol, "");
    EXPECT_EQ(read.Boards.Items[0].Use, 1);
    EXPECT_EQ(read.Boards.Items[1].Use, 0);
    EXPECT_EQ(read.Program, std::string("nestrix ") + NESTRIX_VERSION);
    EXPECT_EQ(read.Secondary.IsSecondary, 1);

    JobDocument withoutResult = doc;
    withoutResult.HasResult = false;
    withoutResult.Info.Year = 0;
    ASSERT_TRUE(JobFromJson(JobToJson(withoutResult), read, error)) << error;
    EXPECT_FALSE(read.HasResult);
    EXPECT_TRUE(read.Result.Layouts.empty());
    EXPECT_EQ(read.Info.Year, 0);

    // A job without a customer is written as before it had one, and reads back without one.
    withoutResult.Info.Customer.clear();
    const std::string plain = JobToJson(withoutResult);
    EXPECT_EQ(plain.find("customer"), std::string::npos);
    ASSERT_TRUE(JobFromJson(plain, read, error)) << error;
    EXPECT_EQ(read.Info.Customer, "");
    EXPECT_EQ(plain.find("edge_"), std::string::npos);  // no part has a band

    // The bands of a part, the ones it has.
    withoutResult.Parts.Items[0].EdgeTop = "A";
    withoutResult.Secondary.Items.push_back(withoutResult.Parts.Items[0]);
    withoutResult.Secondary.Items[0].EdgeTop.clear();
    withoutResult.Secondary.Items[0].EdgeRight = "木目";
    const std::string banded = JobToJson(withoutResult);
    ASSERT_TRUE(JobFromJson(banded, read, error)) << error;
    EXPECT_EQ(read.Parts.Items[0].EdgeTop, "A");
    EXPECT_EQ(read.Parts.Items[0].EdgeRight, "");
    EXPECT_EQ(read.Secondary.Items[0].EdgeRight, "木目");
    EXPECT_EQ(read.Secondary.Items[0].EdgeTop, "");
    EXPECT_EQ(JobToJson(read), banded);
}

TEST(JobFile, ATruncatedFileIsRefusedAtEveryTenthByte)
{
    const std::string text = SmallJobText();
    for (std::size_t size = 0; size + 1 < text.size(); size += 10) {
        SCOPED_TRACE(size);
        ExpectRefused(text.substr(0, size), size == 0 ? "途中で終わっています" : "");
    }
    ExpectRefused(text.substr(0, text.size() / 2), "途中で終わっています");
}

TEST(JobFile, EditedFilesAreRefusedWithWhatIsWrong)
{
    const Json good = Json::parse(SmallJobText());
    ASSERT_FALSE(good["result"]["layouts"].empty());
    struct Case {
        const char* Name;
        std::function<void(Json&)> Edit;
        const char* Error;
    };
    const Case cases[] = {
        {"not a job file", [](Json& j) { j = Json::object(); }, "物件ファイルではありません"},
        {"another format", [](Json& j) { j["format"] = "nestrix-result"; }, "物件ファイルではありません"},
        {"a future version", [](Json& j) { j["version"] = 2; }, "形式の版 2"},
        {"a version as text", [](Json& j) { j["version"] = "1"; }, "version: 整数ではありません"},
        {"a count as text", [](Json& j) { j["parts"][0]["count"] = "5"; }, "parts[0].count: 整数ではありません"},
        {"a fractional width", [](Json& j) { j["parts"][1]["width"] = 600.5; }, "parts[1].width: 整数ではありません"},
        {"a part without a name", [](Json& j) { j["parts"][0].erase("name"); }, "parts[0]: 「name」がありません"},
        {"a zero width", [](Json& j) { j["parts"][0]["width"] = 0; }, "parts[0]: 部材横 0.0 は"},
        {"a line break in a name", [](Json& j) { j["boards"][0]["name"] = "a\nb"; }, "boards[0]: 原板名に改行"},
        {"a use flag of 2", [](Json& j) { j["boards"][0]["use"] = 2; }, "use は 0 か 1"},
        {"no settings", [](Json& j) { j.erase("settings"); }, "「settings」がありません"},
        {"a machining method of 7", [](Json& j) { j["settings"]["CutLV"] = 7; }, "settings.CutLV"},
        {"a negative kerf", [](Json& j) { j["settings"]["NokoHaba"] = -1; }, "settings.NokoHaba"},
        {"a due date that does not exist", [](Json& j) { j["job"]["due"] = "2026-02-30"; }, "job.due"},
        {"a line break in the job name", [](Json& j) { j["job"]["name"] = "台所\n2 階"; },
         "job.name: 物件名に使用できない文字があります。"},
        {"a customer that is a number", [](Json& j) { j["job"]["customer"] = 5; },
         "job.customer: 文字列ではありません"},
        {"a line break in the customer", [](Json& j) { j["job"]["customer"] = "山田\n工務店"; },
         "job.customer: 得意先に使用できない文字があります。"},
        {"a comment of 257 characters", [](Json& j) { j["job"]["comment"] = std::string(257, 'a'); },
         "job.comment: コメントが長すぎます（256 文字まで）。"},
        {"a result that is a list", [](Json& j) { j["result"] = Json::array(); }, "result: オブジェクトでも null"},
        {"a piece larger than its board", [](Json& j) { j["parts"][1]["width"] = 9000; }, "外に出ています"},
        {"a block off the board", [](Json& j) { j["result"]["layouts"][0]["blocks"][0]["x"] = 990; },
         "外に出ています"},
        // A trim that takes in the first block by one, on each side.
        {"a block in the left trim",
         [](Json& j) {
             j["boards"][0]["trim_left"] = j["result"]["layouts"][0]["blocks"][0]["x"].get<int>() + 1;
         },
         "外に出ています"},
        {"a block in the top trim",
         [](Json& j) {
             j["boards"][0]["trim_top"] = j["result"]["layouts"][0]["blocks"][0]["y"].get<int>() + 1;
         },
         "外に出ています"},
        {"a block in the right trim",
         [](Json& j) {
             j["boards"][0]["trim_right"] = j["boards"][0]["width"].get<int>() -
                                            j["result"]["layouts"][0]["blocks"][0]["x"].get<int>() - 1;
         },
         "外に出ています"},
        {"a block in the bottom trim",
         [](Json& j) {
             j["boards"][0]["trim_bottom"] = j["boards"][0]["length"].get<int>() -
                                             j["result"]["layouts"][0]["blocks"][0]["y"].get<int>() - 1;
         },
         "外に出ています"},
        {"a part that is not in the list", [](Json& j) { j["result"]["layouts"][0]["blocks"][0]["part"] = 9; },
         "一覧にありません"},
        {"a board that is not in the list", [](Json& j) { j["result"]["layouts"][0]["board"] = 4; },
         "原板の一覧にありません"},
        {"a board not chosen", [](Json& j) { j["boards"][0]["use"] = 0; }, "計算に使う原板ではありません"},
        {"more sheets than in stock", [](Json& j) { j["boards"][0]["count"] = 1; }, "在庫 1 枚"},
        {"one more piece wanted", [](Json& j) { j["parts"][0]["count"] = 11; }, "数量 11 と合いません"},
        {"a summary that lies", [](Json& j) { j["result"]["layouts"][0]["summary"][0]["pieces"] = 99; },
         "集計"},
        {"a price that does not add up", [](Json& j) { j["result"]["total_price"] = 1; }, "合計"},
        {"a yield that does not add up", [](Json& j) { j["result"]["layouts"][0]["parts_yield"] = 0.99; }, "歩留まり"},
        {"used boards that do not add up",
         [](Json& j) { j["result"]["used_boards"][0]["sheets"] = j["result"]["used_boards"][0]["sheets"].get<int>() + 1; },
         "使用原板"},
        {"a negative area", [](Json& j) { j["result"]["parts_area"] = -1.0; }, "0 以上の有限の数値"},
        {"a huge repeat", [](Json& j) { j["result"]["layouts"][0]["repeat"] = 1e30; }, "整数ではありません"},
        {"a count over 32 bits", [](Json& j) { j["parts"][0]["count"] = 4294967296LL; }, "範囲にありません"},
        {"a total of 2^63", [](Json& j) { j["result"]["total_price"] = 9223372036854775808ULL; },
         "result.total_price: 9223372036854775808 は 0 から 9223372036854775807 の範囲にありません"},
        {"a total of 2^64 - 1", [](Json& j) { j["result"]["total_price"] = 18446744073709551615ULL; },
         "18446744073709551615 は 0 から"},
        {"stopped early as a number", [](Json& j) { j["result"]["stopped_early"] = 1; }, "result.stopped_early"},
        {"groups as an object", [](Json& j) { j["result"]["groups"] = Json::object(); }, "result.groups: 配列ではありません"},
        {"more jobs ended than a group has",
         [](Json& j) {
             j["result"]["groups"] = Json::parse(R"([{"kind": "MDF", "thickness": 180, "jobs_ended": 83,
                 "jobs_total": 82, "stopped_early": false, "waited_past_limit": false}])");
         },
         "result.groups[0].jobs_ended: 83 は 0 から 82 の範囲にありません"},
        {"a group's waiting as a number",
         [](Json& j) {
             j["result"]["groups"] = Json::parse(R"([{"kind": "MDF", "thickness": 180, "jobs_ended": 1,
                 "jobs_total": 82, "stopped_early": true, "waited_past_limit": 1}])");
         },
         "result.groups[0].waited_past_limit"},
        // Results that add up but cannot be cut.
        {"a block moved onto another",
         [](Json& j) {
             Json& blocks = j["result"]["layouts"][0]["blocks"];
             blocks[1]["x"] = blocks[0]["x"];
             blocks[1]["y"] = blocks[0]["y"];
         },
         "配置が切断できません"},
        {"a turned piece of a part that may not turn",
         [](Json& j) {
             for (Json& layout : j["result"]["layouts"]) {
                 for (Json& block : layout["blocks"]) {
                     if (block["list"] == 1) {  // 100 x 100: turned it takes the same room
                         block["rotated"] = 1;
                         j["secondary_parts"][block["part"].get<std::size_t>()]["no_turn"] = 1;
                         return;
                     }
                 }
             }
             FAIL() << "no secondary piece";
         },
         "横置きしない部材ですが、回転"},
        {"a part over the cutting limit", [](Json& j) { j["settings"]["MaxCutSize"] = 500; }, "切断限界を超えて"},
        {"secondary parts where none were in use", [](Json& j) { j["settings"]["UseYBuzai"] = 0; },
         "２次部材を使わない計算"},
        {"a thickness that is not the board's", [](Json& j) { j["parts"][0]["thickness"] = 120; }, "種類・厚さ"},
        {"a cut line through a piece",
         [](Json& j) {
             Json& layout = j["result"]["layouts"][0];
             const int x = layout["blocks"][0]["x"].get<int>() + 10;
             layout["cuts"][0] = Json{{"x0", x}, {"y0", 0}, {"x1", x}, {"y1", 500}};
         },
         "切断線が部材を横切って"},
        {"a slanted cut line",
         [](Json& j) { j["result"]["layouts"][0]["cuts"][0] = Json{{"x0", 0}, {"y0", 0}, {"x1", 3}, {"y1", 500}}; },
         "まっすぐではありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Json edited = good;
        c.Edit(edited);
        ExpectRefused(edited.dump(1), c.Error);
    }
    JobDocument doc;
    std::string error;
    EXPECT_TRUE(JobFromJson(good.dump(), doc, error)) << error;
}

// Nesting far deeper than a job file has is refused before a tree is built (a tree that deep
// overflowed the stack); brackets inside texts do not count.
TEST(JobFile, RefusesNestingDeeperThanAJobFileHas)
{
    const std::string deep = "{\"format\": " + std::string(100000, '[') + std::string(100000, ']') + "}";
    ExpectRefused(deep, "43 バイト目で配列とオブジェクトの入れ子が深すぎます（32 段まで）");
    const std::string just = "{\"a\": " + std::string(31, '[') + std::string(31, ']') + "}";
    ExpectRefused(just, "物件ファイルではありません");
    Json good = Json::parse(SmallJobText());
    good["parts"][0]["name"] = std::string(40, '[') + "\"{";
    JobDocument doc;
    std::string error;
    EXPECT_TRUE(JobFromJson(good.dump(), doc, error)) << error;
}

TEST(JobFile, KeepsThatAResultWasTakenEarly)
{
    const std::vector<RET_GROUP> groups = {{"MDF", 180, 82, 82, false, false},
                                           {"合板 \"特\"\\", 120, 1, 82, true, true}};
    for (const bool early : {false, true}) {
        JobDocument doc = Computed(SmallJob(), EngineVariant{kStripEngine, 0, 0, 0, 0});
        doc.Result.StoppedEarly = early;
        doc.Result.Groups = early ? groups : std::vector<RET_GROUP>{};
        const std::string text = JobToJson(doc);
        EXPECT_EQ(text.find("\"stopped_early\": true") != std::string::npos, early);
        EXPECT_EQ(text.find("\"groups\"") != std::string::npos, early);
        JobDocument read;
        std::string error;
        ASSERT_TRUE(JobFromJson(text, read, error)) << error;
        EXPECT_EQ(read.Result.StoppedEarly, early);
        EXPECT_EQ(read.Result.Groups, doc.Result.Groups);
    }
}

TEST(JobFile, IsWrittenThroughTheSafeWriter)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("jobfile-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const JobDocument doc = Computed(SmallJob(), EngineVariant{kStripEngine, 0, 0, 0, 0});
    const std::string target = (folder / "real.nestrix").string();
    const std::string link = (folder / "link.nestrix").string();
    std::ofstream(target) << "old";
    std::filesystem::create_symlink("real.nestrix", link);
    ASSERT_TRUE(WriteJobFile(link, doc).Ok());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    JobDocument read;
    std::string error;
    ASSERT_TRUE(ReadJobFile(target, read, error)) << error;
    EXPECT_EQ(ResultToJson(read.Result), ResultToJson(doc.Result));

    ::chmod(target.c_str(), 0444);
    if (::access(target.c_str(), W_OK) != 0) {  // root may write anyway
        EXPECT_EQ(WriteJobFile(target, Sentinel()).Status, WriteStatus::ReadOnly);
        ASSERT_TRUE(ReadJobFile(target, read, error)) << error;
    }
    EXPECT_EQ(WriteJobFile("/dev/full", doc).Status, WriteStatus::Failed);
    EXPECT_FALSE(ReadJobFile((folder / "missing.nestrix").string(), read, error));
    EXPECT_EQ(error, "ファイルがありません");
    EXPECT_FALSE(ReadJobFile(folder.string(), read, error));
    EXPECT_EQ(error, "フォルダです");
    std::filesystem::remove_all(folder);
}

// The job file holds the result as the value the result text reads back as: the same numbers
// (whole-number doubles as integers), texts and order, for engine results and for doubles at
// the edges of "%.17g".
TEST(JobFile, HoldsTheResultAsItsTextReadsBack)
{
    std::vector<JobDocument> docs;
    for (const EngineVariant& variant :
         {EngineVariant{kBlockEngine, 0, 0, 0, 1}, EngineVariant{kStackEngine, 1, 2, 1, 1}}) {
        for (std::uint32_t seed = 1; seed <= 4; ++seed) {
            docs.push_back(Computed(FewerParts(GenerateJob(seed)), variant));
        }
    }
    JobDocument edges = Computed(SmallJob(), EngineVariant{kStripEngine, 0, 0, 0, 0});
    const double values[] = {0.0, 2.5, 1e20, 123456.0, 1.0 / 3.0, 99999999999999999.0, 4.9e-324};
    edges.Result.PartsArea = values[0];
    edges.Result.TotalArea = values[1];
    edges.Result.BoardArea = values[2];
    edges.Result.PartsPrice = values[3];
    edges.Result.TotalPiecesPrice = values[4];
    edges.Result.Layouts.at(0).PartsYield = values[5];
    edges.Result.Layouts.at(0).TotalYield = values[6];
    edges.Result.StoppedEarly = true;
    edges.Result.Groups = {{"合板 \"特\"\\", 120, 1, 82, true, false}};
    docs.push_back(edges);
    for (const JobDocument& doc : docs) {
        SCOPED_TRACE(ResultToJson(doc.Result));
        const ResultSawing* sawing = &doc.Result.Sawing.Plans;
        EXPECT_EQ(ResultJsonValue(doc.Result, sawing).dump(1),
                  Json::parse(ResultToJson(doc.Result, sawing)).dump(1));
        EXPECT_EQ(ResultJsonValue(doc.Result, nullptr).dump(1),
                  Json::parse(ResultToJson(doc.Result)).dump(1));
    }
}
