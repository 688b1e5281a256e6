#include "platform/qt/QtPrompt.h"

#include <QMessageBox>
#include <QPushButton>
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

int QtPrompt::Choose(const std::string& text, const std::vector<std::string>& choices)
{
    const int last = static_cast<int>(choices.size()) - 1;
    if (g_stopped) {
        ShowError(text);
        return last;
    }
    QMessageBox box(QMessageBox::Question, kAppTitle, QString::fromStdString(text), QMessageBox::NoButton, m_owner);
    box.setObjectName("choiceBox");
    std::vector<QPushButton*> buttons;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        QPushButton* button = box.addButton(QString::fromStdString(choices[i]), QMessageBox::AcceptRole);
        button->setObjectName(QString("choice%1").arg(i + 1));
        buttons.push_back(button);
    }
    if (!buttons.empty()) {
        box.setDefaultButton(buttons.back());
        box.setEscapeButton(buttons.back());
    }
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) {
            return static_cast<int>(i);
        }
    }
    return last;
}
