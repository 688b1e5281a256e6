#pragma once

#include <array>
#include <string>

#include "base/LabelLayout.h"

class FileChooser;
struct Settings;

// What the initial settings dialog (初期設定) edits: a copy of some settings, taken before the
// dialog opens and handed back only on OK.
struct NokowValues {
    // BuzaiFol, YBuzaiFol, GenbanFol, RetFol
    std::array<std::string, 4> Folders;
    int ResetGenbanFlg = 0;
    int ResetYBuzaiFlg = 0;
    int OutPrnPre = 0;
    int OutCutMark = 0;
    int CutMarkSun = 0;
    int CutOrderDisp = 0;
    int BuzaiSun = 0;
    int ColorPrint = 0;
    int TankaType = 0;
    int OldBikou = 0;
    int MaxCal = 0;  // index of 1, 2, 4, 8, 16
    int MinOffcutW = 0;  // 0.1 mm
    int MinOffcutL = 0;
    int EdgePremill = 0;  // 仕上げ代, 0.1 mm per banded edge
    int PlanTolerance = 0;  // 配置候補: % above the best price
    LabelLayout Labels;  // the label sheet of ラベル印刷

    static NokowValues FromSettings(const Settings& settings);
    // Copies every value back and derives the number of simultaneous calculations at once.
    void ApplyTo(Settings& settings) const;

    friend bool operator==(const NokowValues&, const NokowValues&) = default;
};

inline constexpr std::array<const char*, 5> kMaxCalItems = {"1", "2", "4", "8", "16"};

// The "参照" button of a folder row: the folder browser starts at the edit's text; a confirmed
// folder replaces the text, a cancel keeps it.
std::string BrowseFolder(FileChooser& chooser, const std::string& current);
