#pragma once

#include <QDialog>

#include "result/CutData.h"

class FileChooser;
class Prompt;
class QCalendarWidget;
class QLineEdit;
struct Settings;

// 切断データ出力情報: job name, due date (a calendar, today to begin with) and comment of the cut
// data file, starting from `start` where it has them. OK only when the texts can go into the file.
class CCutDataDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCutDataDlg(Prompt& prompt, QWidget* parent = nullptr, const CutDataInfo& start = {});

    CutDataInfo Info() const;

public slots:
    void accept() override;

private:
    Prompt& m_prompt;
    CutDataInfo m_start;  // what the dialog does not show (the customer) stays
    QLineEdit* m_jobName = nullptr;
    QCalendarWidget* m_due = nullptr;
    QLineEdit* m_comment = nullptr;
};

// 切断データ出力: the dialog, then the save dialog in the folder RetFol proposing
// "<物件名>_<YYYYMMDD>.csv", then the file. Cancelling either dialog writes nothing.
// The dialog starts from `info`, which takes what was entered once it is accepted.
// 1 when a file was written.
int ExportCutData(const CutDataSource& source, CutDataInfo& info, const Settings& settings, Prompt& prompt,
                  FileChooser& chooser, QWidget* parent);
