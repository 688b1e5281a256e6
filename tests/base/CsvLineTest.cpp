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

TEST(FormatTenths, MatchesOneDecimalPrintf)
{
    for (std::int32_t tenths : {0, 1, 9, 10, 123, -5, -123, 999999, 2147483647, -2147483647 - 1}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.1f", tenths / 10.0);
        EXPECT_EQ(FormatTenths(tenths), expected) << tenths;
    }
}
