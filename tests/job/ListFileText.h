#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <sstream>
#include <string>

#include "base/Settings.h"
#include "base/TextFile.h"
#include "fakes/RecordingPrompt.h"

// Reads UTF-8 text into a parts or boards list as a file with CP932 bytes.
template <class List>
int ReadText(List& list, const std::string& text, RecordingPrompt& prompt, int oldBikou = 0)
{
    std::string bytes;
    EXPECT_TRUE(EncodeForDisk(text, bytes));
    std::istringstream in(bytes);
    Settings settings;
    settings.OldBikou = oldBikou;
    return list.Read(in, settings, prompt);
}

// A first line of the headerless format of earlier versions, and where its optional last field
// goes: the kind with OldBikou, else the remark.
struct HeaderlessCase {
    const char* line;
    int oldBikou;
    const char* kind;
    const char* remark;
};

// Reads each case's line, then `more`, into a new list: `records` records, the first with the
// case's kind and remark; `expect` checks the other fields.
template <class List, class Expect>
void ExpectHeaderless(std::initializer_list<HeaderlessCase> cases, const std::string& more,
                      std::size_t records, Expect expect)
{
    for (const HeaderlessCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.line << ", OldBikou " << c.oldBikou);
        RecordingPrompt prompt;
        List list;
        ASSERT_EQ(ReadText(list, std::string(c.line) + "\n" + more, prompt, c.oldBikou), 1);
        ASSERT_EQ(list.Items.size(), records);
        EXPECT_EQ(list.Items[0].Kind, c.kind);
        EXPECT_EQ(list.Items[0].Remark, c.remark);
        expect(list);
    }
}
