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
// the unquoted text and the position of the comma after it (or line.size()).
bool ParseQuoted(const std::string& line, std::size_t pos, std::string& text, std::size_t& end)
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
            if (i + 1 == line.size() || line[i + 1] == ',') {
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

std::vector<std::string> SplitFields(const std::string& line)
{
    // Inside the program text is UTF-8, where a comma byte never occurs inside a character.
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (true) {
        std::string quoted;
        std::size_t end = 0;
        if (pos < line.size() && line[pos] == '"' && ParseQuoted(line, pos, quoted, end)) {
            fields.push_back(std::move(quoted));
        } else {
            end = line.find(',', pos);
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

std::string FormatTenths(std::int32_t tenths)
{
    // Integer arithmetic gives exactly what "%.1f" of tenths / 10.0 prints.
    const long long magnitude = std::llabs(static_cast<long long>(tenths));
    std::string text =
        (tenths < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
    return text;
}
