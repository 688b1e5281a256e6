#include "result/Money.h"

#include <gtest/gtest.h>

TEST(Money, GroupsThousandsAndPadsLeft)
{
    struct Case {
        double value;
        int width;
        const char* text;
    };
    const Case cases[] = {
        {1234567, 9, "1,234,567"},
        {-500, 9, "     -500"},
        {0, 9, "        0"},
        {999, 3, "999"},
        {1000, 0, "1,000"},
        {123456789012.0, 9, "123,456,789,012"},  // longer than the width: kept whole
        {-1234, 3, "-1,234"},
        {1234.5, 0, "1,234"},  // printf rounding: half to even
        {1235.5, 0, "1,236"},
        {999.6, 0, "1,000"},
        {-0.4, 3, "  0"},
        {100000, 8, " 100,000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Money(c.value, c.width), c.text);
    }
}
