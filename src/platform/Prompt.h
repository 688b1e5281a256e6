#pragma once

#include <string>
#include <vector>

// Message boxes as the core sees them. The UI layer shows QMessageBox; tests record.
class Prompt {
public:
    virtual ~Prompt() = default;
    virtual void ShowError(const std::string& text) = 0;  // OK only
    virtual bool AskYesNo(const std::string& text) = 0;   // No is the default answer
    // One of `choices` (button texts) by its index; the last is the default and Esc's answer.
    // Where no buttons can be shown, a Yes picks the first and a No the last.
    virtual int Choose(const std::string& text, const std::vector<std::string>& choices)
    {
        const int last = static_cast<int>(choices.size()) - 1;
        return AskYesNo(text) ? 0 : last;
    }
};
