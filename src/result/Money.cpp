#include "result/Money.h"

#include <cmath>
#include <cstdio>

std::string Money(double value, int width)
{
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f", std::fabs(value));
    const std::string plain(digits);

    std::string text;
    const std::size_t n = plain.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) {
            text += ',';
        }
        text += plain[i];
    }
    // -0.4 rounds to 0: no sign in front of a zero.
    if (value < 0.0 && plain != "0") {
        text.insert(0, 1, '-');
    }
    if (static_cast<int>(text.size()) < width) {
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    }
    return text;
}
