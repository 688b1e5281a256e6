#include "calc/SelGenbanForm.h"

#include <gtest/gtest.h>

#include "base/Settings.h"
#include "fakes/RecordingPrompt.h"
#include "job/Genban.h"

namespace {

// Four boards: widths 1820, 2430, 1820, 910; boards 0 and 3 marked for use.
CGenbanList FourBoards()
{
    CGenbanList list;
    const std::int32_t widths[] = {18200, 24300, 18200, 9100};
    const char* names[] = {"あ合板", "Ａ合板", "Ｂ合板", "ア合板"};
    for (int i = 0; i < 4; ++i) {
        CGenban board;
        board.Width = widths[i];
        board.Name = names[i];
        board.Index = i;
        board.Use = i == 0 || i == 3;
        list.Items.push_back(board);
    }
    return list;
}

std::vector<std::int32_t> RowBoards(const SelGenbanForm& form)
{
    std::vector<std::int32_t> boards;
    for (std::size_t row = 0; row < form.RowCount(); ++row) {
        boards.push_back(form.RowBoard(row).Index);
    }
    return boards;
}

std::vector<int> UseFlags(const CGenbanList& list)
{
    std::vector<int> flags;
    for (const CGenban& board : list.Items) {
        flags.push_back(board.Use);
    }
    return flags;
}

}  // namespace

TEST(SelGenbanForm, HeaderClicksSortFirstDescendingThenAscendingKeepingTiesAndSelection)
{
    CGenbanList list = FourBoards();
    SelGenbanForm form(list, Settings{});
    EXPECT_EQ(RowBoards(form), (std::vector<std::int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(form.SelectedRows(), (std::vector<std::size_t>{0, 3}));

    struct Step {
        int column;
        std::vector<std::int32_t> boards;  // row order afterwards
        std::vector<std::size_t> selected;
    };
    const Step steps[] = {
        {4, {1, 0, 2, 3}, {1, 3}},  // 横幅 descending; the two 1820 boards keep their order
        {4, {3, 0, 2, 1}, {0, 1}},  // ascending
        {0, {3, 2, 1, 0}, {0, 3}},  // No. starts ascending, so its first click is descending too
        {1, {3, 0, 2, 1}, {0, 1}},  // names by CP932 bytes: ア 8341, あ 82A0, Ｂ 8261, Ａ 8260
        {1, {1, 2, 0, 3}, {2, 3}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.column);
        form.SortByColumn(step.column, form.SelectedRows());
        EXPECT_EQ(RowBoards(form), step.boards);
        EXPECT_EQ(form.SelectedRows(), step.selected);
    }
}

TEST(SelGenbanForm, AHeaderClickTakesTheSelectionShownIntoTheBoards)
{
    CGenbanList list = FourBoards();
    SelGenbanForm form(list, Settings{});
    form.SortByColumn(4, {0, 2});  // the user picked rows 0 and 2 (boards 0 and 2) before clicking
    EXPECT_EQ(UseFlags(list), (std::vector<int>{1, 0, 1, 0}));
    EXPECT_EQ(form.SelectedRows(), (std::vector<std::size_t>{1, 2}));  // widest first: board 1 on top
    form.SelectAll();
    EXPECT_EQ(UseFlags(list), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(form.SelectedRows(), (std::vector<std::size_t>{0, 1, 2, 3}));
}

TEST(SelGenbanForm, EnableRules)
{
    CGenbanList list = FourBoards();
    SelGenbanForm form(list, Settings{});
    for (const int useYBuzai : {0, 1}) {
        form.UseYBuzai = useYBuzai;
        EXPECT_EQ(form.FewerOffcutsEnabled(), useYBuzai == 0);
    }
    for (const int method : {0, 1, 2, 3}) {
        form.CutLV = method;
        EXPECT_EQ(form.MixedBlocksEnabled(), method == 3) << method;
    }
}

TEST(SelGenbanForm, RunChecksSelectionThenKerfThenCuttingLimit)
{
    struct Case {
        std::vector<std::size_t> rows;
        const char* kerf;
        const char* limit;
        SelGenbanForm::Field field;
        const char* message;
    };
    const Case cases[] = {
        {{}, "x", "0", SelGenbanForm::Field::Boards, "利用する原板が選択されていません"},
        {{1}, "x", "0", SelGenbanForm::Field::NokoHaba, "数値を入力してください。"},
        {{1}, "10000", "0", SelGenbanForm::Field::NokoHaba, "0 から 9999.9 までの数値を入力してください。"},
        {{1}, "-0.1", "5", SelGenbanForm::Field::NokoHaba, "0 から 9999.9 までの数値を入力してください。"},
        {{1}, "0", "0", SelGenbanForm::Field::MaxCutSize, "0.1 から 99999.9 までの数値を入力してください。"},
        {{1},
         "0",
         "100000",
         SelGenbanForm::Field::MaxCutSize,
         "0.1 から 99999.9 までの数値を入力してください。"},
        {{1}, "", "5", SelGenbanForm::Field::NokoHaba, "数値を入力してください。"},
        {{1, 2}, "9999.9", "0.1", SelGenbanForm::Field::None, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kerf) + " / " + c.limit);
        CGenbanList list = FourBoards();
        SelGenbanForm form(list, Settings{});
        form.NokoHabaText = c.kerf;
        form.MaxCutSizeText = c.limit;
        RecordingPrompt prompt;
        EXPECT_EQ(form.Accept(c.rows, prompt), c.field);
        EXPECT_EQ(prompt.Shown,
                  *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        // The selection reaches the boards whatever the checks say.
        std::vector<int> use(4, 0);
        for (const std::size_t row : c.rows) {
            use[row] = 1;
        }
        EXPECT_EQ(UseFlags(list), use);
    }
}

TEST(SelGenbanForm, OptionsComeFromTheSettingsAndGoBackInTenths)
{
    Settings settings;
    settings.UseYBuzai = 1;
    settings.NoRateFlg = 1;
    settings.NokoHaba = 45;
    settings.CutLV = 1;
    settings.UseCal4 = 0;
    settings.UseSearch = 1;
    settings.MaxCutSize = 999999;
    CGenbanList list = FourBoards();
    SelGenbanForm form(list, settings);
    EXPECT_EQ(form.UseSearch, 1);
    EXPECT_EQ(form.UseYBuzai, 1);
    EXPECT_EQ(form.NoRateFlg, 1);
    EXPECT_EQ(form.NokoHabaText, "4.5");
    EXPECT_EQ(form.CutLV, 1);
    EXPECT_EQ(form.UseCal4, 0);
    EXPECT_EQ(form.MaxCutSizeText, "99999.9");

    struct Case {
        const char* kerf;
        const char* limit;
        std::int32_t noko;
        std::int32_t maxCut;
    };
    for (const Case& c :
         {Case{"3.25", "2400", 33, 24000}, {"0.04", "0.1", 0, 1}, {"12mm", "1820.05", 120, 18201}}) {
        SCOPED_TRACE(c.kerf);
        form.NokoHabaText = c.kerf;
        form.MaxCutSizeText = c.limit;
        form.UseMenCal = 0;
        form.UseSearch = 0;
        form.CutLV = 3;
        RecordingPrompt prompt;
        ASSERT_EQ(form.Accept({0}, prompt), SelGenbanForm::Field::None);
        Settings stored;
        form.StoreInto(stored);
        EXPECT_EQ(stored.NokoHaba, c.noko);
        EXPECT_EQ(stored.MaxCutSize, c.maxCut);
        EXPECT_EQ(stored.UseYBuzai, 1);
        EXPECT_EQ(stored.UseMenCal, 0);
        EXPECT_EQ(stored.UseSearch, 0);
        EXPECT_EQ(stored.CutLV, 3);
    }
}
