#include "job/FieldCheck.h"

#include <charconv>
#include <cstdio>
#include <cmath>

#include "base/TextCodec.h"
#include "base/Tolerance.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t SkipBlanks(const std::string& text, std::size_t pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    return pos;
}

std::size_t SkipDigits(const std::string& text, std::size_t pos)
{
    while (pos < text.size() && IsDigit(text[pos])) {
        ++pos;
    }
    return pos;
}

std::string Replace(std::string text, const std::string& mark, const std::string& by)
{
    const std::size_t at = text.find(mark);
    if (at != std::string::npos) {
        text.replace(at, mark.size(), by);
    }
    return text;
}

}  // namespace

std::optional<double> LeadingDecimal(const std::string& text)
{
    std::size_t pos = SkipBlanks(text, 0);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t start = pos;
    std::size_t end = SkipDigits(text, pos);
    bool digits = end > start;
    if (end < text.size() && text[end] == '.') {
        const std::size_t fraction = SkipDigits(text, end + 1);
        digits = digits || fraction > end + 1;
        end = fraction;
    }
    if (!digits) {
        return std::nullopt;
    }
    // An exponent counts only when it has digits: "12e" is 12.
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        const std::size_t exponentEnd = SkipDigits(text, exponent);
        if (exponentEnd > exponent) {
            end = exponentEnd;
        }
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data() + start, text.data() + end, value);
    if (ec == std::errc::result_out_of_range) {
        // Too small is 0, too large is beyond every range.
        const std::string digits = text.substr(start, end - start);
        const bool tiny = digits.find("e-") != std::string::npos || digits.find("E-") != std::string::npos;
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<long long> LeadingInteger(const std::string& text)
{
    std::size_t pos = SkipBlanks(text, 0);
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    const std::size_t end = SkipDigits(text, pos);
    const bool decimalFollows =
        end < text.size() && (text[end] == '.' || text[end] == 'e' || text[end] == 'E');
    if (end == pos && !(end < text.size() && text[end] == '.')) {
        return std::nullopt;
    }
    const std::optional<double> decimal = LeadingDecimal(text);
    if (!decimal) {
        return std::nullopt;
    }
    if (decimalFollows && *decimal != std::trunc(*decimal)) {
        return std::nullopt;  // "2.5" is no count
    }
    // Beyond what any range accepts: keep it beyond.
    if (std::fabs(*decimal) > 9e15) {
        return *decimal < 0 ? -9000000000000000LL : 9000000000000000LL;
    }
    return static_cast<long long>(*decimal);
}

std::string CheckNumber(const NumberRule& rule, const std::string& text, double& value)
{
    if (rule.Integer) {
        const std::optional<long long> number = LeadingInteger(text);
        if (!number) {
            return "整数を入力してください。";
        }
        value = static_cast<double>(*number);
    } else {
        const std::optional<double> number = LeadingDecimal(text);
        if (!number) {
            return "数値を入力してください。";
        }
        value = *number;
    }
    if (DoubleLess(value, rule.Min) || DoubleGreater(value, rule.Max)) {
        const char* pattern = rule.Integer ? "%1 から %2 までの整数を入力してください。"
                                           : "%1 から %2 までの数値を入力してください。";
        return Replace(Replace(pattern, "%1", rule.MinText), "%2", rule.MaxText);
    }
    return "";
}

std::int32_t MillimetresToTenths(double millimetres)
{
    return static_cast<std::int32_t>(millimetres * 10.0 + 0.5);
}

std::string TenthsToFieldText(std::int32_t tenths)
{
    const long long magnitude = std::llabs(static_cast<long long>(tenths));
    std::string text = (tenths < 0 ? "-" : "") + std::to_string(magnitude / 10);
    if (magnitude % 10 != 0) {
        text += "." + std::to_string(magnitude % 10);
    }
    return text;
}

std::string FormatCell(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string FormatCell(const char* format, int value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string CheckFileText(const char* label, const std::string& text)
{
    if (IsCp932Representable(text)) {
        return "";
    }
    return std::string("「") + label +
           "」にファイルへ保存できない文字が含まれています。\n別の文字に置き換えてください。";
}
