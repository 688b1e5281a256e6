#include "result/JobInfoDlg.h"

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

CJobInfoDlg::CJobInfoDlg(const CutDataInfo& start, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt)
{
    setObjectName("jobInfoDialog");
    setWindowTitle("物件情報");

    const auto edit = [this](const char* name, const std::string& text) {
        auto* line = new QLineEdit(QString::fromStdString(text), this);
        line->setObjectName(name);
        line->setMinimumWidth(line->fontMetrics().horizontalAdvance(QString(40, 'x')));
        return line;
    };
    m_jobName = edit("jobNameEdit", start.JobName);
    m_customer = edit("customerEdit", start.Customer);
    m_hasDue = new QCheckBox("指定する", this);
    m_hasDue->setObjectName("dueCheck");
    m_due = new QDateEdit(this);
    m_due->setObjectName("dueEdit");
    m_due->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    m_due->setDisplayFormat("yyyy/MM/dd");
    m_due->setCalendarPopup(true);
    m_due->setDateRange(QDate(1900, 1, 1), QDate(9999, 12, 31));
    const QDate due(start.Year, start.Month, start.Day);
    const bool dated = start.Year != 0 && due.isValid();
    m_due->setDate(dated ? due : QDate::currentDate());
    m_hasDue->setChecked(dated);
    m_due->setEnabled(dated);
    connect(m_hasDue, &QCheckBox::toggled, m_due, &QWidget::setEnabled);
    m_comment = edit("commentEdit", start.Comment);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    buttons->addButton("キャンセル", QDialogButtonBox::RejectRole)->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &CJobInfoDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CJobInfoDlg::reject);

    auto* dueRow = new QHBoxLayout;
    dueRow->addWidget(m_hasDue);
    dueRow->addWidget(m_due, 1);
    // Each label's mnemonic reaches its field; the due date's reaches its box.
    const auto label = [this](const char* text, QWidget* buddy) {
        auto* caption = new QLabel(text, this);
        caption->setBuddy(buddy);
        return caption;
    };
    auto* form = new QFormLayout(this);
    form->addRow(label("物件名(&N)", m_jobName), m_jobName);
    form->addRow(label("得意先(&C)", m_customer), m_customer);
    form->addRow(label("納期(&D)", m_hasDue), dueRow);
    form->addRow(label("コメント(&M)", m_comment), m_comment);
    form->addRow(buttons);
}

CutDataInfo CJobInfoDlg::Info() const
{
    CutDataInfo info;
    info.JobName = m_jobName->text().toStdString();
    info.Customer = m_customer->text().toStdString();
    info.Comment = m_comment->text().toStdString();
    if (m_hasDue->isChecked()) {
        const QDate due = m_due->date();
        info.Year = due.year();
        info.Month = due.month();
        info.Day = due.day();
    }
    return info;
}

void CJobInfoDlg::accept()
{
    // Without a due date the date check has nothing to refuse: a valid stand-in goes through it.
    CutDataInfo checked = Info();
    if (checked.Year == 0) {
        checked.Year = 2000;
        checked.Month = checked.Day = 1;
    }
    const CutDataField refused = CheckCutDataInfo(checked, m_prompt);
    if (refused == CutDataField::None) {
        QDialog::accept();
        return;
    }
    QLineEdit* field = refused == CutDataField::Customer  ? m_customer
                       : refused == CutDataField::Comment ? m_comment
                                                          : m_jobName;
    field->setFocus();
    field->selectAll();
}

bool EditJobInfo(CutDataInfo& info, Prompt& prompt, QWidget* parent)
{
    CJobInfoDlg dialog(info, prompt, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    const CutDataInfo edited = dialog.Info();
    const bool changed = !(edited == info);
    info = edited;
    return changed;
}
