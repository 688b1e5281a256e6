#include <gtest/gtest.h>

#include <string>

#include "fakes/RecordingPrompt.h"
#include "job/FieldCheck.h"
#include "job/JobInput.h"

TEST(FieldCheck, ReadsTheLeadingNumberAsTheFilesDo)
{
    struct Case {
        const char* text;
        bool integer;
        const char* message;  // "" accepted
        double value;
    };
    const NumberRule length{false, 0.1, 99999.9, "0.1", "99999.9"};
    const NumberRule count{true, 1, 999999, "1", "999999"};
    const Case cases[] = {
        {"12", false, "", 12.0},
        {"12mm", false, "", 12.0},
        {" 12.34", false, "", 12.34},
        {"+.5", false, "", 0.5},
        {"5.", false, "", 5.0},
        {"1.23457E+03", false, "", 1234.57},  // the calculator's "%G"
        {"12e", false, "", 12.0},
        {"0.1", false, "", 0.1},
        {"99999.9", false, "", 99999.9},
        {"", false, "数値を入力してください。", 0},
        {"mm12", false, "数値を入力してください。", 0},
        {".", false, "数値を入力してください。", 0},
        {"-", false, "数値を入力してください。", 0},
        {"１２", false, "数値を入力してください。", 0},  // full-width digits are no number
        {"0", false, "0.1 から 99999.9 までの数値を入力してください。", 0},
        {"0.09", false, "0.1 から 99999.9 までの数値を入力してください。", 0},
        {"100000", false, "0.1 から 99999.9 までの数値を入力してください。", 0},
        {"-1", false, "0.1 から 99999.9 までの数値を入力してください。", 0},
        {"1e999", false, "0.1 から 99999.9 までの数値を入力してください。", 0},
        {"3", true, "", 3},
        {"3枚", true, "", 3},
        {"12.0", true, "", 12},
        {"1E+05", true, "", 100000},
        {"999999", true, "", 999999},
        {"2.5", true, "整数を入力してください。", 0},
        {"abc", true, "整数を入力してください。", 0},
        {"", true, "整数を入力してください。", 0},
        {"0", true, "1 から 999999 までの整数を入力してください。", 0},
        {"1E+06", true, "1 から 999999 までの整数を入力してください。", 0},  // not 1
        {"99999999999999999999", true, "1 から 999999 までの整数を入力してください。", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        double value = -1;
        EXPECT_EQ(CheckNumber(c.integer ? count : length, c.text, value), c.message);
        if (*c.message == '\0') {
            EXPECT_DOUBLE_EQ(value, c.value);
        }
    }
    // Too small to hold is 0, not beyond every range.
    double value = -1;
    EXPECT_EQ(CheckNumber({false, 0.0, 9999.9, "0", "9999.9"}, "1e-999", value), "");
    EXPECT_EQ(value, 0.0);
}

TEST(FieldCheck, ShowsAndStoresLengthsInTenths)
{
    struct Case {
        double millimetres;
        std::int32_t tenths;
        const char* shown;
    };
    for (const Case& c : {Case{200.0, 2000, "200"},
                          {12.34, 123, "12.3"},
                          {0.05, 1, "0.1"},
                          {0.0, 0, "0"},
                          {99999.9, 999999, "99999.9"},
                          {1820.06, 18201, "1820.1"}}) {
        SCOPED_TRACE(c.millimetres);
        EXPECT_EQ(MillimetresToTenths(c.millimetres), c.tenths);
        EXPECT_EQ(TenthsToFieldText(c.tenths), c.shown);
    }
}

namespace {

BuzaiInput GoodPart()
{
    BuzaiInput input;
    input.Name = "側板";
    input.Kind = "合板";
    input.Width = "600";
    input.Height = "450.5";
    input.Thickness = "18";
    input.Count = "2";
    input.NoTurn = true;
    input.Remark = "木目縦";
    return input;
}

}  // namespace

TEST(BuzaiInput, ChecksInOrderAndStopsAtTheFirstRefusal)
{
    struct Case {
        const char* what;
        void (*spoil)(BuzaiInput&);
        BuzaiField field;
        const char* message;
    };
    const Case cases[] = {
        {"all good", [](BuzaiInput&) {}, BuzaiField::None, nullptr},
        {"width 0", [](BuzaiInput& i) { i.Width = "0"; }, BuzaiField::Width,
         "0.1 から 99999.9 までの数値を入力してください。"},
        {"height and count bad: height first",
         [](BuzaiInput& i) {
             i.Height = "x";
             i.Count = "0";
         },
         BuzaiField::Height, "数値を入力してください。"},
        {"thickness 10000", [](BuzaiInput& i) { i.Thickness = "10000"; }, BuzaiField::Thickness,
         "0 から 9999.9 までの数値を入力してください。"},
        {"count 10000", [](BuzaiInput& i) { i.Count = "10000"; }, BuzaiField::Count,
         "1 から 9999 までの整数を入力してください。"},
        {"count and name bad: the count first",
         [](BuzaiInput& i) {
             i.Count = "";
             i.Name = "😀";
         },
         BuzaiField::Count, "整数を入力してください。"},
        {"a name the files cannot hold", [](BuzaiInput& i) { i.Name = "板😀"; }, BuzaiField::Name,
         "「部材名」にファイルへ保存できない文字が含まれています。\n別の文字に置き換えてください。"},
        {"a kind the files cannot hold", [](BuzaiInput& i) { i.Kind = "é"; }, BuzaiField::Kind,
         "「種類」にファイルへ保存できない文字が含まれています。\n別の文字に置き換えてください。"},
        {"a remark the files cannot hold", [](BuzaiInput& i) { i.Remark = "\xff"; }, BuzaiField::Remark,
         "「備考」にファイルへ保存できない文字が含まれています。\n別の文字に置き換えてください。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BuzaiInput input = GoodPart();
        c.spoil(input);
        CBuzai part;
        part.Index = 7;
        const CBuzai before = part;
        RecordingPrompt prompt;
        EXPECT_EQ(input.Apply(part, prompt), c.field);
        if (c.message == nullptr) {
            EXPECT_TRUE(prompt.Shown.empty());
            continue;
        }
        EXPECT_EQ(prompt.Shown, std::vector<std::string>{c.message});
        EXPECT_EQ(part.Width, before.Width);  // nothing stored
        EXPECT_EQ(part.Name, before.Name);
    }
}

TEST(BuzaiInput, StoresTheRoundedValues)
{
    CBuzai part;
    part.Index = 7;
    RecordingPrompt prompt;
    BuzaiInput input = GoodPart();
    input.Width = "12.34mm";
    ASSERT_EQ(input.Apply(part, prompt), BuzaiField::None);
    EXPECT_EQ(part.Name, "側板");
    EXPECT_EQ(part.Kind, "合板");
    EXPECT_EQ(part.Width, 123);
    EXPECT_EQ(part.Height, 4505);
    EXPECT_EQ(part.Thickness, 180);
    EXPECT_EQ(part.Count, 2);
    EXPECT_EQ(part.NoTurn, 1);
    EXPECT_EQ(part.Remark, "木目縦");
    EXPECT_EQ(part.Index, 7);
    // And back into the dialog as it shows them.
    const BuzaiInput shown = BuzaiInput::From(part);
    EXPECT_EQ(shown.Width, "12.3");
    EXPECT_EQ(shown.Height, "450.5");
    EXPECT_EQ(shown.Count, "2");
    EXPECT_TRUE(shown.NoTurn);
}

TEST(GenbanInput, ChecksEveryFieldInTheDialogsOrder)
{
    struct Case {
        const char* what;
        void (*spoil)(GenbanInput&);
        GenbanField field;
        const char* message;
    };
    const Case cases[] = {
        {"a name the files cannot hold first",
         [](GenbanInput& i) {
             i.Name = "😀";
             i.Width = "0";
         },
         GenbanField::Name,
         "「原板名」にファイルへ保存できない文字が含まれています。\n別の文字に置き換えてください。"},
        {"price 1000000", [](GenbanInput& i) { i.Price = "1000000"; }, GenbanField::Price,
         "0 から 999999 までの整数を入力してください。"},
        {"price and count bad: price first",
         [](GenbanInput& i) {
             i.Price = "-1";
             i.Count = "0";
         },
         GenbanField::Price, "0 から 999999 までの整数を入力してください。"},
        {"count 0", [](GenbanInput& i) { i.Count = "0"; }, GenbanField::Count,
         "1 から 999999 までの整数を入力してください。"},
        {"bottom trim 10000", [](GenbanInput& i) { i.Trims[1] = "10000"; }, GenbanField::TrimBottom,
         "0 から 9999.9 までの数値を入力してください。"},
        {"right trim text", [](GenbanInput& i) { i.Trims[3] = "右"; }, GenbanField::TrimRight,
         "数値を入力してください。"},
        {"remark after the trims",
         [](GenbanInput& i) {
             i.Remark = "😀";
             i.Kind = "é";
         },
         GenbanField::Kind,
         "「種類」にファイルへ保存できない文字が含まれています。\n別の文字に置き換えてください。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GenbanInput input = GenbanInput::From(CGenban{});
        c.spoil(input);
        CGenban board;
        RecordingPrompt prompt;
        EXPECT_EQ(input.Apply(board, prompt), c.field);
        EXPECT_EQ(prompt.Shown, std::vector<std::string>{c.message});
    }
}

TEST(GenbanInput, AcceptsTheLargestCountAndStoresEveryField)
{
    GenbanInput input = GenbanInput::From(CGenban{});
    EXPECT_EQ(input.Width, "1800");
    EXPECT_EQ(input.Count, "9999");
    input.Name = "サブロク";
    input.Count = "999999";
    input.Price = "0";
    input.Trims = {"1", "2.5", "0", "9999.9"};
    input.Priority = 2;
    CGenban board;
    RecordingPrompt prompt;
    ASSERT_EQ(input.Apply(board, prompt), GenbanField::None);
    EXPECT_EQ(board.Name, "サブロク");
    EXPECT_EQ(board.Count, 999999);
    EXPECT_EQ(board.Price, 0);
    EXPECT_EQ(board.Width, 18000);
    EXPECT_EQ(board.TrimTop, 10);
    EXPECT_EQ(board.TrimBottom, 25);
    EXPECT_EQ(board.TrimLeft, 0);
    EXPECT_EQ(board.TrimRight, 99999);
    EXPECT_EQ(board.Priority, 2);
}
