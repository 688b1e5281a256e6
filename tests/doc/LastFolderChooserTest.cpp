#include "doc/LastFolderChooser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/Settings.h"
#include "doc/AppSession.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "job/Buzai.h"
#include "job/Genban.h"

namespace {

std::string& Last(Settings& settings, FileKind kind)
{
    return settings.LastFolder.at(static_cast<std::size_t>(kind));
}

}  // namespace

// Where a dialog opens and what it remembers: the settings' folder first, then the kind's last
// folder while it exists; only a chosen file moves the kind's last folder, and only its own.
TEST(LastFolderChooser, OpensInTheKindsLastFolderUnlessTheSettingsNameOne)
{
    TempDir dir;
    for (const char* name : {"set", "last", "chosen"}) {
        std::filesystem::create_directory(dir.File(name));
    }
    struct Case {
        const char* name;
        FileKind kind;
        std::string setting;  // the folder the options carry from the settings
        std::string last;     // the kind's last folder before
        std::string answer;   // "" cancels
        std::string opensIn;
        std::string lastAfter;
    };
    const std::string chosen = dir.File("chosen/a.csv");
    const Case cases[] = {
        {"first time", FileKind::Parts, "", "", chosen, "", dir.File("chosen")},
        {"the last folder", FileKind::Parts, "", dir.File("last"), chosen, dir.File("last"),
         dir.File("chosen")},
        {"the settings win", FileKind::Boards, dir.File("set"), dir.File("last"), chosen, dir.File("set"),
         dir.File("chosen")},
        {"a removed folder", FileKind::CutData, "", dir.File("gone"), chosen, "", dir.File("chosen")},
        {"cancel keeps it", FileKind::SecondaryParts, "", dir.File("last"), "", dir.File("last"),
         dir.File("last")},
        {"other dialogs", FileKind::Other, "", dir.File("last"), chosen, "", dir.File("last")},
    };
    for (const Case& c : cases) {
        for (const char* call : {"open", "openMany", "save"}) {
            SCOPED_TRACE(std::string(c.name) + " " + call);
            Settings settings;
            Last(settings, c.kind) = c.last;
            RecordingFileChooser inner;
            if (!c.answer.empty()) {
                inner.Files = {c.answer};
                inner.Lists = {{c.answer, dir.File("chosen/b.csv")}};
            }
            LastFolderChooser chooser(inner, settings);
            FileDialogOptions options;
            options.InitialFolder = c.setting;
            options.Kind = c.kind;
            const std::string call_ = call;
            const bool chose = call_ == "open"       ? chooser.OpenFile(options).has_value()
                               : call_ == "openMany" ? !chooser.OpenFiles(options).empty()
                                                     : chooser.SaveFile(options).has_value();
            EXPECT_EQ(chose, !c.answer.empty());
            ASSERT_EQ(inner.Requests.size(), 1u);
            EXPECT_EQ(inner.Requests[0].Kind, call_);
            EXPECT_EQ(inner.Requests[0].Options.InitialFolder, c.opensIn);
            EXPECT_EQ(Last(settings, c.kind), c.lastAfter);
            for (int other = 1; other < kFileKinds; ++other) {
                if (other != static_cast<int>(c.kind)) {
                    EXPECT_EQ(settings.LastFolder.at(other), "") << other;
                }
            }
        }
    }
}

// Every list's read and save dialog names its own kind, so each list opens where its files were
// (whether the file then reads is the list's business).
TEST(LastFolderChooser, EachListKeepsItsOwnFolder)
{
    TempDir dir;
    RecordingPrompt prompt;
    CBuzaiList secondary;
    secondary.IsSecondary = 1;
    struct Case {
        const char* name;
        FileKind kind;
        std::function<void(const Settings&, FileChooser&)> run;
    };
    const Case cases[] = {
        {"parts read", FileKind::Parts, [&](auto& s, auto& c) { CBuzaiList().ReadWithDialog(s, prompt, c); }},
        {"parts save", FileKind::Parts, [&](auto& s, auto& c) { CBuzaiList().SaveAs(s, prompt, c); }},
        {"secondary read", FileKind::SecondaryParts,
         [&](auto& s, auto& c) { secondary.ReadWithDialog(s, prompt, c); }},
        {"boards read", FileKind::Boards,
         [&](auto& s, auto& c) { CGenbanList().ReadWithDialog(s, prompt, c); }},
        {"boards save", FileKind::Boards, [&](auto& s, auto& c) { CGenbanList().SaveAs(s, prompt, c); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings settings;
        settings.LastFolder.fill(dir.Path());  // existing, so a wrong kind shows below
        Last(settings, c.kind) = "";
        RecordingFileChooser inner;
        inner.Files = {dir.File("a.csv")};
        inner.Lists = {{dir.File("a.csv")}};
        LastFolderChooser chooser(inner, settings);
        c.run(settings, chooser);
        ASSERT_EQ(inner.Requests.size(), 1u);
        EXPECT_EQ(inner.Requests[0].Options.Kind, c.kind);
        EXPECT_EQ(inner.Requests[0].Options.InitialFolder, "");
        EXPECT_EQ(Last(settings, c.kind), dir.Path());
    }
}

// The last folders live in the settings file: a folder chosen in one run is where the next run
// opens, and a run that chose none adds nothing to the file.
TEST(LastFolderChooser, RemembersAcrossRuns)
{
    TempDir home;
    TempDir files;
    const ScopedEnv env("NESTRIX_HOME", home.Path());
    RecordingPrompt prompt;
    {
        AppSession session;
        ASSERT_TRUE(session.Start(prompt));
        ASSERT_TRUE(session.End(prompt));
        EXPECT_EQ(ReadBytes(session.SettingsPath()).find("LastFolder"), std::string::npos);
    }
    {
        AppSession session;
        ASSERT_TRUE(session.Start(prompt));
        RecordingFileChooser inner;
        inner.Files = {files.File("cut.csv")};
        LastFolderChooser chooser(inner, session.AppSettings);
        FileDialogOptions options;
        options.Kind = FileKind::CutData;
        ASSERT_TRUE(chooser.SaveFile(options));
        ASSERT_TRUE(session.SaveChanges(prompt));
    }
    AppSession next;
    ASSERT_TRUE(next.Start(prompt));
    EXPECT_EQ(Last(next.AppSettings, FileKind::CutData), files.Path());
    EXPECT_EQ(Last(next.AppSettings, FileKind::Parts), "");
    EXPECT_TRUE(next.SettingsWarnings.empty());
    EXPECT_TRUE(prompt.Shown.empty());
}
