#include "app/NokowForm.h"

#include "base/Settings.h"
#include "platform/FileChooser.h"

namespace {

constexpr std::array<std::string Settings::*, 4> kFolderKeys = {&Settings::BuzaiFol, &Settings::YBuzaiFol,
                                                                &Settings::GenbanFol, &Settings::RetFol};

}  // namespace

NokowValues NokowValues::FromSettings(const Settings& settings)
{
    NokowValues values;
    for (std::size_t i = 0; i < kFolderKeys.size(); ++i) {
        values.Folders[i] = settings.*kFolderKeys[i];
    }
    values.ResetGenbanFlg = settings.ResetGenbanFlg;
    values.ResetYBuzaiFlg = settings.ResetYBuzaiFlg;
    values.OutPrnPre = settings.OutPrnPre;
    values.OutCutMark = settings.OutCutMark;
    values.CutMarkSun = settings.CutMarkSun;
    values.BuzaiSun = settings.BuzaiSun;
    values.ColorPrint = settings.ColorPrint;
    values.TankaType = settings.TankaType;
    values.OldBikou = settings.OldBikou;
    values.MaxCal = settings.MaxCal;
    return values;
}

void NokowValues::ApplyTo(Settings& settings) const
{
    for (std::size_t i = 0; i < kFolderKeys.size(); ++i) {
        settings.*kFolderKeys[i] = Folders[i];
    }
    settings.ResetGenbanFlg = ResetGenbanFlg;
    settings.ResetYBuzaiFlg = ResetYBuzaiFlg;
    settings.OutPrnPre = OutPrnPre;
    settings.OutCutMark = OutCutMark;
    settings.CutMarkSun = CutMarkSun;
    settings.BuzaiSun = BuzaiSun;
    settings.ColorPrint = ColorPrint;
    settings.TankaType = TankaType;
    settings.OldBikou = OldBikou;
    settings.MaxCal = MaxCal;
    settings.UpdateMaxCalNum();
}

std::string BrowseFolder(FileChooser& chooser, const std::string& current)
{
    const std::optional<std::string> chosen = chooser.ChooseFolder("フォルダの選択", current);
    return chosen ? *chosen : current;
}
