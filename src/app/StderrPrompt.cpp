#include "app/StderrPrompt.h"

#include <algorithm>
#include <cstdio>

#include "app/StopSignals.h"

void StderrPrompt::Print(std::string text) const
{
    if (StopSignals::Caught() != 0) {
        return;
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    std::replace(text.begin(), text.end(), '\n', ' ');
    if (Context.empty()) {
        std::fprintf(stderr, "nestrix: %s\n", text.c_str());
    } else {
        std::fprintf(stderr, "nestrix: %s: %s\n", Context.c_str(), text.c_str());
    }
}
