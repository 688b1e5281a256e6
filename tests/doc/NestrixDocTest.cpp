#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

#include "doc/AppSession.h"
#include "doc/NestrixDoc.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "fakes/Unprivileged.h"
#include "base/TextFile.h"

namespace {

// Two boards and one secondary part, as the program writes them.
void WriteJobFiles(const TempDir& home)
{
    CGenbanList boards;
    boards.Items.resize(2);
    boards.Items[0].Name = "サブロク";
    boards.Items[1].Name = "シハチ";
    RecordingPrompt prompt;
    ASSERT_EQ(boards.Write(home.File("Genban"), prompt), 1);
    CBuzaiList secondary;
    secondary.IsSecondary = 1;
    secondary.Items.resize(1);
    secondary.Items[0].Name = "端材棚";
    ASSERT_EQ(secondary.Write(home.File("YBuzai"), prompt), 1);
}

std::string BoardsFileOf(const CGenbanList& list)
{
    std::string bytes;
    EXPECT_TRUE(EncodeForDisk(list.ToText(), bytes));
    return bytes;
}

}  // namespace

TEST(NestrixDoc, NewDocumentReloadsTheJobFilesUnlessReset)
{
    struct Case {
        const char* name;
        bool filesExist;
        int resetBoards;
        int resetSecondary;
        std::size_t boards;
        std::size_t secondary;
        std::vector<std::string> messages;
        int boardsSaved;
        int secondarySaved;
    };
    const Case cases[] = {
        {"both reloaded", true, 0, 0, 2, 1, {}, 0, 0},
        {"first run: quiet", false, 0, 0, 0, 0, {}, 0, 0},
        {"boards reset", true, 1, 0, 0, 1, {}, 1, 0},
        {"secondary reset", true, 0, 1, 2, 0, {}, 0, 1},
        {"both reset on a first run", false, 1, 1, 0, 0, {}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir home;
        if (c.filesExist) {
            WriteJobFiles(home);
        }
        Settings settings;
        settings.ResetGenbanFlg = c.resetBoards;
        settings.ResetYBuzaiFlg = c.resetSecondary;
        RecordingPrompt prompt;
        CNestrixDoc doc;

        EXPECT_EQ(doc.OnNewDocument(settings, home.Path() + "/", prompt), 1);

        EXPECT_EQ(doc.GenbanList.Items.size(), c.boards);
        EXPECT_EQ(doc.YBuzaiList.Items.size(), c.secondary);
        EXPECT_EQ(prompt.Shown, c.messages);
        EXPECT_EQ(doc.GenbanList.Saved, c.boardsSaved);
        EXPECT_EQ(doc.YBuzaiList.Saved, c.secondarySaved);
        EXPECT_TRUE(doc.BuzaiList.Items.empty());
    }
}

// A damaged job file is read only up to the bad line; the end of the program would write that
// part over it. The whole file is kept beside it first.
TEST(NestrixDoc, AnUnreadableJobFileIsKeptBeforeItIsOverwritten)
{
    TempDir home;
    WriteJobFiles(home);
    const std::string damaged = ReadBytes(home.File("Genban")) + "broken line\r\n";
    WriteBytes(home.File("Genban"), damaged);
    RecordingPrompt prompt;
    CNestrixDoc doc;
    doc.OnNewDocument(Settings(), home.Path() + "/", prompt);
    EXPECT_EQ(doc.GenbanList.Items.size(), 2u);
    EXPECT_EQ(prompt.Shown,
              (std::vector<std::string>{"原板データが異常です。（4行目、原板横がありません）\n読み込みを中断しました。",
                                        "読み込めなかった「Genban」を「Genban.bak」として残しました。"}));
    EXPECT_EQ(ReadBytes(home.File("Genban.bak")), damaged);

    doc.SaveListFiles(home.Path() + "/", prompt, true);
    EXPECT_EQ(ReadBytes(home.File("Genban.bak")), damaged);
    EXPECT_NE(ReadBytes(home.File("Genban")), damaged);
}

TEST(NestrixDoc, ClosingAsksOnlyWhenThePartsAreModified)
{
    struct Case {
        int modified;
        std::deque<bool> answers;
        bool closes;
        std::size_t questions;
    };
    for (const Case& c : {Case{0, {}, true, 0}, Case{1, {true}, true, 1}, Case{1, {false}, false, 1},
                          Case{1, {}, false, 1}}) {
        SCOPED_TRACE(c.modified);
        CNestrixDoc doc;
        doc.Modified = c.modified;
        // Changed boards and secondary parts are written anyway: they never ask.
        doc.GenbanList.Saved = 0;
        doc.YBuzaiList.Saved = 0;
        RecordingPrompt prompt;
        prompt.Answers = c.answers;

        EXPECT_EQ(doc.CanClose(prompt), c.closes);

        ASSERT_EQ(prompt.Asked.size(), c.questions);
        if (c.questions > 0) {
            EXPECT_EQ(prompt.Asked[0], "部材を保存していません。\nこのまま終了しますか？");
        }
    }
}

TEST(AppSession, EndWritesTheListsAsTheyAreAndKeepsThePartsUnwritten)
{
    TempDir home;
    WriteJobFiles(home);
    const ScopedEnv env("NESTRIX_HOME", home.Path());
    AppSession session;
    ASSERT_TRUE(session.Start());
    RecordingPrompt prompt;
    CNestrixDoc& doc = session.NewDocument(prompt);
    doc.GenbanList.Items.pop_back();
    doc.BuzaiList.Items.resize(3);
    const std::string expectedBoards = BoardsFileOf(doc.GenbanList);

    EXPECT_TRUE(session.End(prompt));

    EXPECT_EQ(ReadBytes(home.File("Genban")), expectedBoards);
    EXPECT_TRUE(prompt.Shown.empty());
    EXPECT_EQ(session.Doc, nullptr);
    for (const auto& entry : std::filesystem::directory_iterator(home.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "Genban" || name == "YBuzai" || name == "Nestrix.ini") << name;
    }
}

// The reset flag starts with an empty board list, and that empty list replaces the file.
TEST(AppSession, ResetBoardsEmptyTheBoardsFileAtTheEnd)
{
    TempDir home;
    WriteJobFiles(home);
    WriteBytes(home.File("Nestrix.ini"), "[SysPara]\r\nResetGenbanFlg=1\r\n");
    const ScopedEnv env("NESTRIX_HOME", home.Path());
    AppSession session;
    ASSERT_TRUE(session.Start());
    RecordingPrompt prompt;
    EXPECT_TRUE(session.NewDocument(prompt).GenbanList.Items.empty());

    session.End(prompt);

    EXPECT_EQ(ReadBytes(home.File("Genban")), BoardsFileOf(CGenbanList{}));
    CGenbanList reread;
    Settings settings;
    EXPECT_EQ(reread.Read(home.File("Genban"), settings, prompt), 1);
    EXPECT_TRUE(reread.Items.empty());
}

TEST(AppSession, EndWritesTheSettingsAndKeepsHandSetKeys)
{
    TempDir home;
    WriteBytes(home.File("Nestrix.ini"), "[SysPara]\r\nTimeOut=77\r\nNokoHaba=30\r\n");
    const ScopedEnv env("NESTRIX_HOME", home.Path());
    AppSession session;
    ASSERT_TRUE(session.Start());
    EXPECT_EQ(session.AppSettings.TimeOut, 77);
    RecordingPrompt prompt;
    session.NewDocument(prompt);
    session.AppSettings.NokoHaba = 45;
    session.AppSettings.TimeOut = 5;  // never written

    EXPECT_TRUE(session.End(prompt));

    AppSession next;
    ASSERT_TRUE(next.Start());
    EXPECT_EQ(next.AppSettings.NokoHaba, 45);
    EXPECT_EQ(next.AppSettings.TimeOut, 77);
}

// A job file that cannot be replaced shows the writer's message; the other file and the
// settings are still written and the end completes.
TEST(AppSession, AWriteErrorAtTheEndStillEnds)
{
    struct Case {
        const char* blocked;
        std::string kindWord;
        const char* written;
    };
    const std::string aborted = "\n書き込みを中断しました。";
    for (const Case& c :
         {Case{"Genban", "原板ファイル", "YBuzai"}, Case{"YBuzai", "２次部材ファイル", "Genban"}}) {
        SCOPED_TRACE(c.blocked);
        TempDir home;
        // A read-only file is refused, as Windows refuses it, even as root.
        WriteJobFiles(home);
        ::chmod(home.File(c.blocked).c_str(), 0444);
        const ScopedEnv env("NESTRIX_HOME", home.Path());
        AppSession session;
        ASSERT_TRUE(session.Start());
        RecordingPrompt prompt;
        CNestrixDoc& doc = session.NewDocument(prompt);
        doc.GenbanList.Items.pop_back();
        doc.YBuzaiList.Items.emplace_back();
        session.AppSettings.NokoHaba = 55;
        prompt.Shown.clear();

        EXPECT_TRUE(session.End(prompt));

        ASSERT_EQ(prompt.Shown.size(), 1u);
        EXPECT_EQ(prompt.Shown[0].substr(0, c.kindWord.size()), c.kindWord);
        EXPECT_TRUE(prompt.Shown[0].ends_with(aborted)) << prompt.Shown[0];
        EXPECT_TRUE(std::filesystem::is_regular_file(home.File(c.written)));
        EXPECT_NE(ReadBytes(home.File("Nestrix.ini")).find("NokoHaba=55"), std::string::npos);
        EXPECT_EQ(session.Doc, nullptr);
    }
}

TEST(AppSession, StartFailsWhenTheFolderCannotBeMade)
{
    TempDir home;
    WriteBytes(home.File("plain"), "x");
    const ScopedEnv env("NESTRIX_HOME", home.File("plain/nestrix"));
    AppSession session;
    EXPECT_FALSE(session.Start());
}

// A Genban the user cannot read (another account's file): no empty copy is claimed, and the
// end neither writes over it nor loses the boards entered since; they go to Genban.new.
TEST(NestrixDoc, AJobFileThatCannotBeReadIsNeverOverwritten)
{
    TempDir home;
    WriteJobFiles(home);
    std::filesystem::remove(home.File("YBuzai"));
    const std::string boards = ReadBytes(home.File("Genban"));
    ::chmod(home.File("Genban").c_str(), 0600);
    ::chmod(home.Path().c_str(), 0755);
    const std::string folder = home.Path() + "/";
    const int status = RunUnprivileged(
        [&] {
            std::string bytes;
            if (ReadWholeFile(folder + "Genban", bytes, 1 << 20).Ok()) {
                return 20;  // still readable: the check would prove nothing
            }
            RecordingPrompt prompt;
            CNestrixDoc doc;
            doc.OnNewDocument(Settings(), folder, prompt);
            const std::vector<std::string> expected = {
                "原板ファイルが開けません。（" + SystemReason(EACCES) + "）\n読み込みを中断しました。",
                "「Genban」の控えを作れませんでした（" + SystemReason(EACCES) +
                    "）。\n終了時にも「Genban」は上書きしません。"};
            if (prompt.Shown != expected) {
                return 21;
            }
            prompt.Shown.clear();
            doc.GenbanList.Items.resize(1);
            doc.SaveListFiles(folder, prompt, false);  // not before the end
            if (!prompt.Shown.empty()) {
                return 23;
            }
            doc.SaveListFiles(folder, prompt, true);
            return prompt.Shown ==
                           std::vector<std::string>{
                               "読み込めなかった「Genban」は上書きしません。\n"
                               "一覧は「Genban.new」に保存しました。"}
                       ? 0
                       : 22;
        },
        {home.Path()});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(home.File("Genban")), boards);
    EXPECT_FALSE(std::filesystem::exists(home.File("Genban.bak")));
    CGenbanList saved;
    RecordingPrompt prompt;
    EXPECT_EQ(saved.Read(home.File("Genban.new"), Settings(), prompt), 1);
    EXPECT_EQ(saved.Items.size(), 1u);
}

// The copy of a damaged file never replaces an older copy: it takes the next free name.
TEST(NestrixDoc, AnOlderCopyIsNeverOverwritten)
{
    TempDir home;
    WriteJobFiles(home);
    const std::string damaged = ReadBytes(home.File("YBuzai")) + "broken line\r\n";
    WriteBytes(home.File("YBuzai"), damaged);
    WriteBytes(home.File("YBuzai.bak"), "first copy");
    WriteBytes(home.File("YBuzai.bak.1"), "second copy");
    RecordingPrompt prompt;
    CNestrixDoc doc;
    doc.OnNewDocument(Settings(), home.Path() + "/", prompt);
    ASSERT_EQ(prompt.Shown.size(), 2u);
    EXPECT_EQ(prompt.Shown[1], "読み込めなかった「YBuzai」を「YBuzai.bak.2」として残しました。");
    EXPECT_EQ(ReadBytes(home.File("YBuzai.bak")), "first copy");
    EXPECT_EQ(ReadBytes(home.File("YBuzai.bak.1")), "second copy");
    EXPECT_EQ(ReadBytes(home.File("YBuzai.bak.2")), damaged);
    EXPECT_EQ(doc.YBuzaiKept, 0);
}

// A settings file that cannot be read: one message at start, defaults, and the file kept.
TEST(AppSession, ASettingsFileThatCannotBeReadIsKeptAndTheUserIsTold)
{
    struct Case {
        const char* name;
        std::function<void(const TempDir&)> make;
        const char* reason;
    };
    const Case cases[] = {
        {"neither text encoding",
         [](const TempDir& home) {
             WriteBytes(home.File("Nestrix.ini"), "[SysPara]\r\nNokoHaba=45\x81\xff\r\n");
         },
         "neither Shift-JIS nor UTF-8 text"},
        {"a folder", [](const TempDir& home) { std::filesystem::create_directory(home.File("Nestrix.ini")); },
         "is a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir home;
        c.make(home);
        const ScopedEnv env("NESTRIX_HOME", home.Path());
        AppSession session;
        RecordingPrompt prompt;
        ASSERT_TRUE(session.Start(prompt));
        const std::string file = "設定ファイル「" + home.File("Nestrix.ini") + "」";
        EXPECT_EQ(prompt.Shown, std::vector<std::string>{file + "を読み込めませんでした（" + c.reason +
                                                         "）。\n初期値で起動します。ファイルはそのまま残し、"
                                                         "終了時にも上書きしません。"});
        EXPECT_EQ(session.AppSettings.NokoHaba, 30);
        session.NewDocument(prompt);
        session.AppSettings.NokoHaba = 55;
        prompt.Shown.clear();

        EXPECT_FALSE(session.End(prompt));

        EXPECT_TRUE(prompt.Shown.empty()) << "the start has said it";
        if (std::filesystem::is_regular_file(home.File("Nestrix.ini"))) {
            EXPECT_EQ(ReadBytes(home.File("Nestrix.ini")), "[SysPara]\r\nNokoHaba=45\x81\xff\r\n");
        }
    }
}

// The job files are written when their lists changed, and only then: a line that another
// program added while Nestrix ran stays; a file changed elsewhere is replaced only when the
// user says so, else the list goes beside it at the end.
TEST(NestrixDoc, JobFilesAreWrittenOnlyWhenChangedAndNeverOverAnotherEditUnasked)
{
    struct Case {
        const char* name;
        bool editList;       // the user deletes a board
        bool editElsewhere;  // another program appends a board to Genban meanwhile
        std::deque<bool> answers;
        std::size_t questions;
        std::size_t boardsInGenban;  // after SaveListFiles and the end
        bool besideAtTheEnd;         // Genban.new holds the list
    };
    const Case cases[] = {
        {"nothing changed", false, false, {}, 0, 2, false},
        {"changed elsewhere only: kept", false, true, {}, 0, 3, false},
        {"changed here only: written", true, false, {}, 0, 1, false},
        {"changed on both sides, the user says write", true, true, {true}, 1, 1, false},
        {"changed on both sides, the user says no", true, true, {false}, 1, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir home;
        WriteJobFiles(home);
        const ScopedEnv env("NESTRIX_HOME", home.Path());
        AppSession session;
        ASSERT_TRUE(session.Start());
        RecordingPrompt prompt;
        CNestrixDoc& doc = session.NewDocument(prompt);
        const std::string secondary = ReadBytes(home.File("YBuzai"));
        if (c.editElsewhere) {
            CGenbanList other;
            ASSERT_EQ(other.Read(home.File("Genban"), Settings(), prompt), 1);
            other.Items.emplace_back();
            ASSERT_EQ(other.Write(home.File("Genban"), prompt), 1);
        }
        if (c.editList) {
            doc.GenbanList.Items.pop_back();
        }
        prompt.Answers = c.answers;
        session.SaveChanges(prompt);
        session.SaveChanges(prompt);  // asks once at most
        EXPECT_TRUE(session.End(prompt));

        EXPECT_EQ(prompt.Asked.size(), c.questions);
        if (c.questions > 0) {
            EXPECT_EQ(prompt.Asked[0], "「Genban」は読み込んだ後でほかのプログラムに変更されています。\n上書きしますか？");
        }
        CGenbanList genban;
        ASSERT_EQ(genban.Read(home.File("Genban"), Settings(), prompt), 1);
        EXPECT_EQ(genban.Items.size(), c.boardsInGenban);
        EXPECT_EQ(std::filesystem::exists(home.File("Genban.new")), c.besideAtTheEnd);
        if (c.besideAtTheEnd) {
            EXPECT_EQ(prompt.Shown.back(), "ほかで変更された「Genban」は上書きしません。\n一覧は「Genban.new」に保存しました。");
        }
        EXPECT_EQ(ReadBytes(home.File("YBuzai")), secondary);
    }
}

// Unchanged settings leave the file as it is, a file another program changed included.
TEST(AppSession, UnchangedSettingsAreNotWritten)
{
    TempDir home;
    const std::string handMade = "; by hand\r\n[SysPara]\r\nNokoHaba=45\r\n";
    WriteBytes(home.File("Nestrix.ini"), handMade);
    const ScopedEnv env("NESTRIX_HOME", home.Path());
    AppSession session;
    ASSERT_TRUE(session.Start());
    RecordingPrompt prompt;
    session.NewDocument(prompt);
    EXPECT_TRUE(session.SaveChanges(prompt));
    EXPECT_EQ(ReadBytes(home.File("Nestrix.ini")), handMade);
    session.AppSettings.NokoHaba = 50;
    EXPECT_TRUE(session.SaveChanges(prompt));
    EXPECT_NE(ReadBytes(home.File("Nestrix.ini")).find("NokoHaba=50"), std::string::npos);
}

// Another program (or a second window) edits the settings file while this one runs: saving
// writes only what this run changed, and never puts its own older values back.
TEST(AppSession, SavingKeepsWhatAnotherProgramChangedMeanwhile)
{
    TempDir home;
    WriteBytes(home.File("Nestrix.ini"), "[SysPara]\r\nNokoHaba=30\r\nCutLV=3\r\n");
    const ScopedEnv env("NESTRIX_HOME", home.Path());
    AppSession session;
    ASSERT_TRUE(session.Start());
    RecordingPrompt prompt;
    session.NewDocument(prompt);
    WriteBytes(home.File("Nestrix.ini"),
               "[SysPara]\r\nNokoHaba=50\r\nCutLV=3\r\nRecentJob1=/other/job.nestrix\r\n[LastFolder]\r\nBuzai=/b\r\n");
    session.AppSettings.CutLV = 2;
    session.AppSettings.AddRecentJob("/mine/job.nestrix");
    EXPECT_TRUE(session.SaveChanges(prompt));

    AppSession next;
    ASSERT_TRUE(next.Start());
    EXPECT_EQ(next.AppSettings.NokoHaba, 50);  // theirs
    EXPECT_EQ(next.AppSettings.CutLV, 2);      // mine
    EXPECT_EQ(next.AppSettings.RecentJobs, std::vector<std::string>{"/mine/job.nestrix"});
    EXPECT_EQ(next.AppSettings.LastFolder[static_cast<int>(FileKind::Parts)], "/b");
    EXPECT_TRUE(prompt.Shown.empty());
}

// What the program cannot use of a hand-edited settings file is said in the one message at the
// start, not at the end.
TEST(AppSession, SettingsWarningsAreOneMessageAtTheStart)
{
    TempDir home;
    WriteBytes(home.File("Nestrix.ini"), "[SysPara]\rMaxCal=9\rNokohabaa=40\r");
    const ScopedEnv env("NESTRIX_HOME", home.Path());
    AppSession session;
    RecordingPrompt prompt;
    ASSERT_TRUE(session.Start(prompt));
    EXPECT_EQ(prompt.Shown, std::vector<std::string>{"設定ファイル「" + home.File("Nestrix.ini") +
                                                     "」:\n3行目 Nokohabaa という設定はありません。使われません。\n"
                                                     "2行目 MaxCal=9 は 0 から 4 の範囲にありません。初期値 2 を使います。"});
    session.NewDocument(prompt);
    prompt.Shown.clear();
    EXPECT_TRUE(session.End(prompt));
    EXPECT_TRUE(prompt.Shown.empty());
}

TEST(AppSession, SettingsThatCannotBeWrittenAreShownAtTheEnd)
{
    TempDir home;
    WriteBytes(home.File("Nestrix.ini"), "[SysPara]\r\nNokoHaba=45\r\n");
    ::chmod(home.File("Nestrix.ini").c_str(), 0444);
    const ScopedEnv env("NESTRIX_HOME", home.Path());
    AppSession session;
    RecordingPrompt prompt;
    ASSERT_TRUE(session.Start(prompt));
    EXPECT_TRUE(prompt.Shown.empty());
    session.AppSettings.NokoHaba = 55;

    EXPECT_FALSE(session.End(prompt));

    EXPECT_EQ(prompt.Shown, std::vector<std::string>{"設定ファイル「" + home.File("Nestrix.ini") +
                                                     "」に書き込みできません（読み取り専用のファイルです）。\n"
                                                     "設定は保存されませんでした。"});
    EXPECT_EQ(ReadBytes(home.File("Nestrix.ini")), "[SysPara]\r\nNokoHaba=45\r\n");
}

TEST(NestrixDoc, APartsFileFromTheCommandLineIsReadLikeLoad)
{
    TempDir dir;
    CBuzaiList two;
    two.Items.resize(2);
    two.Items[1].Name = "扉";
    RecordingPrompt prompt;
    ASSERT_EQ(two.Write(dir.File("parts.csv"), prompt), 1);
    std::string bytes;
    ASSERT_TRUE(EncodeForDisk(two.ToText() + "壊れた行\n", bytes));
    WriteBytes(dir.File("broken.csv"), bytes);

    struct Case {
        const char* file;
        int read;
        std::size_t parts;
        int saved;
        const char* message;
    };
    const Case cases[] = {
        {"parts.csv", 1, 2, 1, ""},
        {"none.csv", 0, 0, 1, "部材ファイルが開けません。（ファイルがありません）\n読み込みを中断しました。"},
        {"broken.csv", 0, 2, 0, "部材データが異常です。（4行目、部材横がありません）\n読み込みを中断しました。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CNestrixDoc doc;
        doc.BuzaiList.Items.resize(5);  // replaced, not added to
        doc.ResultPresent = 1;
        RecordingPrompt shown;
        EXPECT_EQ(doc.OpenPartsFile(dir.File(c.file), Settings{}, shown), c.read);
        EXPECT_EQ(doc.BuzaiList.Items.size(), c.parts);
        EXPECT_EQ(doc.BuzaiList.Saved, c.saved);
        EXPECT_EQ(doc.Modified, c.saved ? 0 : 1);
        EXPECT_EQ(doc.ResultPresent, 0);
        EXPECT_EQ(shown.Shown, *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    }
}

TEST(AppSession, ThePartsFileIsTheFirstArgumentThatIsNoOption)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* file;
    };
    const Case cases[] = {
        {{"nestrix"}, ""},
        {{"nestrix", "parts.csv"}, "parts.csv"},
        {{"nestrix", "--screenshot", "shot.png"}, ""},
        {{"nestrix", "--screenshot", "shot.png", "/tmp/部材.csv", "other.csv"}, "/tmp/部材.csv"},
        {{"nestrix", "-x", "a.csv"}, "a.csv"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PartsFileArgument(c.arguments), c.file);
    }
}
