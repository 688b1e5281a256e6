#include "doc/NestrixDoc.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "base/ProgramFolder.h"
#include "base/Settings.h"
#include "base/TextFile.h"
#include "platform/Prompt.h"

namespace {

// A job file that exists but could not be read would be overwritten at the end with what was
// read of it; its bytes are kept beside it first.
void KeepUnreadable(const std::string& folder, const char* name, Prompt& prompt)
{
    const std::string path = folder + name;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return;  // missing (first run): nothing to keep
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string backup = path + ".bak";
    if (in.bad() || WriteFileAtomically(backup, bytes.str()) != WriteStatus::Ok) {
        prompt.ShowError(std::string("「") + name +
                         "」を控えとして保存できませんでした。\n終了時に上書きされます。");
        return;
    }
    prompt.ShowError(std::string("読み込めなかった「") + name + "」を「" + name + ".bak」として残しました。");
}

}  // namespace

CNestrixDoc::CNestrixDoc()
{
    BuzaiList.IsSecondary = 0;
    YBuzaiList.IsSecondary = 1;
    YBuzaiList.Template.Count = 9999;
}

int CNestrixDoc::OnNewDocument(const Settings& settings, const std::string& folder, Prompt& prompt)
{
    if (!settings.ResetGenbanFlg) {
        if (!GenbanList.Read(folder + kBoardsJobFileName, settings, prompt)) {
            KeepUnreadable(folder, kBoardsJobFileName, prompt);
        }
        GenbanList.Saved = 0;
    }
    if (!settings.ResetYBuzaiFlg) {
        if (!YBuzaiList.Read(folder + kSecondaryJobFileName, settings, prompt)) {
            KeepUnreadable(folder, kSecondaryJobFileName, prompt);
        }
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
