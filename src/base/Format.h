#pragma once

#include <cstdint>
#include <string>

// printf into a string of whatever length the text takes.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Millimetres of a length in 0.1 mm, as a number and as a text without a needless ".0"
// ("864", "864.5").
inline double Mm(std::int32_t tenths)
{
    return tenths / 10.0;
}
std::string MmText(std::int32_t tenths);

// Whether `name` is `head`, three or more digits, then `tail` (a numbered output file's name).
bool IsNumberedName(const std::string& name, const std::string& head, const std::string& tail);
