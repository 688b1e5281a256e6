#pragma once

#include <string>

// Message boxes as the core sees them. The UI layer shows QMessageBox; tests record.
class Prompt {
public:
    virtual ~Prompt() = default;
    virtual void ShowError(const std::string& text) = 0;  // OK only
    virtual bool AskYesNo(const std::string& text) = 0;   // No is the default answer
};
