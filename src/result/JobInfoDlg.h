#pragma once

#include <QDialog>

#include "result/CutData.h"

class Prompt;
class QCheckBox;
class QDateEdit;
class QLineEdit;

// 物件情報: the job's name, customer, due date (or none) and comment, as the job file, the
// printouts, the labels and the cut data file name them. OK only when every text can go into
// those files; the texts are taken as typed, the due date only when its box is ticked.
class CJobInfoDlg : public QDialog {
    Q_OBJECT
public:
    CJobInfoDlg(const CutDataInfo& start, Prompt& prompt, QWidget* parent = nullptr);

    CutDataInfo Info() const;

public slots:
    void accept() override;

private:
    Prompt& m_prompt;
    QLineEdit* m_jobName = nullptr;
    QLineEdit* m_customer = nullptr;
    QCheckBox* m_hasDue = nullptr;
    QDateEdit* m_due = nullptr;
    QLineEdit* m_comment = nullptr;
};

// The dialog on `info`; true when it was accepted with other values, which `info` then holds.
bool EditJobInfo(CutDataInfo& info, Prompt& prompt, QWidget* parent);
