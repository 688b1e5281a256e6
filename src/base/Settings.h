#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/LabelLayout.h"
#include "platform/FileChooser.h"

class IniFile;

// Every user setting, section "SysPara" of Nestrix.ini. Member names are the keys.
struct Settings {
    std::int32_t NokoHaba = 30;  // kerf, 0.1 mm
    std::string BuzaiFol;
    std::string YBuzaiFol;
    std::string GenbanFol;
    std::string RetFol;
    int UseYBuzai = 0;
    int NoRateFlg = 0;
    int NoUsenFlg = 0;
    int Use2ko1 = 1;
    int UseSmallPat = 1;
    int UseCal3 = 1;
    int UseCal4 = 1;
    int UseMenCal = 1;
    int CutLV = 3;
    int UseSearch = 0;                 // also run the search engine
    int MergeRows = 0;                 // lay part rows of one size out as one entry (faster)
    int SearchEffort = 3;              // 1..5
    int FewerCutsOnTie = 0;            // 同じ価格なら切断の少ない方
    int PlanTolerance = 2;             // 配置候補: % above the best price, 0..kMaxPlanTolerance
    int TimeOut = 0;                   // read only, never written
    std::int32_t MaxCutSize = 999999;  // cutting limit, 0.1 mm
    int TankaType = 2;
    int ResetGenbanFlg = 0;
    int ResetYBuzaiFlg = 0;
    int OutPrnPre = 1;
    int OutCutMark = 1;
    int BuzaiSun = 1;
    int ColorPrint = 1;
    int CutMarkSun = 1;
    int CutOrderDisp = 0;  // 切断順序を表示: every cut of the cut plan, numbered
    int LastGSortUD = 1;
    int LastGSort = 0;
    int OldBikou = 0;
    int MaxCal = 2;
    int TimeDisp = 0;  // read only, never written
    int NoSort = 0;    // read only, never written
    // The smallest offcut (端材) a shop keeps, 0.1 mm, either way round; 0 keeps none.
    // 仕上げ代: added to the cut size on each banded edge of a part, milled off before banding;
    // 0.1 mm.
    int EdgePremill = 0;
    std::int32_t MinOffcutW = 3000;
    std::int32_t MinOffcutL = 3000;
    // The label sheet of ラベル印刷 (see LabelLayout), 0.1 mm.
    int LabelCols = 2;
    int LabelRows = 6;
    int LabelMarginX = 186;
    int LabelMarginY = 216;
    int LabelGapX = 0;
    int LabelGapY = 0;
    int LabelSkip = 0;

    // The job files opened or saved last, the newest first (keys RecentJob1, RecentJob2, …).
    std::vector<std::string> RecentJobs;
    static constexpr std::size_t kMaxRecentJobs = 6;
    // `path` becomes the newest; an earlier entry of it goes, the oldest beyond the limit too.
    void AddRecentJob(const std::string& path);
    // The folder of the last file chosen, per FileKind (section "LastFolder"); a file dialog opens
    // there when the folder setting of its kind above is empty.
    std::array<std::string, kFileKinds> LastFolder;
    // The column mappings of 部材の取り込み, the newest first, one per header (section
    // "PartsImport", keys Map1, Map2, …; see PartsImport.h).
    std::vector<std::string> PartsImportMaps;
    static constexpr std::size_t kMaxPartsImportMaps = 10;

    // Number of simultaneous calculations derived from MaxCal.
    int MaxCalNum = 4;

    // 0..4 -> 1, 2, 4, 8, 16; anything else gives 4 and resets MaxCal to 2.
    void UpdateMaxCalNum();

    LabelLayout Labels() const;
    void SetLabels(const LabelLayout& layout);

    // Missing keys keep their defaults; flags stored as any non-zero value load as 1. A value
    // that does not start with a number, or one outside the range the dialogs allow, keeps the
    // key's default; the returned lines say which ("NokoHaba=abc is not a number; ...").
    std::vector<std::string> Load(const IniFile& ini);
    // Writes the keys that are stored, in place; other lines of the file are kept.
    void Store(IniFile& ini) const;
};

inline constexpr const char* kSettingsSection = "SysPara";
inline constexpr int kMaxEdgePremill = 100;  // 10 mm
inline constexpr int kMaxPlanTolerance = 20;
inline constexpr const char* kLastFolderSection = "LastFolder";
inline constexpr const char* kPartsImportSection = "PartsImport";

// A dialog form's copy of an int setting: the form's member and the setting it edits.
template <class Form>
struct SettingLink {
    int Form::*Value;
    int Settings::*Setting;
};

// Every linked setting into the form.
template <class Form, std::size_t N>
void LoadLinked(const std::array<SettingLink<Form>, N>& links, const Settings& settings, Form& form)
{
    for (const SettingLink<Form>& link : links) {
        form.*link.Value = settings.*link.Setting;
    }
}

// Every linked value of the form back into the settings.
template <class Form, std::size_t N>
void StoreLinked(const std::array<SettingLink<Form>, N>& links, const Form& form, Settings& settings)
{
    for (const SettingLink<Form>& link : links) {
        settings.*link.Setting = form.*link.Value;
    }
}
