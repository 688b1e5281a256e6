#include "app/NokowForm.h"

#include "base/Settings.h"
#include "platform/FileChooser.h"

namespace {

constexpr std::array<std::string Settings::*, 4> kFolderKeys = {&Settings::BuzaiFol, &Settings::YBuzaiFol,
                                                                &Settings::GenbanFol, &Settings::RetFol};

using Link = SettingLink<NokowValues>;
constexpr std::array<Link, 15> kLinks = {{
    {&NokowValues::ResetGenbanFlg, &Settings::ResetGenbanFlg},
    {&NokowValues::ResetYBuzaiFlg, &Settings::ResetYBuzaiFlg},
    {&NokowValues::OutPrnPre, &Settings::OutPrnPre},
    {&NokowValues::OutCutMark, &Settings::OutCutMark},
    {&NokowValues::CutMarkSun, &Settings::CutMarkSun},
    {&NokowValues::CutOrderDisp, &Settings::CutOrderDisp},
    {&NokowValues::BuzaiSun, &Settings::BuzaiSun},
    {&NokowValues::ColorPrint, &Settings::ColorPrint},
    {&NokowValues::TankaType, &Settings::TankaType},
    {&NokowValues::OldBikou, &Settings::OldBikou},
    {&NokowValues::MaxCal, &Settings::MaxCal},
    {&NokowValues::MinOffcutW, &Settings::MinOffcutW},
    {&NokowValues::MinOffcutL, &Settings::MinOffcutL},
    {&NokowValues::EdgePremill, &Settings::EdgePremill},
    {&NokowValues::PlanTolerance, &Settings::PlanTolerance},
}};

}  // namespace

NokowValues NokowValues::FromSettings(const Settings& settings)
{
    NokowValues values;
    for (std::size_t i = 0; i < kFolderKeys.size(); ++i) {
        values.Folders[i] = settings.*kFolderKeys[i];
    }
    LoadLinked(kLinks, settings, values);
    values.Labels = settings.Labels();
    return values;
}

void NokowValues::ApplyTo(Settings& settings) const
{
    for (std::size_t i = 0; i < kFolderKeys.size(); ++i) {
        settings.*kFolderKeys[i] = Folders[i];
    }
    StoreLinked(kLinks, *this, settings);
    settings.SetLabels(Labels);
    settings.UpdateMaxCalNum();
}

std::string BrowseFolder(FileChooser& chooser, const std::string& current)
{
    const std::optional<std::string> chosen = chooser.ChooseFolder("フォルダの選択", current);
    return chosen ? *chosen : current;
}
