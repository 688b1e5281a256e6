#include "base/Settings.h"

#include "base/IniFile.h"

#include <algorithm>
#include <optional>

#include "base/CsvLine.h"

namespace {

enum class Type { Int, Flag, Text };

struct Key {
    const char* Name;
    Type Kind;
    bool Written;
    int Settings::*Int;
    std::string Settings::*Text;
};

// Key order is the order of the written file.
const Key kKeys[] = {
    {"NokoHaba", Type::Int, true, &Settings::NokoHaba, nullptr},
    {"BuzaiFol", Type::Text, true, nullptr, &Settings::BuzaiFol},
    {"YBuzaiFol", Type::Text, true, nullptr, &Settings::YBuzaiFol},
    {"GenbanFol", Type::Text, true, nullptr, &Settings::GenbanFol},
    {"RetFol", Type::Text, true, nullptr, &Settings::RetFol},
    {"UseYBuzai", Type::Flag, true, &Settings::UseYBuzai, nullptr},
    {"NoRateFlg", Type::Flag, true, &Settings::NoRateFlg, nullptr},
    {"NoUsenFlg", Type::Flag, true, &Settings::NoUsenFlg, nullptr},
    {"Use2ko1", Type::Flag, true, &Settings::Use2ko1, nullptr},
    {"UseSmallPat", Type::Flag, true, &Settings::UseSmallPat, nullptr},
    {"UseCal3", Type::Flag, true, &Settings::UseCal3, nullptr},
    {"UseCal4", Type::Flag, true, &Settings::UseCal4, nullptr},
    {"UseMenCal", Type::Flag, true, &Settings::UseMenCal, nullptr},
    {"CutLV", Type::Int, true, &Settings::CutLV, nullptr},
    {"UseSearch", Type::Flag, true, &Settings::UseSearch, nullptr},
    {"SearchEffort", Type::Int, true, &Settings::SearchEffort, nullptr},
    {"FewerCutsOnTie", Type::Flag, true, &Settings::FewerCutsOnTie, nullptr},
    {"PlanTolerance", Type::Int, true, &Settings::PlanTolerance, nullptr},
    {"MergeRows", Type::Flag, true, &Settings::MergeRows, nullptr},
    {"TimeOut", Type::Int, false, &Settings::TimeOut, nullptr},
    {"MaxCutSize", Type::Int, true, &Settings::MaxCutSize, nullptr},
    {"TankaType", Type::Int, true, &Settings::TankaType, nullptr},
    {"ResetGenbanFlg", Type::Flag, true, &Settings::ResetGenbanFlg, nullptr},
    {"ResetYBuzaiFlg", Type::Flag, true, &Settings::ResetYBuzaiFlg, nullptr},
    {"OutPrnPre", Type::Flag, true, &Settings::OutPrnPre, nullptr},
    {"OutCutMark", Type::Flag, true, &Settings::OutCutMark, nullptr},
    {"BuzaiSun", Type::Flag, true, &Settings::BuzaiSun, nullptr},
    {"ColorPrint", Type::Flag, true, &Settings::ColorPrint, nullptr},
    {"CutMarkSun", Type::Flag, true, &Settings::CutMarkSun, nullptr},
    {"CutOrderDisp", Type::Flag, true, &Settings::CutOrderDisp, nullptr},
    {"LastGSortUD", Type::Flag, true, &Settings::LastGSortUD, nullptr},
    {"LastGSort", Type::Int, true, &Settings::LastGSort, nullptr},
    {"OldBikou", Type::Flag, true, &Settings::OldBikou, nullptr},
    {"MaxCal", Type::Int, true, &Settings::MaxCal, nullptr},
    {"TimeDisp", Type::Flag, false, &Settings::TimeDisp, nullptr},
    {"NoSort", Type::Flag, false, &Settings::NoSort, nullptr},
    {"MinOffcutW", Type::Int, true, &Settings::MinOffcutW, nullptr},
    {"MinOffcutL", Type::Int, true, &Settings::MinOffcutL, nullptr},
    {"EdgePremill", Type::Int, true, &Settings::EdgePremill, nullptr},
    {"LabelCols", Type::Int, true, &Settings::LabelCols, nullptr},
    {"LabelRows", Type::Int, true, &Settings::LabelRows, nullptr},
    {"LabelMarginX", Type::Int, true, &Settings::LabelMarginX, nullptr},
    {"LabelMarginY", Type::Int, true, &Settings::LabelMarginY, nullptr},
    {"LabelGapX", Type::Int, true, &Settings::LabelGapX, nullptr},
    {"LabelGapY", Type::Int, true, &Settings::LabelGapY, nullptr},
    {"LabelSkip", Type::Int, true, &Settings::LabelSkip, nullptr},
};

// RecentJob1 … RecentJob<kMaxRecentJobs>, in any case.
bool RecentJobKey(const std::string& key)
{
    for (std::size_t i = 1; i <= Settings::kMaxRecentJobs; ++i) {
        if (IniFile::SameKey(key, "RecentJob" + std::to_string(i))) {
            return true;
        }
    }
    return false;
}

// Keys of section "LastFolder", by FileKind; Other is never kept.
const char* const kLastFolderKeys[kFileKinds] = {nullptr, "Buzai", "YBuzai", "Genban", "Ret", "Job"};

}  // namespace

void Settings::UpdateMaxCalNum()
{
    if (MaxCal >= 0 && MaxCal <= 4) {
        MaxCalNum = 1 << MaxCal;
    } else {
        MaxCalNum = 4;
        MaxCal = 2;
    }
}

namespace {

// How a value reads as a whole number: blanks, a sign and digits, blanks. The profile functions
// read the leading digits and drop the rest, so "3.0" (mm meant) became a kerf of 0.3 mm.
enum class Whole { Number, NotNumber, NotWhole, OutOfRange };

Whole ReadWhole(const std::string& value, int& number)
{
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return Whole::NotNumber;
    }
    const std::size_t last = value.find_last_not_of(" \t");
    std::size_t i = first;
    if (value[i] == '+' || value[i] == '-') {
        ++i;
    }
    if (i > last || value[i] < '0' || value[i] > '9') {
        return Whole::NotNumber;
    }
    const std::string text = value.substr(first, last - first + 1);
    if (value.substr(i, last - i + 1).find_first_not_of("0123456789") != std::string::npos) {
        return Whole::NotWhole;
    }
    std::int32_t parsed = 0;
    if (!ToInt(text, parsed)) {
        return Whole::OutOfRange;
    }
    number = parsed;
    return Whole::Number;
}

}  // namespace

std::vector<std::string> Settings::Load(const IniFile& ini)
{
    const Settings defaults;
    std::vector<std::string> warnings;
    const std::vector<IniFile::KeyLine> lines = ini.KeysIn(kSettingsSection);
    // Where a key stands, for the messages: "3行目 ".
    auto at = [&lines](const char* name) {
        for (const IniFile::KeyLine& line : lines) {
            if (IniFile::SameKey(line.Key, name)) {
                return std::to_string(line.Line) + "行目 ";
            }
        }
        return std::string();
    };
    if (ini.HasContent() && !ini.HasSection(kSettingsSection)) {
        warnings.push_back(std::string("[") + kSettingsSection + "] の節がありません。全ての設定に初期値を使います。");
    }
    for (const IniFile::KeyLine& line : lines) {
        const bool known = std::any_of(std::begin(kKeys), std::end(kKeys),
                                       [&line](const Key& key) { return IniFile::SameKey(line.Key, key.Name); }) ||
                           RecentJobKey(line.Key);
        if (!known) {
            warnings.push_back(std::to_string(line.Line) + "行目 " + line.Key + " という設定はありません。使われません。");
        }
    }
    for (const Key& key : kKeys) {
        if (key.Kind == Type::Text) {
            this->*key.Text = ini.GetString(kSettingsSection, key.Name, defaults.*key.Text);
            continue;
        }
        int value = defaults.*key.Int;
        if (const auto text = ini.Get(kSettingsSection, key.Name)) {
            int number = 0;
            const Whole read = ReadWhole(*text, number);
            const char* const problem = read == Whole::NotNumber  ? " は数値ではありません。"
                                        : read == Whole::NotWhole ? " は整数ではありません。"
                                                                  : " は範囲を超える数値です。";
            if (read == Whole::Number) {
                value = number;
            } else {
                warnings.push_back(at(key.Name) + key.Name + "=" + *text + problem + "初期値 " +
                                   std::to_string(value) + " を使います。");
            }
        }
        this->*key.Int = key.Kind == Type::Flag ? (value != 0 ? 1 : 0) : value;
    }
    // A value edited by hand outside the range a dialog allows would reach the calculation
    // unchecked (a negative kerf, a machining method without jobs); it falls back to the default.
    auto clamp = [&warnings, &at](const char* name, int& value, int low, int high, int fallback) {
        if (value < low || value > high) {
            warnings.push_back(at(name) + name + "=" + std::to_string(value) + " は " + std::to_string(low) + " から " +
                               std::to_string(high) + " の範囲にありません。初期値 " + std::to_string(fallback) +
                               " を使います。");
            value = fallback;
        }
    };
    clamp("NokoHaba", NokoHaba, 0, 99999, defaults.NokoHaba);
    clamp("MaxCutSize", MaxCutSize, 1, 999999, defaults.MaxCutSize);
    clamp("CutLV", CutLV, 0, 3, defaults.CutLV);
    clamp("TankaType", TankaType, 0, 3, defaults.TankaType);
    clamp("SearchEffort", SearchEffort, 1, 5, defaults.SearchEffort);
    clamp("PlanTolerance", PlanTolerance, 0, kMaxPlanTolerance, defaults.PlanTolerance);
    clamp("MaxCal", MaxCal, 0, 4, defaults.MaxCal);
    clamp("MinOffcutW", MinOffcutW, 0, 999999, defaults.MinOffcutW);
    clamp("MinOffcutL", MinOffcutL, 0, 999999, defaults.MinOffcutL);
    clamp("EdgePremill", EdgePremill, 0, kMaxEdgePremill, defaults.EdgePremill);
    clamp("LabelCols", LabelCols, 1, kMaxLabelColumns, defaults.LabelCols);
    clamp("LabelRows", LabelRows, 1, kMaxLabelRows, defaults.LabelRows);
    clamp("LabelMarginX", LabelMarginX, 0, kMaxLabelMargin, defaults.LabelMarginX);
    clamp("LabelMarginY", LabelMarginY, 0, kMaxLabelMargin, defaults.LabelMarginY);
    clamp("LabelGapX", LabelGapX, 0, kMaxLabelGap, defaults.LabelGapX);
    clamp("LabelGapY", LabelGapY, 0, kMaxLabelGap, defaults.LabelGapY);
    clamp("LabelSkip", LabelSkip, 0, kMaxLabelColumns * kMaxLabelRows - 1, defaults.LabelSkip);
    // Each key in range can still make cells too small together: the whole sheet falls back.
    if (const std::string problem = LabelLayoutProblem(Labels()); !problem.empty()) {
        warnings.push_back("ラベル用紙の設定: " + problem + " 初期値を使います。");
        SetLabels(defaults.Labels());
    }
    UpdateMaxCalNum();
    RecentJobs.clear();
    for (std::size_t i = 1; i <= kMaxRecentJobs; ++i) {
        const std::string path = ini.GetString(kSettingsSection, "RecentJob" + std::to_string(i), "");
        if (!path.empty()) {
            RecentJobs.push_back(path);
        }
    }
    for (int kind = 0; kind < kFileKinds; ++kind) {
        if (const char* key = kLastFolderKeys[kind]) {
            LastFolder[kind] = ini.GetString(kLastFolderSection, key, "");
        }
    }
    PartsImportMaps.clear();
    for (std::size_t i = 1; i <= kMaxPartsImportMaps; ++i) {
        const std::string map = ini.GetString(kPartsImportSection, "Map" + std::to_string(i), "");
        if (!map.empty()) {
            PartsImportMaps.push_back(map);
        }
    }
    return warnings;
}

LabelLayout Settings::Labels() const
{
    return {LabelCols, LabelRows, LabelMarginX, LabelMarginY, LabelGapX, LabelGapY, LabelSkip};
}

void Settings::SetLabels(const LabelLayout& layout)
{
    LabelCols = layout.Columns;
    LabelRows = layout.Rows;
    LabelMarginX = layout.MarginX;
    LabelMarginY = layout.MarginY;
    LabelGapX = layout.GapX;
    LabelGapY = layout.GapY;
    LabelSkip = layout.Skip;
}

void Settings::AddRecentJob(const std::string& path)
{
    std::erase(RecentJobs, path);
    RecentJobs.insert(RecentJobs.begin(), path);
    if (RecentJobs.size() > kMaxRecentJobs) {
        RecentJobs.resize(kMaxRecentJobs);
    }
}

void Settings::Store(IniFile& ini) const
{
    for (std::size_t i = 0; i < kMaxRecentJobs; ++i) {
        const std::string key = "RecentJob" + std::to_string(i + 1);
        if (i < RecentJobs.size() || ini.Get(kSettingsSection, key)) {
            ini.Set(kSettingsSection, key, i < RecentJobs.size() ? RecentJobs[i] : "");
        }
    }
    for (const Key& key : kKeys) {
        if (!key.Written) {
            continue;
        }
        if (key.Kind == Type::Text) {
            ini.Set(kSettingsSection, key.Name, this->*key.Text);
        } else {
            ini.Set(kSettingsSection, key.Name, std::to_string(this->*key.Int));
        }
    }
    // A kind never used adds no line.
    for (int kind = 0; kind < kFileKinds; ++kind) {
        const char* key = kLastFolderKeys[kind];
        if (key != nullptr && (!LastFolder[kind].empty() || ini.Get(kLastFolderSection, key))) {
            ini.Set(kLastFolderSection, key, LastFolder[kind]);
        }
    }
    for (std::size_t i = 0; i < kMaxPartsImportMaps; ++i) {
        const std::string key = "Map" + std::to_string(i + 1);
        if (i < PartsImportMaps.size() || ini.Get(kPartsImportSection, key)) {
            ini.Set(kPartsImportSection, key, i < PartsImportMaps.size() ? PartsImportMaps[i] : "");
        }
    }
}
