#pragma once

#include <memory>
#include <string>
#include <vector>

#include "doc/NestrixDoc.h"
#include "base/Settings.h"

class Prompt;

// The program's life without its windows. Start-up fixes the program folder and loads the
// settings before the document exists, so the reset flags act on the first job; the end writes
// the document's list files first and the settings last.
class AppSession {
public:
    std::string Folder;  // program folder, with a trailing slash
    Settings AppSettings;
    std::string SettingsProblem;  // why the settings file could not be read at start; "" when it could
    std::vector<std::string> SettingsWarnings;  // keys unknown, values not used, a missing section
    std::unique_ptr<CNestrixDoc> Doc;

    // False when the program folder cannot be created; the desktop program then ends.
    // A settings file that exists but cannot be read leaves every setting at its default, is
    // kept as it is (the end does not write it) and SettingsProblem says why.
    bool Start();
    // Same, and tells the user through `prompt` when the settings file could not be read.
    bool Start(Prompt& prompt);

    // Creates the document and reloads its list files.
    CNestrixDoc& NewDocument(Prompt& prompt);

    // Writes what changed: the document's list files (SaveListFiles) and the settings. Runs after
    // every command that changes them, so that a killed program or a lost display loses nothing.
    bool SaveChanges(Prompt& prompt);
    // Writes the list files and drops the document, then writes the settings, each only when
    // changed. Every step runs, whatever failed before it. False when the settings were not
    // saved; the user has been told why through `prompt` (a settings file that could not be
    // read was named once, at the start).
    bool End(Prompt& prompt);

    std::string SettingsPath() const;

private:
    // The keys whose settings differ from what was read or last written into the file as it is
    // now, every other line kept (a missing file gets every key).
    bool SaveSettings(Prompt& prompt);

    Settings m_stored;  // the settings as the file holds them
};

// The parts file the desktop program was started with: the first argument after the program
// name that is no option (and no option's value); "" without one.
std::string PartsFileArgument(const std::vector<std::string>& arguments);
// Whether the file is a job file by its name (".nestrix", any case).
bool IsJobFileName(const std::string& path);

inline constexpr const char* kFolderError = "設定フォルダを作成できません。";
