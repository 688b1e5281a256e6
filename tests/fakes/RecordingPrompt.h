#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Prompt.h"

// Keeps every text shown; answers questions from Answers, then No.
class RecordingPrompt final : public Prompt {
public:
    std::vector<std::string> Shown;
    std::vector<std::string> Asked;
    std::deque<bool> Answers;

    void ShowError(const std::string& text) override { Shown.push_back(text); }
    bool AskYesNo(const std::string& text) override;
};
