#include "base/CsvLine.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(SplitFields, KeepsEveryFieldUntrimmed)
{
    struct Case {
        const char* line;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"", {""}},
        {",", {"", ""}},
        {"a,,b,", {"a", "", "b", ""}},
        {" a , b ", {" a ", " b "}},
        {"部材,表,裏", {"部材", "表", "裏"}},
        {"\"a,b\",c", {"a,b", "c"}},
        {"x,\"say \"\"hi\"\"\"", {"x", "say \"hi\""}},
        {"\"\"", {""}},
        // Not quoted fields: text after the closing quote, or no closing quote.
        {"\"a\"b,c", {"\"a\"b", "c"}},
        {"\"abc,d", {"\"abc", "d"}},
        {"a\"b,c", {"a\"b", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(SplitFields(c.line), c.fields);
    }
}

TEST(QuoteField, QuotesOnlyCommasAndQuotes)
{
    struct Case {
        const char* field;
        const char* written;
    };
    for (const Case& c : {Case{"plain", "plain"},
                          {"", ""},
                          {"a,b", "\"a,b\""},
                          {"5\" panel", "\"5\"\" panel\""},
                          {"棚板（左）", "棚板（左）"}}) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(QuoteField(c.field), c.written);
        EXPECT_EQ(SplitFields(std::string("x,") + QuoteField(c.field) + ",y"),
                  (std::vector<std::string>{"x", c.field, "y"}));
    }
}

TEST(ToTenths, RoundsHalfUpAndTruncates)
{
    struct Case {
        const char* text;
        bool ok;
        std::int32_t tenths;
    };
    const Case cases[] = {
        {"0.04", true, 0},   {"0.05", true, 1},         {"12.34", true, 123},
        {"12mm", true, 120}, {"abc", true, 0},          {"", true, 0},
        {" 7", true, 70},    {"-0.04", true, 0},        {"-1.5", true, -14},
        {"1e2", true, 1000}, {"99999.9", true, 999999}, {"1e300", false, 0},
        {"nan", false, 0},   {"214748364.8", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::int32_t tenths = -777;
        EXPECT_EQ(ToTenths(c.text, tenths), c.ok);
        if (c.ok) {
            EXPECT_EQ(tenths, c.tenths);
        }
    }
}

TEST(ToInt, TakesTheLeadingNumber)
{
    struct Case {
        const char* text;
        bool ok;
        std::int32_t value;
    };
    for (const Case& c : {Case{"20", true, 20},
                          {"+3", true, 3},
                          {"-1", true, -1},
                          {"3枚", true, 3},
                          {"x", true, 0},
                          {"2147483647", true, 2147483647},
                          {"2147483648", false, 0},
                          {"-2147483649", false, 0}}) {
        SCOPED_TRACE(c.text);
        std::int32_t value = -777;
        EXPECT_EQ(ToInt(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

// A cell with a line break is cut in two by the line end: its line ends inside quotes.
TEST(EndsInsideQuotes, FindsAnOpenQuotedCell)
{
    for (const auto& [line, open] : std::vector<std::pair<std::string, bool>>{
             {"a,b,c", false},
             {"\"a,b\",c", false},
             {"x,\"two", true},
             {"x,\"say \"\"hi\"\"", true},
             {"x,\"closed\"\"\",y", false},
             {"5\" panel,y", false},  // a quote inside a field is text
             {"x,\"a\"b,\"c", true},
             {"x,\"a\"b,c", false},
             {"\"", true},
             {"", false},
         }) {
        SCOPED_TRACE(line);
        EXPECT_EQ(EndsInsideQuotes(line), open);
    }
}

// File fields are numbers as a whole or not at all.
TEST(ReadNumberFields, AcceptOnlyWholeNumbers)
{
    using R = NumberText;
    struct Case {
        const char* text;
        R tenths;
        std::int32_t tenthsValue;
        R integer;
        std::int32_t integerValue;
    };
    const Case cases[] = {
        {"12.34", R::Ok, 123, R::NotInteger, 0},
        {"0.05", R::Ok, 1, R::NotInteger, 0},
        {"", R::Ok, 0, R::Ok, 0},
        {"  7 ", R::Ok, 70, R::Ok, 7},
        {"+3", R::Ok, 30, R::Ok, 3},
        {"-1.5", R::Ok, -14, R::NotInteger, 0},
        {"4.", R::Ok, 40, R::Ok, 4},
        {".5", R::Ok, 5, R::NotInteger, 0},
        {"4.000", R::Ok, 40, R::Ok, 4},
        {"4,800", R::Ok, 48000, R::Ok, 4800},
        {"1,234,567", R::Ok, 12345670, R::Ok, 1234567},
        {"1,820.5", R::Ok, 18205, R::NotInteger, 0},
        {"12mm", R::NotNumber, 0, R::NotNumber, 0},
        {"3枚", R::NotNumber, 0, R::NotNumber, 0},
        {"1e6", R::NotNumber, 0, R::NotNumber, 0},
        {"0x2BC", R::NotNumber, 0, R::NotNumber, 0},
        {"700.0.5", R::NotNumber, 0, R::NotNumber, 0},
        {"1,80", R::NotNumber, 0, R::NotNumber, 0},
        {"1820,5", R::NotNumber, 0, R::NotNumber, 0},
        {",800", R::NotNumber, 0, R::NotNumber, 0},
        {"4,,800", R::NotNumber, 0, R::NotNumber, 0},
        {".", R::NotNumber, 0, R::NotNumber, 0},
        {"-", R::NotNumber, 0, R::NotNumber, 0},
        {"1 000", R::NotNumber, 0, R::NotNumber, 0},
        {"nan", R::NotFinite, 0, R::NotFinite, 0},
        {"-Infinity", R::NotFinite, 0, R::NotFinite, 0},
        {"214748364.8", R::TooLarge, 0, R::NotInteger, 0},
        {"2147483648", R::TooLarge, 0, R::TooLarge, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::int32_t tenths = -777;
        EXPECT_EQ(ReadTenths(c.text, tenths), c.tenths);
        if (c.tenths == R::Ok) {
            EXPECT_EQ(tenths, c.tenthsValue);
        }
        std::int32_t integer = -777;
        EXPECT_EQ(ReadInteger(c.text, integer), c.integer);
        if (c.integer == R::Ok) {
            EXPECT_EQ(integer, c.integerValue);
        }
    }
}

TEST(FormatTenths, MatchesOneDecimalPrintf)
{
    for (std::int32_t tenths : {0, 1, 9, 10, 123, -5, -123, 999999, 2147483647, -2147483647 - 1}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.1f", tenths / 10.0);
        EXPECT_EQ(FormatTenths(tenths), expected) << tenths;
    }
}
