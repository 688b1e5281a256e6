#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The number fields of the input dialogs read their text the way the files read theirs: the
// leading number counts and what follows it is ignored, so "12mm" is 12 and "3枚" is 3.

// The leading decimal number ("12.5", "-3", "1.23457E+06"); empty when the text does not start
// with one (after blanks).
std::optional<double> LeadingDecimal(const std::string& text);

// The leading whole number. A leading decimal that is whole ("12.0", the calculator's "1E+06")
// counts with its full value; one with a fraction ("2.5") is not a whole number.
std::optional<long long> LeadingInteger(const std::string& text);

// One number field of an input dialog: its accepted range, with the bounds as the messages show them.
struct NumberRule {
    bool Integer = false;
    double Min = 0.0;
    double Max = 0.0;
    const char* MinText = "";
    const char* MaxText = "";
};

// The message of a field that is refused, or "" when the text is accepted (value filled).
std::string CheckNumber(const NumberRule& rule, const std::string& text, double& value);

// Millimetres as stored, in 0.1 mm: the integer part of mm × 10.0 + 0.5.
std::int32_t MillimetresToTenths(double millimetres);
// A stored length as the input dialogs show it: 200 for 2000, 12.3 for 123.
std::string TenthsToFieldText(std::int32_t tenths);

// A list cell: one printf conversion of a number ("%7.1f", "%4d").
std::string FormatCell(const char* format, double value);
std::string FormatCell(const char* format, int value);

// The message for a text field holding a character the list files (Shift-JIS) cannot hold; "" when it has
// none.
std::string CheckFileText(const char* label, const std::string& text);
