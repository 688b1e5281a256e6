#pragma once

#include <string>

// Yen as text: rounded to a whole number, thousands separated by ",", a leading "-" when
// negative, padded with spaces on the left to `width` characters (a longer text is kept whole).
std::string Money(double value, int width);
