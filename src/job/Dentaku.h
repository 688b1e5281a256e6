#pragma once

#include <cstddef>
#include <string>

// The calculator 電卓: the four basic operations and parentheses, "*" and "/" before "+" and "-",
// equal ranks left to right, "-" as a sign at the start, after "(" and after an operator.

enum class DentakuError { None, DivideByZero, Syntax, Parentheses, TooManyParentheses };

inline constexpr std::size_t kDentakuMaxBytes = 80;  // a longer expression is refused, never cut
inline constexpr int kDentakuMaxDepth = 10;

// The message box text of an error; "" for None.
const char* DentakuMessage(DentakuError error);

// The character check that runs before any evaluation; the first failing rule decides.
DentakuError CheckExpression(const std::string& text);

struct DentakuResult {
    DentakuError Error = DentakuError::None;
    double Value = 0.0;
};

// Check, then evaluate. A result within 1e-9 of zero is 0.
DentakuResult EvaluateExpression(const std::string& text);

// "%G" with a decimal point whatever the process locale: 10, 0.5, 1.23457E+06.
std::string FormatDentaku(double value);

// Placing the calculator at the field it was opened for. Screen pixels, right and bottom exclusive.
struct DentakuRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }
};

struct DentakuPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const DentakuPoint&, const DentakuPoint&) = default;
};

// Top-left corner for a calculator of width x height: under the field, left edges lined up;
// shifted left to the field's right edge when it would pass the desktop's right edge; above the
// field when it would pass the bottom. Whatever is left over is pushed back onto the desktop.
DentakuPoint PlaceDentaku(const DentakuRect& field, int width, int height, const DentakuRect& desktop);
