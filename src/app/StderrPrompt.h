#pragma once

#include <string>

#include "platform/Prompt.h"

// Message boxes become lines on stderr, prefixed with the file being read; questions are
// answered No. Nothing is printed once a stop signal arrived (its message says why).
class StderrPrompt final : public Prompt {
public:
    std::string Context;  // the file the next messages are about; "" for none

    void ShowError(const std::string& text) override { Print(text); }
    bool AskYesNo(const std::string& text) override
    {
        Print(text);
        return false;
    }

private:
    void Print(std::string text) const;
};
