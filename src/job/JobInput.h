#pragma once

#include <array>
#include <string>

#include "job/Buzai.h"
#include "job/Genban.h"

class Prompt;

// The texts of the input dialogs 部材 and 原板 as typed, and their checks on OK. A failed check has
// shown its message; the dialog puts the focus on the field it names and stays open.

enum class BuzaiField { None = -1, Name, Kind, Width, Height, Thickness, Count, Remark };

struct BuzaiInput {
    std::string Name;
    std::string Kind;
    std::string Width;  // millimetres
    std::string Height;
    std::string Thickness;
    std::string Count;
    bool NoTurn = false;
    std::string Remark;

    static BuzaiInput From(const CBuzai& part);
    // Checks width, height, thickness, count, then the texts; on success fills the entry members
    // of part (Index and the working members stay). Returns the first refused field.
    BuzaiField Apply(CBuzai& part, Prompt& prompt) const;
};

enum class GenbanField {
    None = -1,
    Name,
    Width,
    Height,
    Thickness,
    Price,
    Count,
    TrimTop,
    TrimBottom,
    TrimLeft,
    TrimRight,
    Kind,
    Remark,
};

struct GenbanInput {
    std::string Name;
    std::string Width;  // millimetres
    std::string Height;
    std::string Thickness;
    std::string Price;  // yen
    std::string Count;
    std::array<std::string, 4> Trims;  // top, bottom, left, right, millimetres
    std::string Kind;
    std::string Remark;
    int Priority = 0;  // 0 標準, 1 優先, 2 最優先

    static GenbanInput From(const CGenban& board);
    // Checks in the order of the dialog's fields; on success fills the entry members of board.
    GenbanField Apply(CGenban& board, Prompt& prompt) const;
};
