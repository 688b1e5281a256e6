#include "doc/AppSession.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"

bool AppSession::Start()
{
    Folder = ProgramFolder();
    if (Folder.empty()) {
        return false;
    }
    IniFile ini;
    ini.Load(SettingsPath());
    AppSettings.Load(ini);
    return true;
}

CNestrixDoc& AppSession::NewDocument(Prompt& prompt)
{
    Doc = std::make_unique<CNestrixDoc>();
    Doc->OnNewDocument(AppSettings, Folder, prompt);
    return *Doc;
}

bool AppSession::End(Prompt& prompt)
{
    if (Doc) {
        Doc->WriteJobFiles(Folder, prompt);
        Doc.reset();
    }
    if (Folder.empty()) {
        return false;
    }
    // Keys the program never writes (set by hand) stay as they are in the file.
    IniFile ini;
    if (!ini.Load(SettingsPath())) {
        return false;
    }
    AppSettings.Store(ini);
    return ini.Save(SettingsPath()) == WriteStatus::Ok;
}

std::string AppSession::SettingsPath() const
{
    return Folder + kSettingsFileName;
}
