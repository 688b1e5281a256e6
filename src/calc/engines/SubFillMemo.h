#pragma once

// Layouts of the sub-rectangles of a recursive fill, kept for the same size asked for again with
// the same pieces that can go into it. The block engine's search fills the same small rectangles
// with the same parts over and over in its branches (tens of millions of fills of a few million
// different kinds on a board of small parts). Its fill of a rectangle reads only the entries that
// fit within the rectangle widened by the kerf (their lists, order, numbers and counts), the
// rectangle's size and the engine's settings, and of the others only whether list 0 holds any
// (the cutting candidates ask whether parts are left after a sub-rectangle); they pass through
// to what is left unchanged and in place. So the key is the size and those entries, and a stored layout
// moved to the rectangle's corner is the one the engine would make.
//
// A fill told what it must reach (the bound's need) may fall short of it with a layout that is not
// its best: such a layout is kept as falling short of that need and answers only asks for as much
// or more.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "calc/CalHaichi.h"
#include "result/OutData.h"

class SubFillMemo {
public:
    // Slots of the table; a layout takes the slot its key hashes to, in place of the one there.
    // The table starts small (most engines fill few rectangles) and grows up to kMaxSlots.
    static constexpr std::size_t kFirstSlots = std::size_t{1} << 10;
    static constexpr std::size_t kMaxSlots = std::size_t{1} << 16;
    // The table and its layouts, as counted (kCountedSlotBytes), take this much memory at most;
    // past it they are forgotten.
    static constexpr std::size_t kMaxBytes = std::size_t{16} << 20;

    // What a fill depends on: width, height, whether list 0 holds parts that do not fit, then
    // number * 2 + list and count per entry that fits; with its two 64-bit hashes (two keys
    // agreeing in both and in length by chance is less likely than a memory fault), made in the
    // same pass.
    struct Key {
        // Its numbers: the first Length of the buffer, which keeps its largest size.
        std::span<const std::int32_t> Items() const { return {Buffer.data(), Length}; }
        std::vector<std::int32_t> Buffer;
        std::size_t Length = 0;
        std::uint64_t Hash = 0;
        std::uint64_t Check = 0;
        // Per list: where its first entry in the key is (the list's size when none). The entries
        // before do not fit the rectangle widened by the kerf: nothing within it changes them.
        CCalHaichi::FitFrom First{0, 0};
    };
    // Width, height and the flag come first in a key's items.
    static constexpr std::size_t kHead = 3;

    // A stored layout, in the memo's store: its key's hashes and length, the fill's result and
    // areas, the need it fell short of, then (the numbers after it) the key entries whose count
    // the fill changed (their place among the key's entries and what is left, 0 when used up),
    // its blocks (7 numbers each, relative to the rectangle's corner) and cut lines (4 each).
    struct Entry {
        std::uint64_t Hash = 0;
        std::uint64_t Check = 0;
        std::uint32_t KeyLength = 0;
        std::int32_t Result = 0;
        double PartsArea = 0.0;
        double TotalArea = 0.0;
        // The need it fell short of; minus infinity for the best layout.
        double ShortOf = -std::numeric_limits<double>::infinity();
        std::uint32_t Changes = 0;
        std::uint32_t Blocks = 0;
        std::uint32_t Cuts = 0;
        std::uint32_t Slot = 0;  // that holds it, unless replaced since
        // The numbers after the entry.
        const std::int32_t* Data() const { return reinterpret_cast<const std::int32_t*>(this + 1); }
        std::int32_t* Data() { return reinterpret_cast<std::int32_t*>(this + 1); }
    };

    // What the memory limit counts, as the memo counted when its slots were 88 bytes, each with a
    // vector of its layout's numbers: that and a 2-byte tag per slot, and each slot's vector by
    // the capacity it would have. When the memo forgets decides which fills are computed
    // again, and so where the budget of fills ends a search: the count stays that of that form.
    static constexpr std::size_t kCountedSlotBytes = 88 + sizeof(std::uint16_t);
    // The capacity of that vector after a store of `changes` changes and `numbers` numbers in all
    // into it when it had `capacity` (the library's growth: cleared, two numbers pushed per
    // change, resized to all, given back when far too large).
    static std::uint32_t Accounted(std::uint32_t capacity, std::uint32_t changes, std::size_t numbers);

    // Forgets every layout when what they were made with changed: the part sizes (their
    // generation), the kerf or the cutting limit.
    void Validate(std::uint64_t sizes, std::int32_t kerf, std::int32_t limit);

    // Makes the key of `lists` on rect into `key`, with its hashes (0 for a key of no entries,
    // which is never looked up: its fill places nothing). The entries before `from` must
    // be known not to fit rect widened by the kerf (the First of an enclosing rectangle's key):
    // the scan starts there.
    static void MakeKey(const CCalHaichi& engine, const BuzaiLists& lists, const CalRect& rect,
                        const CCalHaichi::FitFrom& from, Key& key);
    // The hashes of key.Items() as MakeKey makes them.
    static void Rehash(Key& key);

    // The stored layout for `key` that serves a fill that must reach `need`; null when none.
    const Entry* Find(const Key& key, double need);

    // Adds the stored layout to `layout` at rect's corner; `left` from `remaining` as the fill left it.
    static void Apply(const Entry& e, const Key& key, const BuzaiLists& remaining, BuzaiLists& left,
                      COutData& layout, const CalRect& rect);

    // Stores what the layout gained after its first `blocks` blocks and `cuts` cut lines and the two
    // areas it had before, and what the fill left of the key's entries. `need` is what the fill was
    // told to reach.
    void Store(const Key& key, double need, int result, const COutData& layout, std::size_t blocks,
               std::size_t cuts, double partsArea, double totalArea, const BuzaiLists& left,
               const CalRect& rect);

    // Sorts items by their high 32 bits, which no two share (a compaction's places); `spare`
    // lends its storage.
    static void SortByPlace(std::vector<std::uint64_t>& items, std::vector<std::uint64_t>& spare);

    std::int64_t Hits() const { return m_hits; }
    // Gives the memory back; the next Validate starts a small table.
    void Release()
    {
        m_table = {};
        m_tags = nullptr;
        m_at = nullptr;
        m_counted = nullptr;
        m_slotCount = 0;
        m_store = {};
        m_storeSize = 0;
        m_storeLimit = 0;
        m_storeCapacity = 0;
        m_order = {};
        m_orderSpare = {};
        m_bytes = 0;
    }

private:
    // Per slot, 8 bits of its layout's hash, never 0 when it holds one: most asks find no layout,
    // and a table of 64 KB, which stays in the cache, tells so.
    static std::uint8_t TagOf(std::uint64_t hash)
    {
        const auto tag = static_cast<std::uint8_t>(hash >> 56);
        return tag != 0 ? tag : 1;
    }
    struct FreeStore {
        std::size_t Bytes;  // of the storage (0 when value-initialized, as unique_ptr does)
        void operator()(std::byte* store) const;
    };
    // Storage of `bytes` (at least; `bytes` becomes its size), in large pages where the system
    // gives them when it is not small: the asks read the slots and the store all over, and in
    // small pages nearly every read of an older layout missed the address translation cache too.
    // Large storage comes from what memos gave back where it can (StorePool): the largest kept
    // when `largest`, else the smallest that is large enough.
    static std::unique_ptr<std::byte[], FreeStore> NewStore(std::size_t& bytes, bool largest);
    std::unique_ptr<std::byte[], FreeStore> m_table;  // of the three below
    std::uint8_t* m_tags = nullptr;
    // Per slot, where its layout lies in the store, in units of kAlign bytes.
    std::uint32_t* m_at = nullptr;
    // Per slot, the numbers its layout counts for (Accounted); read and written by Store only.
    std::uint32_t* m_counted = nullptr;
    std::size_t m_slotCount = 0;
    // The layouts, one after the other, each kAlign-aligned; a replaced layout stays until the
    // store is full, when the slots' layouts are moved together (Compact). The store changes only
    // then: what Find returns stays valid until the next Store.
    static constexpr std::size_t kAlign = alignof(Entry);
    std::unique_ptr<std::byte[], FreeStore> m_store;
    std::size_t m_storeSize = 0;   // bytes used
    std::size_t m_storeLimit = 0;  // bytes it may use before a compaction
    // Its storage's bytes: a large store takes kStoreReserve at once, of which the system gives
    // only the pages used, and grows within them without a copy.
    std::size_t m_storeCapacity = 0;
    static constexpr std::size_t kStoreReserve = std::size_t{32} << 20;
    // The bytes of an entry and its numbers, rounded up to kAlign.
    static std::size_t StoredBytes(std::size_t numbers)
    {
        return (sizeof(Entry) + numbers * sizeof(std::int32_t) + kAlign - 1) / kAlign * kAlign;
    }
    static std::size_t StoredBytes(const Entry& e)
    {
        return StoredBytes(2 * std::size_t{e.Changes} + 7 * std::size_t{e.Blocks} + 4 * std::size_t{e.Cuts});
    }
    Entry* EntryAt(std::uint32_t at) const
    {
        return reinterpret_cast<Entry*>(m_store.get() + std::size_t{at} * kAlign);
    }
    // Moves the slots' layouts to the front of the store, which then takes at least three times
    // what they and `more` bytes take (a larger one when it did not).
    void Compact(std::size_t more);
    std::vector<std::uint64_t> m_order;  // Compact's slots by place: place << 32 | slot
    std::vector<std::uint64_t> m_orderSpare;
    std::size_t m_stores = 0;  // since the table last grew
    std::size_t m_bytes = 0;   // of the table and its layouts, as counted (kCountedSlotBytes)
    void Reset(std::size_t slots);
    std::uint64_t m_sizes = 0;
    std::int32_t m_kerf = -1;
    std::int32_t m_limit = -1;
    std::int64_t m_hits = 0;
};
