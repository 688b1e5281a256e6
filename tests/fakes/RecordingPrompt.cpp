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
