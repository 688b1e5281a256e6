#include "calc/SelGenbanForm.h"

#include <algorithm>

#include "base/Settings.h"
#include "base/TextCodec.h"
#include "job/FieldCheck.h"
#include "job/Genban.h"
#include "platform/Prompt.h"

namespace {

constexpr NumberRule kKerfRule{false, 0.0, 9999.9, "0", "9999.9"};
constexpr NumberRule kLimitRule{false, 0.1, 99999.9, "0.1", "99999.9"};

// The options kept as they are; the kerf, the limit and the method are converted or checked.
using Link = SettingLink<SelGenbanForm>;
constexpr std::array<Link, 11> kLinks = {{
    {&SelGenbanForm::UseYBuzai, &Settings::UseYBuzai},
    {&SelGenbanForm::NoRateFlg, &Settings::NoRateFlg},
    {&SelGenbanForm::NoUsenFlg, &Settings::NoUsenFlg},
    {&SelGenbanForm::UseCal3, &Settings::UseCal3},
    {&SelGenbanForm::UseCal4, &Settings::UseCal4},
    {&SelGenbanForm::Use2ko1, &Settings::Use2ko1},
    {&SelGenbanForm::UseSmallPat, &Settings::UseSmallPat},
    {&SelGenbanForm::UseMenCal, &Settings::UseMenCal},
    {&SelGenbanForm::UseSearch, &Settings::UseSearch},
    {&SelGenbanForm::MergeRows, &Settings::MergeRows},
    {&SelGenbanForm::FewerCutsOnTie, &Settings::FewerCutsOnTie},
}};

// Texts compare as the multibyte strings of the files do: byte by byte in CP932.
std::string SortText(const std::string& text)
{
    std::string bytes;
    return Utf8ToCp932(text, bytes) ? bytes : text;
}

// -1, 0 or 1 as board a sorts before, with or after board b by the column, ascending.
int Compare(const CGenban& a, const CGenban& b, int column, std::size_t ia, std::size_t ib)
{
    const auto order = [](auto x, auto y) { return x < y ? -1 : y < x ? 1 : 0; };
    switch (column) {
        case 0: return order(ia, ib);
        case 1: return order(SortText(a.Name), SortText(b.Name));
        case 2: return order(SortText(a.Kind), SortText(b.Kind));
        case 3: return order(a.Count, b.Count);
        case 4: return order(a.Width, b.Width);
        case 5: return order(a.Height, b.Height);
        case 6: return order(a.Thickness, b.Thickness);
        case 7: return order(a.Price, b.Price);
        case 8: return order(a.Priority, b.Priority);
        case 9: return order(a.TrimTop, b.TrimTop);
        case 10: return order(a.TrimBottom, b.TrimBottom);
        case 11: return order(a.TrimLeft, b.TrimLeft);
        case 12: return order(a.TrimRight, b.TrimRight);
        case 13: return order(SortText(a.Remark), SortText(b.Remark));
        default: return 0;
    }
}

}  // namespace

SelGenbanForm::SelGenbanForm(CGenbanList& boards, const Settings& settings) : m_boards(boards)
{
    LoadLinked(kLinks, settings, *this);
    NokoHabaText = TenthsToFieldText(settings.NokoHaba);
    CutLV = std::clamp(settings.CutLV, 0, 3);
    MaxCutSizeText = TenthsToFieldText(settings.MaxCutSize);
    m_direction.fill(1);
    for (std::size_t i = 0; i < boards.Items.size(); ++i) {
        m_order.push_back(i);
    }
}

const CGenban& SelGenbanForm::RowBoard(std::size_t row) const
{
    return m_boards.Items.at(m_order.at(row));
}

std::vector<std::size_t> SelGenbanForm::SelectedRows() const
{
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < m_order.size(); ++row) {
        if (RowBoard(row).Use) {
            rows.push_back(row);
        }
    }
    return rows;
}

void SelGenbanForm::MarkSelection(const std::vector<std::size_t>& selectedRows)
{
    for (const std::size_t index : m_order) {
        m_boards.Items.at(index).Use = 0;
    }
    for (const std::size_t row : selectedRows) {
        m_boards.Items.at(m_order.at(row)).Use = 1;
    }
}

void SelGenbanForm::SortByColumn(int column, const std::vector<std::size_t>& selectedRows)
{
    if (column < 0 || column >= kColumns) {
        return;
    }
    MarkSelection(selectedRows);
    int& direction = m_direction[static_cast<std::size_t>(column)];
    direction = direction ? 0 : 1;
    const bool ascending = direction == 1;
    std::stable_sort(m_order.begin(), m_order.end(), [&](std::size_t a, std::size_t b) {
        const int c = Compare(m_boards.Items.at(a), m_boards.Items.at(b), column, a, b);
        return ascending ? c < 0 : c > 0;
    });
}

void SelGenbanForm::SelectAll()
{
    for (CGenban& board : m_boards.Items) {
        board.Use = 1;
    }
}

SelGenbanForm::Field SelGenbanForm::Accept(const std::vector<std::size_t>& selectedRows, Prompt& prompt)
{
    MarkSelection(selectedRows);
    if (selectedRows.empty()) {
        prompt.ShowError(kNoBoardSelected);
        return Field::Boards;
    }
    if (const std::string message = CheckNumber(kKerfRule, NokoHabaText, m_kerf); !message.empty()) {
        prompt.ShowError(message);
        return Field::NokoHaba;
    }
    if (const std::string message = CheckNumber(kLimitRule, MaxCutSizeText, m_limit); !message.empty()) {
        prompt.ShowError(message);
        return Field::MaxCutSize;
    }
    return Field::None;
}

void SelGenbanForm::StoreInto(Settings& settings) const
{
    StoreLinked(kLinks, *this, settings);
    settings.NokoHaba = MillimetresToTenths(m_kerf);
    settings.CutLV = CutLV;
    settings.MaxCutSize = MillimetresToTenths(m_limit);
}
