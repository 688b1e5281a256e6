#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/Prompt.h"

// Message boxes owned by the main window (or by no window before it exists).
class QtPrompt final : public Prompt {
public:
    explicit QtPrompt(QWidget* owner = nullptr) : m_owner(owner) {}
    void SetOwner(QWidget* owner) { m_owner = owner; }

    void ShowError(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    int Choose(const std::string& text, const std::vector<std::string>& choices) override;

    // After a stop signal nobody is there to answer: from then on every prompt goes to standard
    // error without a box, and a question is answered No.
    static void StopAsking();

private:
    QPointer<QWidget> m_owner;
};

inline constexpr const char* kAppTitle = "Nestrix";
