#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

class CGenban;
class CGenbanList;
class Prompt;
struct Settings;

// The rules of the board selection dialog 使用原板選択: the rows of the board list and their
// order, the sort by a column, the selection kept in the boards' Use flags, the two enable
// rules, the checks of 配置実行 and the run options from and into the settings.
class SelGenbanForm {
public:
    static constexpr int kColumns = 14;
    enum class Field { None, Boards, NokoHaba, MaxCutSize };

    SelGenbanForm(CGenbanList& boards, const Settings& settings);

    // The options as the dialog's controls hold them.
    int UseYBuzai = 0;
    int NoRateFlg = 0;
    int NoUsenFlg = 0;
    std::string NokoHabaText;  // kerf, mm
    int CutLV = 3;             // index into kMethods
    int UseCal3 = 0;
    int UseCal4 = 0;
    int Use2ko1 = 0;
    int UseSmallPat = 0;
    int UseMenCal = 0;
    int UseSearch = 0;           // the search engine too
    int MergeRows = 0;           // rows of one size as one entry
    int FewerCutsOnTie = 0;      // 同じ価格なら切断の少ない方
    std::string MaxCutSizeText;  // cutting limit, mm

    std::size_t RowCount() const { return m_order.size(); }
    // The board shown in a row.
    const CGenban& RowBoard(std::size_t row) const;
    // The rows whose board is marked for use: the selection to show.
    std::vector<std::size_t> SelectedRows() const;

    // A click on a column header: the selection goes into the Use flags, the column's direction
    // flips (the first click sorts descending) and the rows are sorted by it, rows with equal
    // values keeping their order. Show SelectedRows() afterwards.
    void SortByColumn(int column, const std::vector<std::size_t>& selectedRows);
    // 全選択: every board marked for use.
    void SelectAll();

    // "端材部分を少なくする" only without secondary parts in the offcuts.
    bool FewerOffcutsEnabled() const { return UseYBuzai == 0; }
    // "ブロックの中に異なる部材を含める" only with the method ブロック.
    bool MixedBlocksEnabled() const { return CutLV > 2; }

    // 配置実行: the selection into the Use flags, then the checks in order; the first that fails
    // shows its message and names its field (Boards: no board selected). None: accepted.
    Field Accept(const std::vector<std::size_t>& selectedRows, Prompt& prompt);
    // After Accept: the options into the settings, lengths in 0.1 mm.
    void StoreInto(Settings& settings) const;

private:
    void MarkSelection(const std::vector<std::size_t>& selectedRows);

    CGenbanList& m_boards;
    std::vector<std::size_t> m_order;  // board index of every row
    std::array<int, kColumns> m_direction;
    double m_kerf = 0.0;
    double m_limit = 0.0;
};

inline constexpr std::array<const char*, 4> kMethods = {"短冊　１回", "短冊　２回", "短冊　３回以上",
                                                        "ブロック"};
inline constexpr const char* kNoBoardSelected = "利用する原板が選択されていません";
