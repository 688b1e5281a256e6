#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Prompt.h"

// Keeps every text shown; answers questions from Answers, then No; a choice from Choices, else
// the first for a Yes of Answers and the last for a No.
class RecordingPrompt final : public Prompt {
public:
    std::vector<std::string> Shown;
    std::vector<std::string> Asked;
    std::deque<bool> Answers;
    std::deque<int> Choices;

    void ShowError(const std::string& text) override { Shown.push_back(text); }
    bool AskYesNo(const std::string& text) override;
    int Choose(const std::string& text, const std::vector<std::string>& choices) override;
};
