#include "calc/engines/SubFillMemo.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdlib>
#include <new>
#include <utility>

#include <sys/mman.h>

#include "base/Tolerance.h"
#include "calc/engines/StorePool.h"

namespace {

// The two hashes of a key, made together over one sequence of 64-bit words: two multiplication
// chains that do not wait for each other.
class TwoHashes {
public:
    void Add(std::uint64_t word)
    {
        m_a ^= word;
        m_a *= 0xBF58476D1CE4E5B9ull;
        m_a ^= m_a >> 29;
        m_b ^= word;
        m_b *= 0x94D049BB133111EBull;
        m_b ^= m_b >> 31;
    }
    void AddPair(std::int32_t low, std::int32_t high)
    {
        Add(static_cast<std::uint32_t>(low) | std::uint64_t{static_cast<std::uint32_t>(high)} << 32);
    }
    // The key's head goes last: the entries are hashed while they are found.
    void Finish(std::span<const std::int32_t> items, SubFillMemo::Key& key)
    {
        AddPair(items[0], items[1]);
        AddPair(items[2], static_cast<std::int32_t>(items.size()));
        key.Hash = Mixed(m_a);
        key.Check = Mixed(m_b);
    }

private:
    static std::uint64_t Mixed(std::uint64_t h)
    {
        h ^= h >> 32;
        h *= 0xD6E8FEB86659FD93ull;
        h ^= h >> 32;
        h *= 0xD6E8FEB86659FD93ull;
        return h ^ (h >> 32);
    }
    std::uint64_t m_a = 0x9E3779B97F4A7C15ull;
    std::uint64_t m_b = 0xC2B2AE3D27D4EB4Full;
};

}  // namespace

void SubFillMemo::Validate(std::uint64_t sizes, std::int32_t kerf, std::int32_t limit)
{
    if (m_slotCount == 0 || sizes != m_sizes || kerf != m_kerf || limit != m_limit) {
        Reset(kFirstSlots);
        m_sizes = sizes;
        m_kerf = kerf;
        m_limit = limit;
    }
}

void SubFillMemo::Reset(std::size_t slots)
{
    // A reset of the first form kept each slot's vector with its storage (the table was assigned
    // in place, or its first `slots` slots kept when it shrank; only a larger table started
    // empty): the slots keep what they count, which m_bytes leaves out until they store again.
    if (slots != m_slotCount) {
        const std::uint32_t* const counted = m_counted;
        const std::size_t kept = slots < m_slotCount ? slots : 0;
        std::size_t bytes = slots * (2 * sizeof(std::uint32_t) + sizeof(std::uint8_t));
        auto table = NewStore(bytes, false);
        auto* const at = reinterpret_cast<std::uint32_t*>(table.get());
        std::copy_n(counted, kept, at + slots);
        std::fill_n(at + slots + kept, slots - kept, 0u);
        m_table = std::move(table);
        m_at = at;
        m_counted = at + slots;
        m_tags = reinterpret_cast<std::uint8_t*>(m_counted + slots);
        m_slotCount = slots;
    }
    std::fill_n(m_tags, slots, std::uint8_t{0});
    std::fill_n(m_at, slots, 0u);
    m_storeSize = 0;  // the store keeps its storage
    m_stores = 0;
    m_bytes = slots * kCountedSlotBytes;
}

std::uint32_t SubFillMemo::Accounted(std::uint32_t capacity, std::uint32_t changes, std::size_t numbers)
{
    std::size_t size = 0, c = capacity;
    for (std::size_t i = 0; i < 2 * std::size_t{changes}; ++i, ++size) {
        if (size == c) {
            c = size + std::max<std::size_t>(size, 1);
        }
    }
    if (numbers > size) {
        const std::size_t n = numbers - size;
        if (n > c - size) {
            c = size + std::max(size, n);
        }
        size = numbers;
    }
    if (c > 4 * size + 64) {
        c = size;
    }
    return static_cast<std::uint32_t>(c);
}

namespace {

// The memos' large stores, for all threads; never destroyed, so that a memo that outlives the
// others at exit can still give its store back.
StorePool& Pool()
{
    static StorePool* const pool = new StorePool(std::size_t{64} << 20);
    return *pool;
}

constexpr std::size_t kLargePage = std::size_t{2} << 20;

}  // namespace

void SubFillMemo::FreeStore::operator()(std::byte* store) const
{
    if (store && Bytes >= kLargePage) {
        Pool().Give(store, Bytes);
        return;
    }
    std::free(store);
}

std::unique_ptr<std::byte[], SubFillMemo::FreeStore> SubFillMemo::NewStore(std::size_t& bytes, bool largest)
{
    std::byte* store = nullptr;
    if (bytes < kLargePage / 4) {
        store = static_cast<std::byte*>(std::malloc(bytes));
    } else {
        bytes = (bytes + kLargePage - 1) / kLargePage * kLargePage;
        store = Pool().Take(bytes, largest);
        if (!store) {
            store = static_cast<std::byte*>(std::aligned_alloc(kLargePage, bytes));
#ifdef MADV_HUGEPAGE
            if (store) {
                madvise(store, bytes, MADV_HUGEPAGE);  // only advice: small pages work the same
            }
#endif
        }
    }
    if (!store) {
        throw std::bad_alloc();
    }
    return std::unique_ptr<std::byte[], FreeStore>(store, FreeStore{bytes});
}

void SubFillMemo::SortByPlace(std::vector<std::uint64_t>& items, std::vector<std::uint64_t>& spare)
{
    // By 12 bits of the place at a time, lowest first, as far as the largest place reaches.
    constexpr int kBits = 12;
    constexpr std::size_t kDigits = std::size_t{1} << kBits;
    std::uint64_t most = 0;
    for (const std::uint64_t item : items) {
        most = std::max(most, item >> 32);
    }
    spare.resize(items.size());
    for (int shift = 32; shift < 64 && (most >> (shift - 32)) != 0; shift += kBits) {
        std::array<std::uint32_t, kDigits> next{};
        for (const std::uint64_t item : items) {
            ++next[(item >> shift) & (kDigits - 1)];
        }
        std::uint32_t at = 0;
        for (std::uint32_t& n : next) {
            at += std::exchange(n, at);
        }
        for (const std::uint64_t item : items) {
            spare[next[(item >> shift) & (kDigits - 1)]++] = item;
        }
        items.swap(spare);
    }
}

void SubFillMemo::Compact(std::size_t more)
{
    // The slots' layouts slide down in store order; the rest is gone. They are found from the
    // slots: most of a full store (two thirds once it has its size) is layouts replaced since,
    // which a walk through it read one by one only to step over them.
    std::vector<std::uint64_t>& order = m_order;
    order.clear();
    for (std::size_t slot = 0; slot < m_slotCount; ++slot) {
        if (m_tags[slot] != 0) {
            order.push_back(std::uint64_t{m_at[slot]} << 32 | slot);
        }
    }
    SortByPlace(order, m_orderSpare);
    std::byte* const store = m_store.get();
    std::size_t to = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i + 8 < order.size()) {
            // The walk waits for each entry's sizes.
            __builtin_prefetch(store + (order[i + 8] >> 32) * kAlign);
        }
        const std::size_t at = static_cast<std::size_t>(order[i] >> 32) * kAlign;
        const std::size_t n = StoredBytes(*reinterpret_cast<const Entry*>(store + at));
        if (to != at) {
            std::memmove(store + to, store + at, n);
            m_at[static_cast<std::uint32_t>(order[i])] = static_cast<std::uint32_t>(to / kAlign);
        }
        to += n;
    }
    m_storeSize = to;
    // Twice as much room as the layouts take: the next compaction comes after that many bytes.
    if (3 * (to + more) > m_storeLimit) {
        const std::size_t limit = std::max(3 * (to + more), std::size_t{1} << 18);
        if (limit > m_storeCapacity) {
            // Large storage reserves more at once: the store grows without copying it again.
            std::size_t capacity = limit < kLargePage / 4 ? limit : std::max(limit, kStoreReserve);
            auto larger = NewStore(capacity, true);
            if (to > 0) {
                std::memcpy(larger.get(), store, to);
            }
            m_store = std::move(larger);
            m_storeCapacity = capacity;
        }
        m_storeLimit = limit;
    }
}

void SubFillMemo::MakeKey(const CCalHaichi& engine, const BuzaiLists& lists, const CalRect& rect,
                          const CCalHaichi::FitFrom& from, Key& key)
{
    const std::size_t start[2] = {std::min(from[0], lists[0].size()), std::min(from[1], lists[1].size())};
    // Room for every entry from the start.
    const std::size_t most = kHead + 2 * (lists[0].size() - start[0] + lists[1].size() - start[1]);
    if (key.Buffer.size() < most) {
        key.Buffer.resize(most);
    }
    std::int32_t* const items = key.Buffer.data();
    std::int32_t* out = items;
    out[0] = rect.Width();
    out[1] = rect.Height();
    out[2] = 0;
    out += kHead;
    const std::int64_t a = std::int64_t{rect.Width()} + engine.NokoHaba;
    const std::int64_t b = std::int64_t{rect.Height()} + engine.NokoHaba;
    for (std::int32_t l = 0; l < 2; ++l) {
        const std::vector<CAL_BUZAI>& list = lists[static_cast<std::size_t>(l)];
        const CAL_BUZAI* const entries = list.data();
        const std::size_t count = list.size();
        std::size_t first = count;
        bool tooLarge = start[l] > 0;
        // Without branches on the fit, which goes either way from entry to entry: every entry is
        // written, and the next one over it when it does not fit (the buffer has room for all).
        for (std::size_t i = start[l]; i < count; ++i) {
            const CAL_BUZAI e = entries[i];
            const CCalHaichi::PartSize part = engine.Size(l, e.Number);
            const bool asItIs = (part.Width <= a) & (part.Height <= b);
            const bool turned = (part.NoTurn == 0) & (part.Height <= a) & (part.Width <= b);
            const bool fits = asItIs | turned;
            first = (first == count) & fits ? i : first;
            tooLarge |= !fits;
            out[0] = e.Number * 2 + l;
            out[1] = e.Count;
            out += 2 * static_cast<std::ptrdiff_t>(fits);
        }
        key.First[static_cast<std::size_t>(l)] = first;
        if (l == 0 && tooLarge) {
            items[2] = 1;
        }
    }
    key.Length = static_cast<std::size_t>(out - items);
    if (key.Length == kHead) {
        // Nothing fits: no fill to look up (most keys of a board of small parts).
        key.Hash = key.Check = 0;
        return;
    }
    Rehash(key);
}

void SubFillMemo::Rehash(Key& key)
{
    TwoHashes hashes;
    const std::span<const std::int32_t> items = key.Items();
    for (std::size_t k = kHead; k + 1 < items.size(); k += 2) {
        hashes.AddPair(items[k], items[k + 1]);
    }
    hashes.Finish(items, key);
}

const SubFillMemo::Entry* SubFillMemo::Find(const Key& key, double need)
{
    const std::size_t slot = key.Hash & (m_slotCount - 1);
    if (m_tags[slot] != TagOf(key.Hash)) {
        // The fill is computed now and stored into this slot afterwards.
        __builtin_prefetch(&m_counted[slot], 1);
        __builtin_prefetch(&m_at[slot], 1);
        return nullptr;
    }
    const Entry& e = *EntryAt(m_at[slot]);
    if (e.Hash != key.Hash || e.Check != key.Check || e.KeyLength != key.Length) {
        return nullptr;
    }
    // A layout that fell short of a need serves every ask for as much or more.
    if (DoubleLess(need, e.ShortOf)) {
        return nullptr;
    }
    // Apply reads all of it next.
    const std::byte* const first = reinterpret_cast<const std::byte*>(&e);
    for (std::size_t line = 64; line < StoredBytes(e); line += 64) {
        __builtin_prefetch(first + line);
    }
    ++m_hits;
    return &e;
}

void SubFillMemo::Apply(const Entry& e, const Key& key, const BuzaiLists& remaining, BuzaiLists& left,
                        COutData& layout, const CalRect& rect)
{
    const std::int32_t* changes = e.Data();
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
    const std::span<const std::int32_t> items = key.Items();
    std::size_t k = kHead;
    std::int32_t entry = 0;  // place among the key's entries
    std::uint32_t change = 0;
    for (std::int32_t l = 0; l < 2; ++l) {
        const std::vector<CAL_BUZAI>& in = remaining[static_cast<std::size_t>(l)];
        std::vector<CAL_BUZAI>& out = left[static_cast<std::size_t>(l)];
        const auto first =
            static_cast<std::ptrdiff_t>(std::min(key.First[static_cast<std::size_t>(l)], in.size()));
        out.assign(in.begin(), in.begin() + first);
        for (auto it = in.begin() + first; it != in.end(); ++it) {
            const CAL_BUZAI& item = *it;
            if (k < items.size() && items[k] == item.Number * 2 + l) {
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

void SubFillMemo::Store(const Key& key, double need, int result, const COutData& layout, std::size_t blocks,
                        std::size_t cuts, double partsArea, double totalArea, const BuzaiLists& left,
                        const CalRect& rect)
{
    // Many more layouts than slots: a larger table (the layouts so far are forgotten).
    if (++m_stores > 2 * m_slotCount && m_slotCount * 4 <= kMaxSlots) {
        Reset(m_slotCount * 4);
    }
    const std::span<const std::int32_t> items = key.Items();
    const std::size_t slot = key.Hash & (m_slotCount - 1);
    m_tags[slot] = 0;  // its layout so far is not kept by a compaction
    m_bytes -= std::size_t{m_counted[slot]} * sizeof(std::int32_t);

    const std::size_t blockCount = layout.Blocks.size() - blocks;
    const std::size_t cutCount = layout.CutLines.size() - cuts;
    // At most one change per key entry.
    const std::size_t most = StoredBytes((items.size() - kHead) + 7 * blockCount + 4 * cutCount);
    if (m_storeSize + most > m_storeLimit) {
        Compact(most);
    }
    Entry& e = *::new (m_store.get() + m_storeSize) Entry;
    std::int32_t* const data = e.Data();
    std::int32_t* d = data;

    // What is left keeps the order of the lists and loses only used-up entries.
    std::size_t from[2] = {key.First[0], key.First[1]};
    std::uint32_t changes = 0;
    for (std::size_t k = kHead; k + 1 < items.size(); k += 2) {
        const auto l = static_cast<std::size_t>(items[k] % 2);
        const std::int32_t number = items[k] / 2;
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
        if (count != items[k + 1]) {
            d[0] = static_cast<std::int32_t>((k - kHead) / 2);
            d[1] = count;
            d += 2;
            ++changes;
        }
    }
    for (std::size_t i = blocks; i < layout.Blocks.size(); ++i, d += 7) {
        const CHaichi& b = layout.Blocks[i];
        d[0] = b.Number;
        d[1] = b.List;
        d[2] = b.X - rect.X0;
        d[3] = b.Y - rect.Y0;
        d[4] = b.Nx;
        d[5] = b.Ny;
        d[6] = b.Rotated;
    }
    for (std::size_t i = cuts; i < layout.CutLines.size(); ++i, d += 4) {
        const CUTMARK& c = layout.CutLines[i];
        d[0] = c.X0 - rect.X0;
        d[1] = c.Y0 - rect.Y0;
        d[2] = c.X1 - rect.X0;
        d[3] = c.Y1 - rect.Y0;
    }
    e.Hash = key.Hash;
    e.Check = key.Check;
    e.Slot = static_cast<std::uint32_t>(slot);
    e.KeyLength = static_cast<std::uint32_t>(items.size());
    e.Result = result;
    e.PartsArea = layout.PartsArea - partsArea;
    e.TotalArea = layout.TotalArea - totalArea;
    // The best layout reaches every need; one below its need fell short of it.
    e.ShortOf = DoubleLess(e.PartsArea, need) ? need : -std::numeric_limits<double>::infinity();
    e.Changes = changes;
    e.Blocks = static_cast<std::uint32_t>(blockCount);
    e.Cuts = static_cast<std::uint32_t>(cutCount);

    m_tags[slot] = TagOf(key.Hash);
    m_at[slot] = static_cast<std::uint32_t>(m_storeSize / kAlign);
    m_storeSize += StoredBytes(e);
    const auto numbers = static_cast<std::size_t>(d - data);
    m_counted[slot] = Accounted(m_counted[slot], changes, numbers);
    m_bytes += std::size_t{m_counted[slot]} * sizeof(std::int32_t);
    if (m_bytes > kMaxBytes) {
        Reset(m_slotCount);
    }
}
