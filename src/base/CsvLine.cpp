#include "base/CsvLine.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace {

// "C" numeric rules whatever the process locale is (Qt sets the user's locale).
locale_t CLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

// Parses a quoted field starting at pos (at the opening quote). On success returns true,
// the unquoted text and the position of the separator after it (or line.size()).
bool ParseQuoted(const std::string& line, std::size_t pos, char separator, std::string& text,
                 std::size_t& end)
{
    std::string value;
    std::size_t i = pos + 1;
    while (i < line.size()) {
        if (line[i] == '"') {
            if (i + 1 < line.size() && line[i + 1] == '"') {
                value += '"';
                i += 2;
                continue;
            }
            if (i + 1 == line.size() || line[i + 1] == separator) {
                text = std::move(value);
                end = i + 1;
                return true;
            }
            return false;  // text after the closing quote: not a quoted field
        }
        value += line[i];
        ++i;
    }
    return false;  // no closing quote
}

}  // namespace

std::vector<std::string> SplitFields(const std::string& line, char separator)
{
    // Inside the program text is UTF-8, where a comma byte never occurs inside a character.
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (true) {
        std::string quoted;
        std::size_t end = 0;
        if (pos < line.size() && line[pos] == '"' && ParseQuoted(line, pos, separator, quoted, end)) {
            fields.push_back(std::move(quoted));
        } else {
            end = line.find(separator, pos);
            if (end == std::string::npos) {
                end = line.size();
            }
            fields.push_back(line.substr(pos, end - pos));
        }
        if (end >= line.size()) {
            break;
        }
        pos = end + 1;  // past the comma
        if (pos == line.size()) {
            fields.emplace_back();  // a trailing comma leaves an empty last field
            break;
        }
    }
    return fields;
}

bool EndsInsideQuotes(const std::string& line, char separator)
{
    std::size_t pos = 0;
    while (pos <= line.size()) {
        if (pos < line.size() && line[pos] == '"') {
            std::string text;
            std::size_t end = 0;
            if (ParseQuoted(line, pos, separator, text, end)) {
                pos = end + 1;
                continue;
            }
            // No closing quote before the end, or text after it: quoted to the end of the line?
            bool open = true;
            for (std::size_t i = pos + 1; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        ++i;
                        continue;
                    }
                    open = false;
                    break;
                }
            }
            if (open) {
                return true;
            }
        }
        const std::size_t comma = line.find(separator, pos);
        if (comma == std::string::npos) {
            break;
        }
        pos = comma + 1;
    }
    return false;
}

std::string QuoteField(const std::string& field)
{
    if (field.find_first_of(",\"") == std::string::npos) {
        return field;
    }
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

bool ToTenths(const std::string& text, std::int32_t& tenths)
{
    const double millimetres = strtod_l(text.c_str(), nullptr, CLocale());
    const double scaled = millimetres * 10.0 + 0.5;
    if (!std::isfinite(scaled) || scaled >= 2147483648.0 || scaled <= -2147483649.0) {
        return false;
    }
    tenths = static_cast<std::int32_t>(scaled);  // truncation toward zero
    return true;
}

bool ToInt(const std::string& text, std::int32_t& value)
{
    errno = 0;
    const long long parsed = strtoll_l(text.c_str(), nullptr, 10, CLocale());
    if (errno == ERANGE || parsed > INT_MAX || parsed < INT_MIN) {
        return false;
    }
    value = static_cast<std::int32_t>(parsed);
    return true;
}

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The field without its blanks and thousands separators when it is a plain decimal number;
// NotNumber (or NotFinite) otherwise.
NumberText PlainDecimal(const std::string& text, std::string& plain, bool& fraction)
{
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    plain.clear();
    fraction = false;
    if (first == std::string::npos) {
        plain = "0";
        return NumberText::Ok;
    }
    const std::string body = text.substr(first, last - first + 1);
    std::size_t i = 0;
    if (body[i] == '+' || body[i] == '-') {
        plain += body[i++];
    }
    std::string lower;
    for (std::size_t k = i; k < body.size(); ++k) {
        lower += static_cast<char>(body[k] >= 'A' && body[k] <= 'Z' ? body[k] - 'A' + 'a' : body[k]);
    }
    if (lower == "nan" || lower == "inf" || lower == "infinity") {
        return NumberText::NotFinite;
    }
    // Whole part: digits, or groups of three after a comma.
    const std::size_t wholeStart = i;
    std::size_t group = 0;
    bool grouped = false;
    while (i < body.size() && (IsDigit(body[i]) || body[i] == ',')) {
        if (body[i] == ',') {
            if (i == wholeStart || (grouped ? group != 3 : group > 3) || group == 0) {
                return NumberText::NotNumber;
            }
            grouped = true;
            group = 0;
        } else {
            plain += body[i];
            ++group;
        }
        ++i;
    }
    if (grouped && group != 3) {
        return NumberText::NotNumber;
    }
    bool digits = i > wholeStart;
    if (i < body.size() && body[i] == '.') {
        plain += body[i++];
        const std::size_t fractionStart = i;
        while (i < body.size() && IsDigit(body[i])) {
            fraction = fraction || body[i] != '0';
            plain += body[i++];
        }
        digits = digits || i > fractionStart;
    }
    return digits && i == body.size() ? NumberText::Ok : NumberText::NotNumber;
}

}  // namespace

NumberText ReadTenths(const std::string& text, std::int32_t& tenths)
{
    std::string plain;
    bool fraction = false;
    if (const NumberText read = PlainDecimal(text, plain, fraction); read != NumberText::Ok) {
        return read;
    }
    return ToTenths(plain, tenths) ? NumberText::Ok : NumberText::TooLarge;
}

NumberText ReadInteger(const std::string& text, std::int32_t& value)
{
    std::string plain;
    bool fraction = false;
    if (const NumberText read = PlainDecimal(text, plain, fraction); read != NumberText::Ok) {
        return read;
    }
    if (fraction) {
        return NumberText::NotInteger;
    }
    return ToInt(plain, value) ? NumberText::Ok : NumberText::TooLarge;
}

std::string FormatTenths(std::int32_t tenths)
{
    // Integer arithmetic gives exactly what "%.1f" of tenths / 10.0 prints.
    const long long magnitude = std::llabs(static_cast<long long>(tenths));
    std::string text =
        (tenths < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
    return text;
}
