#include "fakes/RecordingPrompt.h"

bool RecordingPrompt::AskYesNo(const std::string& text)
{
    Shown.push_back(text);
    Asked.push_back(text);
    if (Answers.empty()) {
        return false;
    }
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
}

int RecordingPrompt::Choose(const std::string& text, const std::vector<std::string>& choices)
{
    if (Choices.empty()) {
        return AskYesNo(text) ? 0 : static_cast<int>(choices.size()) - 1;
    }
    Shown.push_back(text);
    Asked.push_back(text);
    const int choice = Choices.front();
    Choices.pop_front();
    return choice;
}
