#include "base/Format.h"

#include <gtest/gtest.h>

#include <string>

// Texts of any length come out whole: no fixed buffer cuts them.
TEST(Format, GivesTheWholeTextWhateverItsLength)
{
    for (const std::size_t length : {0u, 1u, 255u, 256u, 511u, 512u, 4000u}) {
        SCOPED_TRACE(length);
        const std::string name(length, 'x');
        const std::string text = Format("%s「%s」%d", "部材", name.c_str(), 42);
        EXPECT_EQ(text, "部材「" + name + "」42");
    }
    EXPECT_EQ(Format("%7.1f", 1820.0), " 1820.0");
    EXPECT_EQ(Format("%s", ""), "");
}
