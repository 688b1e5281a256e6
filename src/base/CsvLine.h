#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Splits a line at commas: no trimming, empty fields kept, k commas give k+1 fields.
// A field that starts with a double quote and ends with one before the next comma (or the
// end of the line) is a quoted field: its commas belong to it and "" stands for one quote.
// Any other field is taken byte for byte. Another separator (a tab) splits the same way.
std::vector<std::string> SplitFields(const std::string& line, char separator = ',');

// Whether the line ends inside a quoted field: a spreadsheet cell with a line break in it
// (Alt+Enter) was cut in two by the line end.
bool EndsInsideQuotes(const std::string& line, char separator = ',');

// A field as written: unchanged unless it holds a comma or a double quote, which is then
// enclosed in double quotes with inner quotes doubled.
std::string QuoteField(const std::string& field);

// Millimetres as text to 0.1 mm: the integer part of atof(text) * 10.0 + 0.5.
// False when the value does not fit a 32-bit length (the line is rejected).
bool ToTenths(const std::string& text, std::int32_t& tenths);
// atoi: the longest integer prefix, 0 for text that does not start with one.
// False when the number does not fit 32 bits.
bool ToInt(const std::string& text, std::int32_t& value);
// How a number field of the files reads.
enum class NumberText {
    Ok,
    NotNumber,   // trailing text, an exponent, hex, a stray separator: "700mm", "1e6", "0x2BC"
    NotInteger,  // a decimal part where a whole number is due: "4.9"
    NotFinite,   // "nan", "inf"
    TooLarge,    // does not fit 32 bits
};
// A length field in millimetres to 0.1 mm (integer part of value * 10.0 + 0.5): blanks around,
// a sign, digits with an optional decimal part; thousands separators only in groups of three
// ("1,820.5"). An empty field is 0, as the files of earlier versions leave a trim empty.
NumberText ReadTenths(const std::string& text, std::int32_t& tenths);
// A whole-number field the same way ("4,800" is 4800, "4.0" is 4).
NumberText ReadInteger(const std::string& text, std::int32_t& value);

// A length in 0.1 mm as "%.1f" millimetres, independent of the process locale.
std::string FormatTenths(std::int32_t tenths);
