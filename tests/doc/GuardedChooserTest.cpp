#include "doc/GuardedChooser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/Settings.h"
#include "doc/NestrixDoc.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/TempDir.h"
#include "job/Buzai.h"

// A save dialog never puts other data over a file the job holds: the program folder's files are
// refused, a list's file asks as an overwrite does, a list's own file is a plain save.
TEST(GuardedChooser, NeverSavesOverAFileTheJobHoldsUnasked)
{
    TempDir dir;
    const std::string folder = dir.File("home") + "/";
    std::filesystem::create_directory(folder);
    WriteBytes(folder + "Genban", "boards");
    WriteBytes(dir.File("parts.csv"), "parts");
    std::filesystem::create_symlink(dir.File("parts.csv"), dir.File("alias.csv"));
    std::filesystem::create_hard_link(dir.File("parts.csv"), dir.File("hard.csv"));
    CNestrixDoc doc;
    doc.BuzaiList.Files = {dir.File("parts.csv")};
    doc.JobPath = dir.File("job.nestrix");

    struct Case {
        const char* name;
        std::string chosen;
        std::vector<std::string> ownFiles;
        std::deque<bool> answers;
        bool saved;
        std::string asked;  // "" for no question
        std::string shown;  // "" for no message
    };
    const std::string partsQuestion = "「parts.csv」は編集中の部材データのファイルです。\n上書きしますか？";
    const Case cases[] = {
        {"another file", dir.File("other.csv"), {}, {}, true, "", ""},
        {"the parts file, yes", dir.File("parts.csv"), {}, {true}, true, partsQuestion, ""},
        {"the parts file, no", dir.File("parts.csv"), {}, {false}, false, partsQuestion, ""},
        {"a symbolic link to it", dir.File("alias.csv"), {}, {false}, false, partsQuestion, ""},
        {"a hard link to it", dir.File("hard.csv"), {}, {false}, false, partsQuestion, ""},
        {"the parts list over its own file", dir.File("alias.csv"), {dir.File("parts.csv")}, {}, true, "", ""},
        {"the open job file", dir.File("job.nestrix"), {}, {false}, false,
         "「job.nestrix」は開いている物件のファイルです。\n上書きしますか？", ""},
        {"the job over its own file", dir.File("job.nestrix"), {dir.File("job.nestrix")}, {}, true, "", ""},
        {"the program's boards file", folder + "Genban", {}, {}, false, "",
         "「Genban」はこのプログラムが使う原板データのファイルです。\n別の名前で保存してください。"},
        {"the program's settings, not there yet", folder + "./Nestrix.ini", {}, {}, false, "",
         "「Nestrix.ini」はこのプログラムの設定のファイルです。\n別の名前で保存してください。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFileChooser inner;
        inner.Files = {c.chosen};
        RecordingPrompt prompt;
        prompt.Answers = c.answers;
        GuardedChooser chooser(inner, prompt, [&] { return HeldFiles(doc, folder); });
        FileDialogOptions options;
        options.OwnFiles = c.ownFiles;
        const std::optional<std::string> path = chooser.SaveFile(options);
        EXPECT_EQ(path.has_value(), c.saved);
        EXPECT_EQ(prompt.Asked, c.asked.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.asked});
        const std::string shown = c.shown.empty() ? c.asked : c.shown;  // a question is shown too
        EXPECT_EQ(prompt.Shown, shown.empty() ? std::vector<std::string>{} : std::vector<std::string>{shown});
    }
}

// A list remembers the files it was read from and saved to, and its own save names them.
TEST(GuardedChooser, AListRemembersItsFiles)
{
    TempDir dir;
    CBuzai part;
    CBuzaiList list;
    list.Items = {part};
    RecordingPrompt prompt;
    ASSERT_EQ(list.Write(dir.File("a.csv"), prompt), 1);
    RecordingFileChooser chooser;
    chooser.Files = {dir.File("a.csv"), dir.File("b.csv")};
    ASSERT_EQ(list.ReadWithDialog(Settings(), prompt, chooser), 1);
    EXPECT_EQ(list.Files, std::vector<std::string>{dir.File("a.csv")});
    ASSERT_EQ(list.SaveAs(Settings(), prompt, chooser), 1);
    EXPECT_EQ(chooser.Requests.back().Options.OwnFiles, std::vector<std::string>{dir.File("a.csv")});
    EXPECT_EQ(list.Files, std::vector<std::string>{dir.File("b.csv")});
}
