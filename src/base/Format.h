#pragma once

#include <string>

// printf into a string of whatever length the text takes.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether `name` is `head`, three or more digits, then `tail` (a numbered output file's name).
bool IsNumberedName(const std::string& name, const std::string& head, const std::string& tail);
