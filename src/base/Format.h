#pragma once

#include <string>

// printf into a string of whatever length the text takes.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
