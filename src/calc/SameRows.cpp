#include "calc/SameRows.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "base/CalcError.h"
#include "calc/CalData.h"
#include "job/Buzai.h"
#include "job/TableFile.h"
#include "result/RetData.h"

std::vector<SameRows> MergeSameRows(CCalData& group, const CBuzaiList& parts)
{
    std::vector<CAL_BUZAI>& entries = group.Buzai[0];
    // By size and turn flag: the kept entry that rows of that part join.
    std::map<std::tuple<std::int32_t, std::int32_t, std::int32_t>, std::size_t> keptOf;
    std::vector<CAL_BUZAI> kept;
    std::vector<std::vector<CAL_BUZAI>> rowsOf;
    kept.reserve(entries.size());
    for (const CAL_BUZAI& entry : entries) {
        const CBuzai& part = CheckedAt(parts.Items, entry.Number, "part");
        const auto key = std::tuple{part.Width, part.Height, part.NoTurn};
        const auto found = keptOf.find(key);
        if (found != keptOf.end()) {
            CAL_BUZAI& into = kept[found->second];
            // An entry holds no more pieces than a row of a parts file may: the engines were never
            // given more. Past that the row starts an entry of its own.
            if (static_cast<std::int64_t>(into.Count) + entry.Count <= kMaxPartCount) {
                into.Count += entry.Count;
                rowsOf[found->second].push_back(entry);
                continue;
            }
        }
        keptOf[key] = kept.size();
        kept.push_back(entry);
        rowsOf.push_back({entry});
    }
    std::vector<SameRows> merged;
    if (kept.size() == entries.size()) {
        return merged;
    }
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (rowsOf[i].size() > 1) {
            merged.push_back(SameRows{kept[i].Number, std::move(rowsOf[i])});
        }
    }
    entries = std::move(kept);
    return merged;
}

namespace {

// The rows of one merged entry in the order they receive pieces.
class RowQueue {
public:
    explicit RowQueue(const SameRows& rows) : m_rows(&rows.Rows), m_left(rows.Rows.front().Count) {}

    // Up to `pieces` pieces for the current row: its number and how many it takes (never 0).
    std::pair<std::int32_t, std::int32_t> Take(std::int32_t pieces)
    {
        while (m_left < 1 && m_at + 1 < m_rows->size()) {
            m_left = (*m_rows)[++m_at].Count;
        }
        // Past the last row (more pieces than the rows hold cannot come from a consistent
        // result): the last row takes them.
        if (m_left < 1) {
            return {(*m_rows)[m_at].Number, pieces};
        }
        const std::int32_t taken = std::min(pieces, m_left);
        m_left -= taken;
        return {(*m_rows)[m_at].Number, taken};
    }
    // The rows' pieces not taken, in row order.
    void AppendLeft(std::vector<CAL_BUZAI>& out) const
    {
        if (m_left > 0) {
            out.push_back(CAL_BUZAI{(*m_rows)[m_at].Number, m_left, 0});
        }
        for (std::size_t i = m_at + 1; i < m_rows->size(); ++i) {
            if ((*m_rows)[i].Count > 0) {
                out.push_back(CAL_BUZAI{(*m_rows)[i].Number, (*m_rows)[i].Count, 0});
            }
        }
    }

private:
    const std::vector<CAL_BUZAI>* m_rows;
    std::size_t m_at = 0;
    std::int32_t m_left = 0;
};

// Pieces [s, e) of the block, numbered along x first, as blocks of the part `number`.
void AddRun(const CHaichi& block, std::int32_t number, std::int32_t s, std::int32_t e, std::int32_t pitchX,
            std::int32_t pitchY, std::vector<CHaichi>& out)
{
    const std::int32_t nx = block.Nx;
    while (s < e) {
        const std::int32_t j = s / nx, i = s % nx;
        if (i != 0 || e - s < nx) {
            const std::int32_t n = std::min(nx - i, e - s);
            out.emplace_back(number, block.List, block.X + i * pitchX, block.Y + j * pitchY, n, 1, block.Rotated);
            s += n;
        } else {
            const std::int32_t lines = (e - s) / nx;
            out.emplace_back(number, block.List, block.X, block.Y + j * pitchY, nx, lines, block.Rotated);
            s += lines * nx;
        }
    }
}

// The summary as COutData::Finish makes it: by list, then part number.
void Summarise(COutData& layout)
{
    std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> pieces;
    for (const CHaichi& block : layout.Blocks) {
        pieces[{block.List, block.Number}] += block.Nx * block.Ny;
    }
    layout.Summary.clear();
    for (const auto& [key, count] : pieces) {
        layout.Summary.push_back(CAL_BUZAI{key.second, count, key.first});
    }
}

}  // namespace

void SplitOntoRows(CRetData& ret, const std::vector<SameRows>& merged, const CBuzaiList& parts,
                   std::int32_t kerf)
{
    if (merged.empty()) {
        return;
    }
    std::vector<RowQueue> queues;
    std::map<std::int32_t, std::size_t> queueOf;  // merged entry number -> queue
    for (const SameRows& rows : merged) {
        queueOf.emplace(rows.Number, queues.size());
        queues.emplace_back(rows);
    }
    const auto queueFor = [&](const CHaichi& block) -> RowQueue* {
        if (block.List != 0) {
            return nullptr;
        }
        const auto found = queueOf.find(block.Number);
        return found == queueOf.end() ? nullptr : &queues[found->second];
    };

    std::vector<COutData> layouts;
    layouts.reserve(ret.Layouts.size());
    for (COutData& layout : ret.Layouts) {
        const bool touched = std::any_of(layout.Blocks.begin(), layout.Blocks.end(),
                                         [&](const CHaichi& block) { return queueFor(block) != nullptr; });
        if (!touched || layout.Repeat < 1) {
            layouts.push_back(std::move(layout));
            continue;
        }
        const std::size_t first = layouts.size();
        for (std::int32_t board = 0; board < layout.Repeat; ++board) {
            COutData one;
            one.BoardNo = layout.BoardNo;
            one.Repeat = 1;
            one.CutLines = layout.CutLines;
            one.PartsYield = layout.PartsYield;
            one.TotalYield = layout.TotalYield;
            one.PartsArea = layout.PartsArea;
            one.TotalArea = layout.TotalArea;
            one.Tried = layout.Tried;
            for (const CHaichi& block : layout.Blocks) {
                RowQueue* queue = queueFor(block);
                if (!queue) {
                    one.Blocks.push_back(block);
                    continue;
                }
                const CBuzai& part = CheckedAt(parts.Items, block.Number, "part");
                const std::int32_t pitchX = (block.Rotated ? part.Height : part.Width) + kerf;
                const std::int32_t pitchY = (block.Rotated ? part.Width : part.Height) + kerf;
                const std::int32_t pieces = block.Nx * block.Ny;
                for (std::int32_t s = 0; s < pieces;) {
                    const auto [number, taken] = queue->Take(pieces - s);
                    AddRun(block, number, s, s + taken, pitchX, pitchY, one.Blocks);
                    s += taken;
                }
            }
            Summarise(one);
            // Boards whose pieces go to the same rows stay one layout.
            if (layouts.size() > first && layouts.back().Blocks == one.Blocks) {
                ++layouts.back().Repeat;
            } else {
                layouts.push_back(std::move(one));
            }
        }
    }
    ret.Layouts = std::move(layouts);

    std::vector<CAL_BUZAI> unplaced;
    std::vector<bool> listed(queues.size(), false);
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        const auto found = queueOf.find(entry.Number);
        if (found == queueOf.end()) {
            unplaced.push_back(entry);
        } else if (!listed[found->second]) {
            queues[found->second].AppendLeft(unplaced);
            listed[found->second] = true;
        }
    }
    // Rows left over that the result did not list (it placed fewer pieces than it took off):
    // every row's pieces are still accounted for.
    for (std::size_t q = 0; q < queues.size(); ++q) {
        if (!listed[q]) {
            queues[q].AppendLeft(unplaced);
        }
    }
    ret.Unplaced = std::move(unplaced);
}
