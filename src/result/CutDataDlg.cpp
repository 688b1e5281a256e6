#include "result/CutDataDlg.h"

#include <QCalendarWidget>
#include <QDate>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include "base/Settings.h"
#include "platform/FileChooser.h"

CCutDataDlg::CCutDataDlg(Prompt& prompt, QWidget* parent, const CutDataInfo& start)
    : QDialog(parent), m_prompt(prompt), m_start(start)
{
    setObjectName("cutDataDialog");
    setWindowTitle("切断データ出力情報");

    m_jobName = new QLineEdit(this);
    m_jobName->setObjectName("jobNameEdit");
    m_jobName->setMinimumWidth(m_jobName->fontMetrics().horizontalAdvance(QString(40, 'x')));
    m_due = new QCalendarWidget(this);
    m_due->setObjectName("dueCalendar");
    // The locale first: it lays the month out again, and a date selected before it stayed
    // highlighted one cell off the date the calendar returns.
    m_due->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));  // month and day names as the rest
    m_due->setGridVisible(true);
    const QDate due(start.Year, start.Month, start.Day);
    m_due->setSelectedDate(start.Year != 0 && due.isValid() ? due : QDate::currentDate());
    m_jobName->setText(QString::fromStdString(start.JobName));
    m_comment = new QLineEdit(this);
    m_comment->setObjectName("commentEdit");
    m_comment->setText(QString::fromStdString(start.Comment));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    buttons->addButton("キャンセル", QDialogButtonBox::RejectRole)->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &CCutDataDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCutDataDlg::reject);

    auto* form = new QFormLayout(this);
    form->addRow("物件名", m_jobName);
    form->addRow("納期", m_due);
    form->addRow("コメント", m_comment);
    form->addRow(buttons);
}

CutDataInfo CCutDataDlg::Info() const
{
    const QDate due = m_due->selectedDate();
    CutDataInfo info = m_start;
    info.JobName = m_jobName->text().toStdString();
    info.Year = due.year();
    info.Month = due.month();
    info.Day = due.day();
    info.Comment = m_comment->text().toStdString();
    return info;
}

void CCutDataDlg::accept()
{
    const CutDataInfo info = Info();
    const CutDataField refused = CheckCutDataInfo(info, m_prompt);
    if (refused != CutDataField::None) {
        QLineEdit* field = refused == CutDataField::Comment ? m_comment : m_jobName;
        field->setFocus();
        field->selectAll();
        return;
    }
    QDialog::accept();
}

int ExportCutData(const CutDataSource& source, CutDataInfo& info, const Settings& settings, Prompt& prompt,
                  FileChooser& chooser, QWidget* parent)
{
    CCutDataDlg dialog(prompt, parent, info);
    if (dialog.exec() != QDialog::Accepted) {
        return 0;
    }
    info = dialog.Info();
    FileDialogOptions options{"切断データ (*.csv)|*.csv||", "csv", settings.RetFol, ""};
    options.FileName = CutDataFileName(info);
    options.Kind = FileKind::CutData;
    const std::optional<std::string> path = chooser.SaveFile(options);
    if (!path) {
        return 0;
    }
    return WriteCutData(*path, source, info, prompt);
}
