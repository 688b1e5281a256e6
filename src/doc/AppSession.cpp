#include "doc/AppSession.h"

#include <cctype>
#include <vector>

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "platform/Prompt.h"

bool AppSession::Start()
{
    Folder = ProgramFolder();
    if (Folder.empty()) {
        return false;
    }
    IniFile ini;
    SettingsProblem.clear();
    if (!ini.Load(SettingsPath())) {
        // Defaults for this run; the file stays as it is, also at the end.
        SettingsProblem = ini.Problem();
        AppSettings = Settings();
        m_stored = AppSettings;
        return true;
    }
    SettingsWarnings = AppSettings.Load(ini);
    m_stored = AppSettings;
    return true;
}

bool AppSession::Start(Prompt& prompt)
{
    if (!Start()) {
        return false;
    }
    if (!SettingsProblem.empty()) {
        prompt.ShowError("設定ファイル「" + SettingsPath() + "」を読み込めませんでした（" + SettingsProblem +
                         "）。\n初期値で起動します。ファイルはそのまま残し、終了時にも上書きしません。");
    } else if (!SettingsWarnings.empty()) {
        std::string text = "設定ファイル「" + SettingsPath() + "」:";
        for (const std::string& warning : SettingsWarnings) {
            text += "\n" + warning;
        }
        prompt.ShowError(text);
    }
    return true;
}

CNestrixDoc& AppSession::NewDocument(Prompt& prompt)
{
    Doc = std::make_unique<CNestrixDoc>();
    Doc->OnNewDocument(AppSettings, Folder, prompt);
    return *Doc;
}

bool AppSession::SaveSettings(Prompt& prompt)
{
    if (Folder.empty() || !SettingsProblem.empty()) {
        return false;
    }
    const std::string notSaved = "設定ファイル「" + SettingsPath() + "」";
    IniFile ini;
    if (!ini.Load(SettingsPath())) {
        prompt.ShowError(notSaved + "を読み込めなくなったため、設定を保存しませんでした（" + ini.Problem() +
                         "）。");
        return false;
    }
    // Only the keys this run changed go into the file as it is now: another program's or
    // window's edit of any other key stays (a missing file gets every key).
    if (ini.Missing()) {
        AppSettings.Store(ini);
    } else {
        IniFile was;
        IniFile now;
        m_stored.Store(was);
        AppSettings.Store(now);
        bool changed = false;
        for (const char* section : {kSettingsSection, kLastFolderSection, kPartsImportSection}) {
            std::vector<std::string> keys;
            for (const IniFile* side : {&was, &now}) {
                for (const IniFile::KeyLine& line : side->KeysIn(section)) {
                    keys.push_back(line.Key);
                }
            }
            for (const std::string& key : keys) {
                const std::string value = now.Get(section, key).value_or("");
                if (was.Get(section, key).value_or("") != value) {
                    ini.Set(section, key, value);
                    changed = true;
                }
            }
        }
        if (!changed) {
            return true;
        }
    }
    const WriteResult written = ini.Save(SettingsPath());
    if (!written.Ok()) {
        prompt.ShowError(notSaved + "に書き込みできません（" +
                         (written.Status == WriteStatus::ReadOnly ? std::string("読み取り専用のファイルです")
                                                                  : SystemReason(written.Error)) +
                         "）。\n設定は保存されませんでした。");
        return false;
    }
    m_stored = AppSettings;
    return true;
}

bool AppSession::SaveChanges(Prompt& prompt)
{
    if (Doc) {
        Doc->SaveListFiles(Folder, prompt, false);
    }
    return SaveSettings(prompt);
}

bool AppSession::End(Prompt& prompt)
{
    if (Doc) {
        Doc->SaveListFiles(Folder, prompt, true);
        Doc.reset();
    }
    return SaveSettings(prompt);
}

std::string AppSession::SettingsPath() const
{
    return Folder + kSettingsFileName;
}

std::string PartsFileArgument(const std::vector<std::string>& arguments)
{
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--screenshot") {
            ++i;  // its picture file
        } else if (!argument.empty() && argument[0] != '-') {
            return argument;
        }
    }
    return "";
}

bool IsJobFileName(const std::string& path)
{
    const std::string extension = ".nestrix";
    if (path.size() <= extension.size()) {
        return false;
    }
    for (std::size_t i = 0; i < extension.size(); ++i) {
        const char c = path[path.size() - extension.size() + i];
        if (std::tolower(static_cast<unsigned char>(c)) != extension[i]) {
            return false;
        }
    }
    return true;
}
