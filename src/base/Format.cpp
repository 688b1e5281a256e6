#include "base/Format.h"

#include <cstdarg>
#include <cstdio>

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(again);
    return text;
}

bool IsNumberedName(const std::string& name, const std::string& head, const std::string& tail)
{
    if (name.size() < head.size() + 3 + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
        return false;
    }
    const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    return digits.find_first_not_of("0123456789") == std::string::npos;
}

std::string MmText(std::int32_t tenths)
{
    return tenths % 10 == 0 ? std::to_string(tenths / 10) : Format("%.1f", tenths / 10.0);
}
