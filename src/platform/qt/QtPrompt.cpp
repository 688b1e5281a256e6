#include "platform/qt/QtPrompt.h"

#include <QMessageBox>
#include <atomic>
#include <cstdio>

namespace {

std::atomic<bool> g_stopped{false};

}  // namespace

void QtPrompt::StopAsking()
{
    g_stopped = true;
}

void QtPrompt::ShowError(const std::string& text)
{
    if (g_stopped) {
        std::fprintf(stderr, "nestrix: %s\n", text.c_str());
        return;
    }
    QMessageBox box(QMessageBox::Warning, kAppTitle, QString::fromStdString(text), QMessageBox::Ok, m_owner);
    box.setObjectName("errorBox");
    box.exec();
}

bool QtPrompt::AskYesNo(const std::string& text)
{
    if (g_stopped) {
        ShowError(text);
        return false;
    }
    QMessageBox box(QMessageBox::Question, kAppTitle, QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setObjectName("questionBox");
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
