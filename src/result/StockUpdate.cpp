#include "result/StockUpdate.h"

#include <cmath>
#include <map>
#include <tuple>

#include "base/Format.h"
#include "result/CutData.h"
#include "result/RetData.h"

namespace {

std::string BoardText(const CGenban& board)
{
    return "「" + board.Name + "」(" + MmText(board.Width) + "×" + MmText(board.Height) + "×" +
           MmText(board.Thickness) + ")";
}

// The entry of `shop` that is the result's board `number` as the calculation had it: at the
// same position when it is there, else the first equal record; -1 when there is none.
int FindShopBoard(const CGenbanList& boards, std::int32_t number, const CGenbanList& shop)
{
    const CGenban& wanted = boards.Items[static_cast<std::size_t>(number)];
    if (static_cast<std::size_t>(number) < shop.Items.size() &&
        SameBoardRecord(shop.Items[static_cast<std::size_t>(number)], wanted)) {
        return number;
    }
    for (std::size_t i = 0; i < shop.Items.size(); ++i) {
        if (SameBoardRecord(shop.Items[i], wanted)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

std::string StockRemark(const std::string& jobName)
{
    int year = 0, month = 0, day = 0;
    Today(year, month, day);
    const std::string date = Format("%04d/%02d/%02d", year, month, day);
    return jobName.empty() ? date : jobName + " " + date;
}

std::string OffcutBoardName(std::int32_t width, std::int32_t length)
{
    return "端材 " + MmText(width) + "×" + MmText(length);
}

bool MakeStockUpdate(const JobLists& lists, const ResultSawing& sawing, const CGenbanList& shop,
                     const std::string& remark, StockUpdate& update, std::string& error)
{
    const CRetData& ret = lists.Ret;
    const auto boardOf = [&](std::int32_t number) -> const CGenban* {
        return number >= 0 && static_cast<std::size_t>(number) < lists.Boards.Items.size()
                   ? &lists.Boards.Items[static_cast<std::size_t>(number)]
                   : nullptr;
    };
    // The sheets of every shop board, and where each board of the result is in the shop's list.
    std::map<int, long long> sheets;
    std::map<std::int32_t, int> shopIndex;
    for (const COutData& layout : ret.Layouts) {
        const CGenban* board = boardOf(layout.BoardNo);
        if (board == nullptr) {
            error = "配置結果の原板 " + std::to_string(layout.BoardNo + 1) + " が原板リストにありません。";
            return false;
        }
        auto found = shopIndex.find(layout.BoardNo);
        if (found == shopIndex.end()) {
            const int index = FindShopBoard(lists.Boards, layout.BoardNo, shop);
            if (index < 0) {
                error = "原板" + BoardText(*board) +
                        " が計算の時の原板リストにありません。原板リストが変わったか、在庫反映は済んでいます。";
                return false;
            }
            found = shopIndex.emplace(layout.BoardNo, index).first;
        }
        sheets[found->second] += layout.Repeat;
    }

    StockUpdate next;
    next.Boards = shop;
    std::vector<bool> gone(shop.Items.size(), false);
    for (const auto& [index, used] : sheets) {
        CGenban& board = next.Boards.Items[static_cast<std::size_t>(index)];
        if (board.Count == kUnlimitedBoards) {
            next.Lines.push_back("原板" + BoardText(board) + ": " + std::to_string(used) + " 枚使用 (原板数は無制限のまま)");
            continue;
        }
        if (used > board.Count) {
            error = "原板" + BoardText(board) + " は " + std::to_string(board.Count) + " 枚しかありませんが、" +
                    std::to_string(used) + " 枚使っています。";
            return false;
        }
        const long long left = board.Count - used;
        std::string line = "原板" + BoardText(board) + ": " + std::to_string(board.Count) + " 枚 → " +
                           std::to_string(left) + " 枚 (" + std::to_string(used) + " 枚使用)";
        if (left == 0) {
            line += " 残りがないのでリストから外します";
            gone[static_cast<std::size_t>(index)] = true;
        }
        next.Lines.push_back(line);
        board.Count = static_cast<std::int32_t>(left);
    }

    // Equal offcuts of one board become one entry, in the order they first appear.
    using Key = std::tuple<int, std::int32_t, std::int32_t>;
    std::map<Key, std::size_t> entryOf;
    std::vector<CGenban> added;
    for (std::size_t i = 0; i < ret.Layouts.size() && i < sawing.size(); ++i) {
        const COutData& layout = ret.Layouts[i];
        const CGenban& board = *boardOf(layout.BoardNo);
        for (const CalRect& r : sawing[i].Offcuts) {
            const Key key{shopIndex.at(layout.BoardNo), r.Width(), r.Height()};
            const auto [at, fresh] = entryOf.emplace(key, added.size());
            if (!fresh) {
                added[at->second].Count += layout.Repeat;
                continue;
            }
            CGenban offcut;
            offcut.Name = OffcutBoardName(r.Width(), r.Height());
            offcut.Width = r.Width();
            offcut.Height = r.Height();
            offcut.Thickness = board.Thickness;
            const double share = static_cast<double>(r.Width()) * r.Height() / GenbanArea(board);
            offcut.Price = static_cast<std::int32_t>(std::llround(board.Price * share));
            offcut.Count = layout.Repeat;
            offcut.Priority = 2;
            offcut.Kind = board.Kind;
            offcut.Remark = remark;
            offcut.Use = 1;
            added.push_back(offcut);
        }
    }
    for (const CGenban& offcut : added) {
        next.Lines.push_back("追加 「" + offcut.Name + "」 厚さ " + MmText(offcut.Thickness) +
                             (offcut.Kind.empty() ? "" : " " + offcut.Kind) + " " + std::to_string(offcut.Count) +
                             " 枚 単価 " + std::to_string(offcut.Price) + " 円 最優先");
    }

    std::vector<CGenban> kept;
    for (std::size_t i = 0; i < next.Boards.Items.size(); ++i) {
        if (!gone[i]) {
            kept.push_back(next.Boards.Items[i]);
        }
    }
    kept.insert(kept.end(), added.begin(), added.end());
    next.Boards.Items = std::move(kept);
    next.Boards.Renumber();
    next.Boards.Saved = 0;
    update = std::move(next);
    return true;
}
