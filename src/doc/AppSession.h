#pragma once

#include <memory>
#include <string>

#include "doc/NestrixDoc.h"
#include "base/Settings.h"

class Prompt;

// The program's life without its windows. Start-up fixes the program folder and loads the
// settings before the document exists, so the reset flags act on the first job; the end writes
// the document's job files first and the settings last.
class AppSession {
public:
    std::string Folder;  // program folder, with a trailing slash
    Settings AppSettings;
    std::unique_ptr<CNestrixDoc> Doc;

    // False when the program folder cannot be created; the desktop program then ends.
    // An unreadable settings file leaves every setting at its default.
    bool Start();

    // Creates the document and reloads its job files.
    CNestrixDoc& NewDocument(Prompt& prompt);

    // Writes the job files and drops the document, then writes the settings. Every step runs,
    // whatever failed before it. False when the settings file could not be written.
    bool End(Prompt& prompt);

    std::string SettingsPath() const;
};

inline constexpr const char* kFolderError = "設定フォルダを作成できません。";
