#include "platform/qt/QtPrompt.h"

#include <QMessageBox>

void QtPrompt::ShowError(const std::string& text)
{
    QMessageBox box(QMessageBox::Warning, kAppTitle, QString::fromStdString(text), QMessageBox::Ok, m_owner);
    box.setObjectName("errorBox");
    box.exec();
}

bool QtPrompt::AskYesNo(const std::string& text)
{
    QMessageBox box(QMessageBox::Question, kAppTitle, QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setObjectName("questionBox");
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
