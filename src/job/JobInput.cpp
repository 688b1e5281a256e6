#include "job/JobInput.h"

#include "job/FieldCheck.h"
#include "platform/Prompt.h"

namespace {

constexpr NumberRule kLength{false, 0.1, 99999.9, "0.1", "99999.9"};
constexpr NumberRule kThickness{false, 0.0, 9999.9, "0", "9999.9"};
constexpr NumberRule kTrim{false, 0.0, 9999.9, "0", "9999.9"};
constexpr NumberRule kPartCount{true, 1, 9999, "1", "9999"};
constexpr NumberRule kBoardCount{true, 1, 999999, "1", "999999"};
constexpr NumberRule kPrice{true, 0, 999999, "0", "999999"};

// One field's check: a number field fills value, a text field is checked for the files.
struct Step {
    const NumberRule* Rule;  // null: a text field
    const char* Label;
    const std::string* Text;
    double Value = 0.0;
};

// Runs the steps in order; the index of the first refused one, or -1.
template <std::size_t N>
int RunSteps(std::array<Step, N>& steps, Prompt& prompt)
{
    for (std::size_t i = 0; i < N; ++i) {
        Step& step = steps[i];
        const std::string message = step.Rule != nullptr ? CheckNumber(*step.Rule, *step.Text, step.Value)
                                                         : CheckFileText(step.Label, *step.Text);
        if (!message.empty()) {
            prompt.ShowError(message);
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

BuzaiInput BuzaiInput::From(const CBuzai& part)
{
    return {part.Name,
            part.Kind,
            TenthsToFieldText(part.Width),
            TenthsToFieldText(part.Height),
            TenthsToFieldText(part.Thickness),
            std::to_string(part.Count),
            part.NoTurn != 0,
            part.Remark};
}

BuzaiField BuzaiInput::Apply(CBuzai& part, Prompt& prompt) const
{
    // Numbers first, then the texts: the order in which the fields are checked.
    std::array<Step, 7> steps{{
        {&kLength, "横幅", &Width},
        {&kLength, "縦幅", &Height},
        {&kThickness, "厚さ", &Thickness},
        {&kPartCount, "枚数", &Count},
        {nullptr, "部材名", &Name},
        {nullptr, "種類", &Kind},
        {nullptr, "備考", &Remark},
    }};
    constexpr BuzaiField kFields[] = {BuzaiField::Width, BuzaiField::Height, BuzaiField::Thickness,
                                      BuzaiField::Count, BuzaiField::Name,   BuzaiField::Kind,
                                      BuzaiField::Remark};
    const int refused = RunSteps(steps, prompt);
    if (refused >= 0) {
        return kFields[refused];
    }
    part.Name = Name;
    part.Kind = Kind;
    part.Width = MillimetresToTenths(steps[0].Value);
    part.Height = MillimetresToTenths(steps[1].Value);
    part.Thickness = MillimetresToTenths(steps[2].Value);
    part.Count = static_cast<std::int32_t>(steps[3].Value);
    part.NoTurn = NoTurn ? 1 : 0;
    part.Remark = Remark;
    return BuzaiField::None;
}

GenbanInput GenbanInput::From(const CGenban& board)
{
    GenbanInput input;
    input.Name = board.Name;
    input.Width = TenthsToFieldText(board.Width);
    input.Height = TenthsToFieldText(board.Height);
    input.Thickness = TenthsToFieldText(board.Thickness);
    input.Price = std::to_string(board.Price);
    input.Count = std::to_string(board.Count);
    input.Trims = {TenthsToFieldText(board.TrimTop), TenthsToFieldText(board.TrimBottom),
                   TenthsToFieldText(board.TrimLeft), TenthsToFieldText(board.TrimRight)};
    input.Kind = board.Kind;
    input.Remark = board.Remark;
    input.Priority = board.Priority;
    return input;
}

GenbanField GenbanInput::Apply(CGenban& board, Prompt& prompt) const
{
    // The order of the fields in the dialog; GenbanField follows it.
    std::array<Step, 12> steps{{
        {nullptr, "原板名", &Name},
        {&kLength, "横幅", &Width},
        {&kLength, "縦幅", &Height},
        {&kThickness, "厚さ", &Thickness},
        {&kPrice, "単価", &Price},
        {&kBoardCount, "枚数", &Count},
        {&kTrim, "上", &Trims[0]},
        {&kTrim, "下", &Trims[1]},
        {&kTrim, "左", &Trims[2]},
        {&kTrim, "右", &Trims[3]},
        {nullptr, "種類", &Kind},
        {nullptr, "備考", &Remark},
    }};
    const int refused = RunSteps(steps, prompt);
    if (refused >= 0) {
        return static_cast<GenbanField>(refused);
    }
    board.Name = Name;
    board.Width = MillimetresToTenths(steps[1].Value);
    board.Height = MillimetresToTenths(steps[2].Value);
    board.Thickness = MillimetresToTenths(steps[3].Value);
    board.Price = static_cast<std::int32_t>(steps[4].Value);
    board.Count = static_cast<std::int32_t>(steps[5].Value);
    board.TrimTop = MillimetresToTenths(steps[6].Value);
    board.TrimBottom = MillimetresToTenths(steps[7].Value);
    board.TrimLeft = MillimetresToTenths(steps[8].Value);
    board.TrimRight = MillimetresToTenths(steps[9].Value);
    board.Kind = Kind;
    board.Remark = Remark;
    board.Priority = Priority >= 0 && Priority <= 2 ? Priority : 0;
    return GenbanField::None;
}
