#include "calc/engines/SubFillMemo.h"

#include <algorithm>

#include "base/Tolerance.h"

namespace {

// Width, height and whether list 0 holds parts that do not fit (the cutting candidates ask whether
// parts are left after a sub-rectangle); then number * 2 + list and count per entry.
constexpr std::size_t kHead = 3;

}  // namespace

void SubFillMemo::Validate(std::uint64_t sizes, std::int32_t kerf, std::int32_t limit)
{
    if (m_slots.empty() || sizes != m_sizes || kerf != m_kerf || limit != m_limit) {
        Reset(kFirstSlots);
        m_sizes = sizes;
        m_kerf = kerf;
        m_limit = limit;
    }
}

void SubFillMemo::Reset(std::size_t slots)
{
    m_slots.assign(slots, Entry{});
    m_slots.shrink_to_fit();
    m_stores = 0;
    m_bytes = slots * sizeof(Entry);
}

void SubFillMemo::MakeKey(const CCalHaichi& engine, const BuzaiLists& lists, const CalRect& rect,
                          std::vector<std::int32_t>& key)
{
    key.clear();
    key.push_back(rect.Width());
    key.push_back(rect.Height());
    key.push_back(0);
    const std::int64_t a = std::int64_t{rect.Width()} + engine.NokoHaba;
    const std::int64_t b = std::int64_t{rect.Height()} + engine.NokoHaba;
    for (std::int32_t l = 0; l < 2; ++l) {
        for (const CAL_BUZAI& e : lists[static_cast<std::size_t>(l)]) {
            if (engine.Size(l, e.Number).FitsWithin(a, b)) {
                key.push_back(e.Number * 2 + l);
                key.push_back(e.Count);
            } else if (l == 0) {
                key[2] = 1;
            }
        }
    }
}

std::uint64_t SubFillMemo::HashOf(const std::vector<std::int32_t>& key, std::uint64_t seed)
{
    // Two numbers at a time: the multiplications form one chain.
    std::uint64_t h = seed ^ key.size();
    std::size_t i = 0;
    for (; i + 1 < key.size(); i += 2) {
        h ^= static_cast<std::uint32_t>(key[i]) | std::uint64_t{static_cast<std::uint32_t>(key[i + 1])} << 32;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 29;
    }
    if (i < key.size()) {
        h ^= static_cast<std::uint32_t>(key[i]);
        h *= 0xBF58476D1CE4E5B9ull;
    }
    h ^= h >> 32;
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 29);
}

namespace {

constexpr std::uint64_t kSeed = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kCheckSeed = 0xD6E8FEB86659FD93ull;

}  // namespace

const SubFillMemo::Entry* SubFillMemo::Find(const std::vector<std::int32_t>& key, double need)
{
    const std::uint64_t hash = HashOf(key, kSeed);
    const Entry& e = m_slots[hash & (m_slots.size() - 1)];
    if (e.KeyLength != key.size() || e.Hash != hash || e.Check != HashOf(key, kCheckSeed)) {
        return nullptr;
    }
    // A layout that fell short of a need serves every ask for as much or more.
    if (DoubleLess(need, e.ShortOf)) {
        return nullptr;
    }
    ++m_hits;
    return &e;
}

void SubFillMemo::Apply(const Entry& e, const std::vector<std::int32_t>& key, const BuzaiLists& remaining,
                        BuzaiLists& left, COutData& layout, const CalRect& rect)
{
    const std::int32_t* changes = e.Data.data();
    const std::int32_t* d = changes + 2 * std::size_t{e.Changes};
    for (std::uint32_t i = 0; i < e.Blocks; ++i, d += 7) {
        layout.Blocks.emplace_back(d[0], d[1], d[2] + rect.X0, d[3] + rect.Y0, d[4], d[5], d[6]);
    }
    for (std::uint32_t i = 0; i < e.Cuts; ++i, d += 4) {
        layout.CutLines.push_back(CUTMARK{d[0] + rect.X0, d[1] + rect.Y0, d[2] + rect.X0, d[3] + rect.Y0});
    }
    layout.PartsArea += e.PartsArea;
    layout.TotalArea += e.TotalArea;

    // The key's entries are a subsequence of the lists in their order; the changes are in key order.
    std::size_t k = kHead;
    std::int32_t entry = 0;  // place among the key's entries
    std::uint32_t change = 0;
    for (std::int32_t l = 0; l < 2; ++l) {
        std::vector<CAL_BUZAI>& out = left[static_cast<std::size_t>(l)];
        out.clear();
        for (const CAL_BUZAI& item : remaining[static_cast<std::size_t>(l)]) {
            if (k < key.size() && key[k] == item.Number * 2 + l) {
                k += 2;
                if (change < e.Changes && changes[2 * change] == entry) {
                    const std::int32_t count = changes[2 * change + 1];
                    ++change;
                    ++entry;
                    if (count > 0) {
                        out.push_back(CAL_BUZAI{item.Number, count, item.Flag});
                    }
                    continue;
                }
                ++entry;
            }
            out.push_back(item);
        }
    }
}

void SubFillMemo::Store(const std::vector<std::int32_t>& key, double need, int result, const COutData& layout,
                        std::size_t blocks, std::size_t cuts, double partsArea, double totalArea,
                        const BuzaiLists& left, const CalRect& rect)
{
    // Many more layouts than slots: a larger table (the layouts so far are forgotten).
    if (++m_stores > 2 * m_slots.size() && m_slots.size() * 4 <= kMaxSlots) {
        Reset(m_slots.size() * 4);
    }
    const std::uint64_t hash = HashOf(key, kSeed);
    Entry& e = m_slots[hash & (m_slots.size() - 1)];
    e.Hash = hash;
    e.Check = HashOf(key, kCheckSeed);
    e.KeyLength = static_cast<std::uint32_t>(key.size());
    e.Result = result;
    e.PartsArea = layout.PartsArea - partsArea;
    e.TotalArea = layout.TotalArea - totalArea;
    // The best layout reaches every need; one below its need fell short of it.
    e.ShortOf = DoubleLess(e.PartsArea, need) ? need : -std::numeric_limits<double>::infinity();

    std::vector<std::int32_t>& data = e.Data;  // keeps its storage from the layout it replaces
    m_bytes -= data.capacity() * sizeof(std::int32_t);
    data.clear();
    // What is left keeps the order of the lists and loses only used-up entries.
    std::size_t from[2] = {0, 0};
    e.Changes = 0;
    for (std::size_t k = kHead; k + 1 < key.size(); k += 2) {
        const auto l = static_cast<std::size_t>(key[k] % 2);
        const std::int32_t number = key[k] / 2;
        const std::vector<CAL_BUZAI>& entries = left[l];
        std::size_t i = from[l];
        while (i < entries.size() && entries[i].Number != number) {
            ++i;
        }
        std::int32_t count = 0;
        if (i < entries.size()) {
            count = entries[i].Count;
            from[l] = i + 1;
        }
        if (count != key[k + 1]) {
            data.push_back(static_cast<std::int32_t>((k - kHead) / 2));
            data.push_back(count);
            ++e.Changes;
        }
    }
    e.Blocks = static_cast<std::uint32_t>(layout.Blocks.size() - blocks);
    for (std::size_t i = blocks; i < layout.Blocks.size(); ++i) {
        const CHaichi& b = layout.Blocks[i];
        data.insert(data.end(), {b.Number, b.List, b.X - rect.X0, b.Y - rect.Y0, b.Nx, b.Ny, b.Rotated});
    }
    e.Cuts = static_cast<std::uint32_t>(layout.CutLines.size() - cuts);
    for (std::size_t i = cuts; i < layout.CutLines.size(); ++i) {
        const CUTMARK& c = layout.CutLines[i];
        data.insert(data.end(), {c.X0 - rect.X0, c.Y0 - rect.Y0, c.X1 - rect.X0, c.Y1 - rect.Y0});
    }
    // A slot keeps the largest storage it ever needed; give back what is far beyond this layout's.
    if (data.capacity() > 4 * data.size() + 64) {
        data.shrink_to_fit();
    }
    m_bytes += data.capacity() * sizeof(std::int32_t);
    if (m_bytes > kMaxBytes) {
        Reset(m_slots.size());
    }
}
