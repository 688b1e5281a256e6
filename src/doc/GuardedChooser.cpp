#include "doc/GuardedChooser.h"

#include <algorithm>

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "doc/NestrixDoc.h"
#include "platform/Prompt.h"

std::vector<HeldFile> HeldFiles(const CNestrixDoc& doc, const std::string& folder)
{
    std::vector<HeldFile> held;
    const auto add = [&held](const std::vector<std::string>& files, const char* what) {
        for (const std::string& path : files) {
            held.push_back({path, what, false});
        }
    };
    add(doc.BuzaiList.Files, "編集中の部材データ");
    add(doc.YBuzaiList.Files, "編集中の２次部材データ");
    add(doc.GenbanList.Files, "編集中の原板データ");
    if (!doc.JobPath.empty()) {
        add({doc.JobPath}, "開いている物件");
    }
    if (!folder.empty()) {
        held.push_back({folder + kBoardsListFileName, "このプログラムが使う原板データ", true});
        held.push_back({folder + kSecondaryListFileName, "このプログラムが使う２次部材データ", true});
        held.push_back({folder + kSettingsFileName, "このプログラムの設定", true});
    }
    return held;
}

std::optional<std::string> GuardedChooser::SaveFile(const FileDialogOptions& options)
{
    std::optional<std::string> path = m_inner.SaveFile(options);
    if (!path) {
        return path;
    }
    const FileIdentity target = IdentifyFile(*path);
    const auto same = [&target](const std::string& other) { return SameFile(target, IdentifyFile(other)); };
    for (const HeldFile& file : m_held()) {
        if (!same(file.Path)) {
            continue;
        }
        const std::string name = "「" + file.Path.substr(file.Path.rfind('/') + 1) + "」";
        if (file.Refused) {
            m_prompt.ShowError(name + "は" + file.What + "のファイルです。\n別の名前で保存してください。");
            return std::nullopt;
        }
        if (std::none_of(options.OwnFiles.begin(), options.OwnFiles.end(), same) &&
            !m_prompt.AskYesNo(name + "は" + file.What + "のファイルです。\n上書きしますか？")) {
            return std::nullopt;
        }
        break;
    }
    return path;
}
