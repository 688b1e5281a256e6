#pragma once

#include <QDialog>

class CRetData;
class FileChooser;
class Prompt;
class QFont;
struct Settings;

// 配置結果: the boards used, the secondary parts placed and the parts left unplaced of a
// result, its yield and cost. ファイル出力 writes the unplaced parts as a parts file; the
// result is only read.
class CEdgeList;

class CRetDlg : public QDialog {
    Q_OBJECT
public:
    // `edges`: the band table of a result with bands (its metres and cost are shown).
    CRetDlg(const CRetData& ret, const Settings& settings, Prompt& prompt, FileChooser& chooser,
            const QFont& listFont, QWidget* parent = nullptr, const CEdgeList* edges = nullptr);

private:
    void OnFileOutput();

    const CRetData& m_ret;
    const Settings& m_settings;
    Prompt& m_prompt;
    FileChooser& m_chooser;
};
