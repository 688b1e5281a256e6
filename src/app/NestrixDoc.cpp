#include "app/NestrixDoc.h"

#include "app/ProgramFolder.h"
#include "app/Settings.h"
#include "platform/Prompt.h"

CNestrixDoc::CNestrixDoc()
{
    BuzaiList.IsSecondary = 0;
    YBuzaiList.IsSecondary = 1;
    YBuzaiList.Template.Count = 9999;
}

int CNestrixDoc::OnNewDocument(const Settings& settings, const std::string& folder, Prompt& prompt)
{
    if (!settings.ResetGenbanFlg) {
        GenbanList.Read(folder + kBoardsJobFileName, settings, prompt);
        GenbanList.Saved = 0;
    }
    if (!settings.ResetYBuzaiFlg) {
        YBuzaiList.Read(folder + kSecondaryJobFileName, settings, prompt);
        YBuzaiList.Saved = 0;
    }
    return 1;
}

void CNestrixDoc::WriteJobFiles(const std::string& folder, Prompt& prompt) const
{
    GenbanList.Write(folder + kBoardsJobFileName, prompt);
    YBuzaiList.Write(folder + kSecondaryJobFileName, prompt);
}

bool CNestrixDoc::CanClose(Prompt& prompt) const
{
    return !Modified || prompt.AskYesNo(kCloseQuestion);
}
