#include <gtest/gtest.h>

#include <string>

#include "job/Dentaku.h"

namespace {

std::string Nested(int pairs)
{
    return std::string(pairs, '(') + "1" + std::string(pairs, ')');
}

}  // namespace

TEST(Dentaku, EvaluatesAndShowsTheResult)
{
    struct Case {
        std::string expression;
        const char* shown;
    };
    const Case cases[] = {
        {"1+2*3", "7"},
        {"8/2/2", "2"},
        {"1-2-3", "-4"},
        {"2*-3", "-6"},
        {"-3+5", "2"},
        {"5--3", "8"},
        {"(1+2)*3", "9"},
        {"2*(1+2)", "6"},
        {"-(2+3)*2", "-10"},
        {"1+2*3/4-1", "1.5"},
        {" 12 + 3 ", "15"},
        {"1.5*2", "3"},
        {".5+1.", "1.5"},
        {"0.1+0.2-0.3", "0"},
        {"0.0000000001", "0"},          // the whole expression drops the noise
        {"1/(0.0000000001)", "1E+10"},  // a bare number in parentheses keeps it
        {"1234567", "1.23457E+06"},
        {"2.5*4", "10"},
        {"1/3", "0.333333"},
        {"0.00001", "1E-05"},
        {Nested(10), "1"},
        {"900-2*(3+12.5)", "869"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        const DentakuResult result = EvaluateExpression(c.expression);
        ASSERT_EQ(result.Error, DentakuError::None);
        EXPECT_EQ(FormatDentaku(result.Value), c.shown);
    }
}

TEST(Dentaku, RefusesWithTheRightMessage)
{
    struct Case {
        std::string expression;
        const char* message;
    };
    const std::string tooLong = "1" + std::string(40, ' ') + "+" + std::string(39, ' ') + "1";  // 82 bytes
    const std::string longest = "1" + std::string(39, ' ') + "+" + std::string(38, ' ') + "1";  // 80 bytes
    ASSERT_EQ(longest.size(), 80u);
    EXPECT_EQ(EvaluateExpression(longest).Error, DentakuError::None);
    const Case cases[] = {
        {"1 2", "計算式が誤っています"},
        {"(1)2", "計算式が誤っています"},
        {"(1)(2)", "計算式が誤っています"},
        {"--3", "計算式が誤っています"},
        {"2*--3", "計算式が誤っています"},
        {"3+", "計算式が誤っています"},
        {"*3", "計算式が誤っています"},
        {"2(3)", "計算式が誤っています"},
        {"2 (3)", "計算式が誤っています"},
        {"1.2.3", "計算式が誤っています"},
        {"1 .5", "計算式が誤っています"},
        {".+1", "計算式が誤っています"},
        {"(1).5", "計算式が誤っています"},
        {"", "計算式が誤っています"},
        {"+-*/", "計算式が誤っています"},
        {"1+x", "計算式が誤っています"},
        {"１+1", "計算式が誤っています"},  // full-width digits are not the calculator's
        {tooLong, "計算式が誤っています"},
        {"()1", "計算式が誤っています"},
        {")1(", "計算式が誤っています"},
        {"(1", "カッコの数が異常です"},
        {"1)+(2", "カッコの数が異常です"},
        {Nested(11), "カッコが多すぎます"},
        {"1/0", "０で除算しました"},
        {"1/(2-2)", "０で除算しました"},
        {"1/(0.1+0.2-0.3)", "０で除算しました"},
        {"2+1/0*3", "０で除算しました"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        EXPECT_STREQ(DentakuMessage(EvaluateExpression(c.expression).Error), c.message);
    }
}

TEST(Dentaku, PlacesItselfAtItsFieldAndOnTheDesktop)
{
    struct Case {
        const char* what;
        DentakuRect field;
        DentakuRect desktop;
        DentakuPoint expected;
    };
    const DentakuRect desktop{0, 0, 1280, 800};
    // The calculator is 200 x 300; the field 100 x 20.
    const Case cases[] = {
        {"under the field", {300, 100, 100, 20}, desktop, {300, 120}},
        {"right edge: lined up with the field's right edge", {1150, 100, 100, 20}, desktop, {1050, 120}},
        {"bottom: above the field", {300, 600, 100, 20}, desktop, {300, 300}},
        {"bottom right corner", {1150, 600, 100, 20}, desktop, {1050, 300}},
        {"fits exactly under", {300, 480, 100, 20}, desktop, {300, 500}},
        {"field near the top of a low desktop", {300, 50, 100, 20}, {0, 0, 1280, 320}, {300, 0}},
        {"wider than the desktop: its left edge stays on it", {50, 100, 100, 20}, {0, 0, 180, 800}, {0, 120}},
        {"desktop not at the origin", {1300, 100, 100, 20}, {1280, 0, 1024, 768}, {1300, 120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PlaceDentaku(c.field, 200, 300, c.desktop), c.expected);
    }
}
