#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "base/Settings.h"
#include "base/TextCodec.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/TempDir.h"
#include "job/ListEditor.h"
#include "job/NamedLists.h"

namespace {

template <class List>
bool IndexesArePositions(const List& list)
{
    for (std::size_t i = 0; i < list.Items.size(); ++i) {
        if (list.Items[i].Index != static_cast<std::int32_t>(i)) {
            return false;
        }
    }
    return true;
}

// The input dialog: each run takes the next name; "" is Cancel. The width it saw is kept, to
// see what the dialog was prefilled with.
struct ScriptedInput {
    std::deque<std::string> Names;
    std::vector<std::int32_t> PrefilledWidths;

    template <class Record>
    bool operator()(Record& record)
    {
        PrefilledWidths.push_back(record.Width);
        const std::string name = Names.empty() ? "" : Names.front();
        if (!Names.empty()) {
            Names.pop_front();
        }
        if (name.empty()) {
            return false;
        }
        record.Name = name;
        record.Width += 10;
        return true;
    }
};

template <class List>
struct Fixture {
    List list;
    Settings settings;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    ScriptedInput input;
    ListEditor<List> editor{list, settings, prompt, chooser, [this](auto& r) { return input(r); }};

    explicit Fixture(List start) : list(std::move(start))
    {
        editor.Select(static_cast<int>(list.Items.size()));
    }

    // After 読み込み or 追加読み込み: the records by name, the saved mark and the change; the empty
    // last row selected and every record numbered by its position.
    void ExpectLoaded(const char* names, int savedAfter, int changed)
    {
        EXPECT_EQ(Names(list), names);
        EXPECT_EQ(list.Saved, savedAfter);
        EXPECT_EQ(editor.Changed(), changed);
        EXPECT_EQ(editor.Selected(), static_cast<int>(list.Items.size()));
        EXPECT_TRUE(IndexesArePositions(list));
    }
};

}  // namespace

TEST(ListEditor, OpensOnTheEmptyLastRow)
{
    CBuzaiList list = Named<CBuzaiList>({"a", "b"});
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    BuzaiListEditor editor(list, Settings{}, prompt, chooser, [](CBuzai&) { return false; });
    EXPECT_EQ(editor.RowCount(), 3);
    EXPECT_EQ(editor.Selected(), 2);
    EXPECT_EQ(editor.Changed(), 0);
}

TEST(ListEditor, AddPutsTheNewPartAboveTheSelectedRow)
{
    struct Case {
        const char* what;
        int selected;  // -1: none
        std::deque<std::string> entered;
        const char* names;
        int selectedAfter;
        int changed;
    };
    const Case cases[] = {
        {"empty row: appended in entry order", 2, {"A", "B", "C"}, "xyABC", 5, 1},
        {"no selection: appended", -1, {"A"}, "xyA", 3, 1},
        {"on a part: above it, in entry order", 1, {"A", "B"}, "xABy", 3, 1},
        {"on the first part", 0, {"A"}, "Axy", 1, 1},
        {"cancel changes nothing", 1, {""}, "xy", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture<CBuzaiList> f(Named<CBuzaiList>({"x", "y"}));
        f.list.Saved = 1;
        f.editor.Select(c.selected);
        f.input.Names = c.entered;
        for (std::size_t i = 0; i < c.entered.size(); ++i) {
            f.editor.Add();
        }
        EXPECT_EQ(Names(f.list), c.names);
        EXPECT_EQ(f.editor.Selected(), c.selectedAfter);
        EXPECT_EQ(f.editor.Changed(), c.changed);
        EXPECT_EQ(f.list.Saved, c.changed ? 0 : 1);
        EXPECT_TRUE(IndexesArePositions(f.list));
    }
}

TEST(ListEditor, AddStartsFromWhatWasEnteredLast)
{
    Fixture<CBuzaiList> f(CBuzaiList{});
    f.list.Template.Width = 500;
    f.input.Names = {"A", "B"};
    f.editor.Add();
    f.editor.Add();
    EXPECT_EQ(f.input.PrefilledWidths, (std::vector<std::int32_t>{500, 510}));
    EXPECT_EQ(f.list.Template.Width, 520);
    EXPECT_EQ(f.list.Template.Name, "B");
    EXPECT_EQ(f.list.Items.at(1).Width, 520);
}

TEST(ListEditor, EditChangesTheSelectedRecordOnly)
{
    struct Case {
        const char* what;
        int selected;
        const char* entered;
        const char* names;
        int changed;
    };
    const Case cases[] = {
        {"a part", 0, "A", "Ay", 1},
        {"the empty row adds", 2, "A", "xyA", 1},
        {"no selection", -1, "A", "xy", 0},
        {"cancel", 1, "", "xy", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture<CGenbanList> f(Named<CGenbanList>({"x", "y"}));
        f.list.Template.Width = 777;
        f.editor.Select(c.selected);
        f.input.Names = {c.entered};
        f.editor.Edit();
        EXPECT_EQ(Names(f.list), c.names);
        EXPECT_EQ(f.editor.Changed(), c.changed);
        EXPECT_TRUE(IndexesArePositions(f.list));
    }
    // Editing a record prefills from it and leaves the template alone.
    Fixture<CGenbanList> f(Named<CGenbanList>({"x"}));
    f.list.Items[0].Width = 1000;
    f.editor.Select(0);
    f.input.Names = {"A"};
    f.editor.Edit();
    EXPECT_EQ(f.input.PrefilledWidths, std::vector<std::int32_t>{1000});
    EXPECT_EQ(f.list.Items[0].Width, 1010);
    EXPECT_EQ(f.list.Template.Width, CGenban{}.Width);
}

TEST(ListEditor, DeleteKeepsTheRowPosition)
{
    struct Case {
        const char* what;
        int selected;
        const char* names;
        int selectedAfter;
        int changed;
    };
    const Case cases[] = {
        {"the last part: the empty row follows", 2, "xy", 2, 1},
        {"a middle part: the next one follows", 1, "xz", 1, 1},
        {"the empty row: nothing", 3, "xyz", 3, 0},
        {"no selection: nothing", -1, "xyz", -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture<CBuzaiList> f(Named<CBuzaiList>({"x", "y", "z"}));
        f.editor.Select(c.selected);
        f.editor.Delete();
        EXPECT_EQ(Names(f.list), c.names);
        EXPECT_EQ(f.editor.Selected(), c.selectedAfter);
        EXPECT_EQ(f.editor.Changed(), c.changed);
        EXPECT_TRUE(IndexesArePositions(f.list));
        EXPECT_TRUE(f.prompt.Shown.empty());
    }
}

TEST(ListEditor, MoveSwapsWithTheNeighbourAndFollowsIt)
{
    struct Case {
        const char* what;
        bool up;
        int selected;
        const char* names;
        int selectedAfter;
        int changed;
    };
    const Case cases[] = {
        {"up from the middle", true, 1, "yxz", 0, 1},
        {"up from the last", true, 2, "xzy", 1, 1},
        {"up from the first: nothing", true, 0, "xyz", 0, 0},
        {"up from the empty row: nothing", true, 3, "xyz", 3, 0},
        {"down from the first", false, 0, "yxz", 1, 1},
        {"down from the last: nothing", false, 2, "xyz", 2, 0},
        {"down from the empty row: nothing", false, 3, "xyz", 3, 0},
        {"no selection: nothing", false, -1, "xyz", -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture<CGenbanList> f(Named<CGenbanList>({"x", "y", "z"}));
        f.list.Saved = 1;
        f.editor.Select(c.selected);
        c.up ? f.editor.MoveUp() : f.editor.MoveDown();
        EXPECT_EQ(Names(f.list), c.names);
        EXPECT_EQ(f.editor.Selected(), c.selectedAfter);
        if (c.selectedAfter >= 0) {
            EXPECT_EQ(f.editor.ScrollRow(), c.selectedAfter);
        }
        EXPECT_EQ(f.editor.Changed(), c.changed);
        EXPECT_EQ(f.list.Saved, c.changed ? 0 : 1);
        EXPECT_TRUE(IndexesArePositions(f.list));
    }
}

// Asked whether the list is saved or not (a list just read is the shop's or the job's).
TEST(ListEditor, DeleteAllAlwaysAsks)
{
    struct Case {
        int saved;
        std::deque<bool> answers;
        std::size_t questions;
        std::size_t left;
        int changed;
    };
    const Case cases[] = {
        {1, {true}, 1, 0, 1},
        {1, {false}, 1, 2, 0},
        {0, {true}, 1, 0, 1},
        {0, {false}, 1, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "saved " << c.saved << " questions " << c.questions);
        Fixture<CBuzaiList> f(Named<CBuzaiList>({"x", "y"}));
        f.list.Saved = c.saved;
        f.prompt.Answers = c.answers;
        f.editor.Select(0);
        f.editor.DeleteAll();
        EXPECT_EQ(f.prompt.Asked.size(), c.questions);
        if (c.questions > 0) {
            EXPECT_EQ(f.prompt.Asked[0], "全ての部材を削除しますか？");
        }
        EXPECT_EQ(f.list.Items.size(), c.left);
        EXPECT_EQ(f.editor.Changed(), c.changed);
        if (c.left == 0) {
            EXPECT_EQ(f.list.Saved, 1);
            EXPECT_EQ(f.editor.Selected(), 0);  // the empty row
        }
    }
    Fixture<CGenbanList> boards(Named<CGenbanList>({"x"}));
    boards.list.Saved = 0;
    boards.editor.DeleteAll();
    EXPECT_EQ(boards.prompt.Asked, std::vector<std::string>{"全ての原板を削除しますか？"});
    // Nothing to delete: nothing asked.
    Fixture<CGenbanList> none(CGenbanList{});
    none.editor.DeleteAll();
    EXPECT_TRUE(none.prompt.Asked.empty());
}

namespace {

const char* const kPartsFile =
    "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考\r\nP,600.0,450.0,18.0,2,0,,\r\nQ,300."
    "0,200.0,18.0,1,0,,\r\n";
const char* const kBadPartsFile =
    "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考\r\nR,600.0,450.0,18.0,2,0,,\r\nS,0,"
    "450,18,2,0,,\r\n";
const char* const kBoardsFile =
    "原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,原板上トリム,原板下トリム,"
    "原板左トリム,"
    "原板右トリム\r\nB,1820.0,910.0,12.0,20,3500,0,,,0.0,0.0,0.0,0.0\r\n";

std::string Cp932(const char* utf8)
{
    std::string bytes;
    Utf8ToCp932(utf8, bytes);
    return bytes;
}

}  // namespace

TEST(ListEditor, LoadReplacesTheListOnlyWithAFileReadWhole)
{
    TempDir dir;
    WriteBytes(dir.File("good.csv"), Cp932(kPartsFile));
    WriteBytes(dir.File("bad.csv"), Cp932(kBadPartsFile));
    struct Case {
        const char* what;
        int saved;
        std::deque<bool> answers;
        const char* file;  // null: the file dialog is cancelled
        const char* names;
        int savedAfter;
        int changed;
        std::size_t dialogs;
    };
    const Case cases[] = {
        {"saved list, file read", 1, {}, "good.csv", "PQ", 1, 1, 1},
        {"unsaved, Yes, file read", 0, {true}, "good.csv", "PQ", 1, 1, 1},
        {"unsaved, No: nothing", 0, {false}, "good.csv", "xy", 0, 0, 0},
        {"file dialog cancelled: the list as it was", 1, {}, nullptr, "xy", 1, 0, 1},
        {"unsaved, Yes, cancelled: the list as it was, still unsaved", 0, {true}, nullptr, "xy", 0, 0, 1},
        {"a bad line: the list as it was", 1, {}, "bad.csv", "xy", 1, 0, 1},
        {"unsaved, Yes, a bad line: the list as it was", 0, {true}, "bad.csv", "xy", 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture<CBuzaiList> f(Named<CBuzaiList>({"x", "y"}));
        f.list.Saved = c.saved;
        f.prompt.Answers = c.answers;
        if (c.file != nullptr) {
            f.chooser.Files.push_back(dir.File(c.file));
        }
        f.editor.Load();
        EXPECT_EQ(f.prompt.Asked.size(), c.saved ? 0u : 1u);
        if (!c.saved) {
            EXPECT_EQ(f.prompt.Asked[0], "部材は保存されていません。\n新しい部材を読み込みますか？");
        }
        EXPECT_EQ(f.chooser.Requests.size(), c.dialogs);
        f.ExpectLoaded(c.names, c.savedAfter, c.changed);
    }
}

TEST(ListEditor, LoadMoreAppendsAndCountsAsUnsaved)
{
    TempDir dir;
    WriteBytes(dir.File("good.csv"), Cp932(kPartsFile));
    WriteBytes(dir.File("bad.csv"), Cp932(kBadPartsFile));
    struct Case {
        const char* what;
        const char* file;
        const char* names;
        int savedAfter;
        int changed;
    };
    const Case cases[] = {
        {"read", "good.csv", "xyPQ", 0, 1},
        {"cancelled", nullptr, "xy", 1, 0},
        {"a bad line after a good one: still a change", "bad.csv", "xyR", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture<CBuzaiList> f(Named<CBuzaiList>({"x", "y"}));
        f.list.Saved = 1;
        if (c.file != nullptr) {
            f.chooser.Files.push_back(dir.File(c.file));
        }
        f.editor.LoadMore();
        EXPECT_TRUE(f.prompt.Asked.empty());
        f.ExpectLoaded(c.names, c.savedAfter, c.changed);
    }
}

TEST(ListEditor, BoardFileButtonsTakeSeveralFiles)
{
    TempDir dir;
    WriteBytes(dir.File("a.csv"), Cp932(kBoardsFile));
    WriteBytes(dir.File("b.csv"), Cp932(kBoardsFile));
    Fixture<CGenbanList> f(Named<CGenbanList>({"x"}));
    f.list.Saved = 1;
    f.chooser.Lists.push_back({dir.File("a.csv"), dir.File("b.csv")});
    f.editor.Load();
    EXPECT_EQ(Names(f.list), "BB");
    EXPECT_EQ(f.list.Saved, 1);
    EXPECT_EQ(f.chooser.Requests.at(0).Kind, "openMany");

    // Cancelled: the board list stays.
    f.editor.Load();
    EXPECT_EQ(Names(f.list), "BB");
    EXPECT_EQ(f.list.Saved, 1);
    // The second file refused: neither is taken.
    WriteBytes(dir.File("c.csv"), "x,y\r\n");
    f.chooser.Lists.push_back({dir.File("a.csv"), dir.File("c.csv")});
    f.list.Items.resize(1);
    f.editor.Load();
    EXPECT_EQ(Names(f.list), "B");
    ASSERT_EQ(f.prompt.Shown.size(), 1u);
    EXPECT_NE(f.prompt.Shown[0].find("原板項目数が違います"), std::string::npos);
}

TEST(ListEditor, SaveWritesAndMarksTheListSaved)
{
    TempDir dir;
    for (const bool chosen : {true, false}) {
        SCOPED_TRACE(chosen);
        Fixture<CBuzaiList> f(Named<CBuzaiList>({"x", "y"}));
        f.list.Saved = 0;
        if (chosen) {
            f.chooser.Files.push_back(dir.File("out.csv"));
        }
        f.editor.Save();
        EXPECT_EQ(f.list.Saved, chosen ? 1 : 0);
        EXPECT_EQ(f.editor.Changed(), 0);  // writing does not change the list
        EXPECT_EQ(f.chooser.Requests.at(0).Kind, "save");
    }
    CBuzaiList back;
    RecordingPrompt prompt;
    ASSERT_EQ(back.Read(dir.File("out.csv"), Settings{}, prompt), 1);
    EXPECT_EQ(Names(back), "xy");
}
