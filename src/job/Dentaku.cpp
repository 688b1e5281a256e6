#include "job/Dentaku.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits and the decimal point make up a number.
bool IsNumberChar(char c)
{
    return IsDigit(c) || c == '.';
}

bool IsOperator(char c)
{
    return c == '+' || c == '-' || c == '*' || c == '/';
}

bool IsAllowed(char c)
{
    return IsDigit(c) || IsOperator(c) || c == '(' || c == ')' || c == ' ' || c == '.';
}

// Recursive evaluation of a checked expression. Spaces are skipped between tokens; the check
// has made sure that they never split a number.
class Evaluator {
public:
    explicit Evaluator(const std::string& text) : m_text(text) {}

    DentakuResult Run()
    {
        bool hadOperator = false;
        double value = Sum(hadOperator);
        if (m_divideByZero) {
            return {DentakuError::DivideByZero, 0.0};
        }
        if (m_pos != m_text.size()) {
            return {DentakuError::Syntax, 0.0};
        }
        return {DentakuError::None, NearZeroIsZero(value)};
    }

private:
    static double NearZeroIsZero(double value) { return std::fabs(value) <= 1e-9 ? 0.0 : value; }

    char Peek()
    {
        while (m_pos < m_text.size() && m_text[m_pos] == ' ') {
            ++m_pos;
        }
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }

    // "+" and "-" of one parenthesised part (or the whole text).
    double Sum(bool& hadOperator)
    {
        double value = Product(hadOperator);
        for (char op = Peek(); op == '+' || op == '-'; op = Peek()) {
            ++m_pos;
            hadOperator = true;
            const double operand = Product(hadOperator);
            value = op == '+' ? value + operand : value - operand;
        }
        return value;
    }

    double Product(bool& hadOperator)
    {
        double value = Operand();
        for (char op = Peek(); op == '*' || op == '/'; op = Peek()) {
            ++m_pos;
            hadOperator = true;
            const double operand = Operand();
            if (op == '*') {
                value *= operand;
            } else if (operand == 0.0) {  // exactly zero; a tiny divisor is divided by
                m_divideByZero = true;
                return 0.0;
            } else {
                value /= operand;
            }
        }
        return value;
    }

    double Operand()
    {
        const char c = Peek();
        if (m_divideByZero) {
            return 0.0;
        }
        if (c == '-') {
            ++m_pos;
            return -Operand();
        }
        if (c == '(') {
            ++m_pos;
            bool hadOperator = false;
            double value = Sum(hadOperator);
            if (Peek() == ')') {
                ++m_pos;
            }
            // Only a part that computed something drops its rounding noise; "(0.0000000001)"
            // stays as written.
            return hadOperator ? NearZeroIsZero(value) : value;
        }
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && IsNumberChar(m_text[m_pos])) {
            ++m_pos;
        }
        double value = 0.0;
        std::from_chars(m_text.data() + start, m_text.data() + m_pos, value);
        return value;
    }

    const std::string& m_text;
    std::size_t m_pos = 0;
    bool m_divideByZero = false;
};

}  // namespace

const char* DentakuMessage(DentakuError error)
{
    switch (error) {
        case DentakuError::None: return "";
        case DentakuError::DivideByZero: return "０で除算しました";
        case DentakuError::Syntax: return "計算式が誤っています";
        case DentakuError::Parentheses: return "カッコの数が異常です";
        case DentakuError::TooManyParentheses: return "カッコが多すぎます";
    }
    return "";
}

DentakuError CheckExpression(const std::string& text)
{
    if (text.size() > kDentakuMaxBytes) {
        return DentakuError::Syntax;
    }
    if (!std::any_of(text.begin(), text.end(), IsDigit) ||
        !std::all_of(text.begin(), text.end(), IsAllowed)) {
        return DentakuError::Syntax;
    }
    char previous = '\0';        // the previous non-space character
    char beforePrevious = '\0';  // the one before it
    bool space = false;          // a space since the previous non-space character
    int depth = 0;
    int maxDepth = 0;
    int opens = 0;
    int closes = 0;
    bool inNumber = false;
    bool numberHasDigit = false;
    bool numberHasPoint = false;
    for (const char c : text) {
        if (c == ' ') {
            space = true;
            continue;
        }
        if (c == '(') {
            ++depth;
            ++opens;
        } else if (c == ')') {
            --depth;
            ++closes;
        }
        if (IsNumberChar(c)) {
            // "1 2", "1 .5", "(1)2": two numbers, or a number after ")", with no operator between.
            if ((IsNumberChar(previous) && space) || previous == ')') {
                return DentakuError::Syntax;
            }
            if (!inNumber) {
                inNumber = true;
                numberHasDigit = false;
                numberHasPoint = false;
            }
            if (c == '.') {
                if (numberHasPoint) {  // "1.2.3"
                    return DentakuError::Syntax;
                }
                numberHasPoint = true;
            } else {
                numberHasDigit = true;
            }
        } else {
            if (inNumber && !numberHasDigit) {  // a lone "."
                return DentakuError::Syntax;
            }
            inNumber = false;
        }
        if ((c == ')' || c == '*' || c == '+' || c == '/') &&
            (previous == '\0' || std::strchr("*+/(-", previous) != nullptr)) {
            return DentakuError::Syntax;
        }
        if (c == '(' && (previous == ')' || IsNumberChar(previous))) {  // "(1)(2)", "2(3)"
            return DentakuError::Syntax;
        }
        if (c == '-' && previous == '-' && !IsNumberChar(beforePrevious)) {
            return DentakuError::Syntax;
        }
        if (depth < 0) {
            return DentakuError::Parentheses;
        }
        maxDepth = std::max(maxDepth, depth);
        beforePrevious = previous;
        previous = c;
        space = false;
    }
    if (inNumber && !numberHasDigit) {
        return DentakuError::Syntax;
    }
    if (opens != closes) {
        return DentakuError::Parentheses;
    }
    if (maxDepth > kDentakuMaxDepth) {
        return DentakuError::TooManyParentheses;
    }
    if (IsOperator(previous)) {
        return DentakuError::Syntax;
    }
    return DentakuError::None;
}

DentakuResult EvaluateExpression(const std::string& text)
{
    const DentakuError error = CheckExpression(text);
    if (error != DentakuError::None) {
        return {error, 0.0};
    }
    return Evaluator(text).Run();
}

std::string FormatDentaku(double value)
{
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    if (ec != std::errc()) {
        return "0";
    }
    std::string text(buffer, end);
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

DentakuPoint PlaceDentaku(const DentakuRect& field, int width, int height, const DentakuRect& desktop)
{
    DentakuPoint at{field.Left, field.Bottom()};
    if (at.X + width > desktop.Right()) {
        at.X = field.Right() - width;
    }
    if (at.Y + height > desktop.Bottom()) {
        at.Y = field.Top - height;
    }
    // A desktop smaller than the field's surroundings: keep the whole calculator on it,
    // the top-left corner first.
    at.X = std::max(desktop.Left, std::min(at.X, desktop.Right() - width));
    at.Y = std::max(desktop.Top, std::min(at.Y, desktop.Bottom() - height));
    return at;
}
