#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "calc/JobGenerator.h"
#include "calc/TestJob.h"
#include "calc/engines/Cal1.h"
#include "calc/engines/SubFillMemo.h"

namespace {

constexpr double kAny = -std::numeric_limits<double>::infinity();

std::vector<std::int32_t> ItemsOf(const SubFillMemo::Key& key)
{
    return {key.Items().begin(), key.Items().end()};
}

// Parts from far larger than the rectangles asked about down to small ones, so that the lists
// start with entries that do not fit; secondary parts now and then; a kerf now and then.
TestJob MixedJob(Dice& dice)
{
    TestJob job;
    job.Kerf(dice.Between(0, 2) * 20).Board(6000, 4000);
    const int types = dice.Between(4, 12);
    for (int i = 0; i < types; ++i) {
        job.Parts(dice.Between(100, 3000), dice.Between(100, 2000), dice.Between(1, 3),
                  dice.Between(0, 3) == 0 ? 1 : 0);
    }
    if (dice.Between(0, 2) == 0) {
        job.Secondary(dice.Between(100, 900), dice.Between(100, 900), dice.Between(1, 4));
    }
    return job;
}

// One board and three part sizes, large to small: the layouts of the store tests.
TestJob ThreeSizesJob()
{
    TestJob job;
    job.Board(3000, 2000).Parts(500, 400, 5).Parts(300, 200, 7).Parts(100, 100, 9);
    return job;
}

}  // namespace

// A key scanned from where an enclosing rectangle's key began is the key of the whole lists: for
// rectangles within the enclosing one, after a fill there changed counts and used entries up.
TEST(SubFillMemo, KeyFromTheEnclosingStartIsTheKeyOfTheWholeLists)
{
    Dice dice(11);
    int skipped = 0;       // keys that started after entries of list 0
    int flaggedEarly = 0;  // of them, those whose only entries too large lie before the start
    for (int round = 0; round < 300; ++round) {
        const TestJob job = MixedJob(dice);
        CCal1 engine(1, round % 2);
        job.Prepare(engine);
        BuzaiLists lists = engine.CalData.Buzai;
        const CalRect outer{0, 0, dice.Between(150, 3500), dice.Between(150, 2500)};
        SubFillMemo::Key enclosing;
        SubFillMemo::MakeKey(engine, lists, outer, {0, 0}, enclosing);
        const CCalHaichi::FitFrom from = enclosing.First;
        // What a fill of the enclosing rectangle may do: use pieces of what fits it.
        for (std::size_t l = 0; l < 2; ++l) {
            for (std::size_t i = from[l]; i < lists[l].size();) {
                const int what = dice.Between(0, 2);
                if (what == 0) {
                    lists[l].erase(lists[l].begin() + static_cast<std::ptrdiff_t>(i));
                    continue;
                }
                if (what == 1 && lists[l][i].Count > 1) {
                    --lists[l][i].Count;
                }
                ++i;
            }
        }
        for (int ask = 0; ask < 10; ++ask) {
            const std::int32_t x = dice.Between(0, 40), y = dice.Between(0, 40);
            const CalRect inner{x, y, x + dice.Between(1, outer.Width()),
                                y + dice.Between(1, outer.Height())};
            SubFillMemo::Key whole, started;
            SubFillMemo::MakeKey(engine, lists, inner, {0, 0}, whole);
            SubFillMemo::MakeKey(engine, lists, inner, from, started);
            ASSERT_EQ(ItemsOf(started), ItemsOf(whole)) << "round " << round << ", ask " << ask;
            ASSERT_EQ(started.Hash, whole.Hash);
            ASSERT_EQ(started.Check, whole.Check);
            ASSERT_EQ(started.First, whole.First);
            if (from[0] > 0) {
                ++skipped;
                bool restFits = true;
                for (std::size_t i = from[0]; i < lists[0].size(); ++i) {
                    const CBuzai& part = engine.Part(0, lists[0][i].Number);
                    restFits =
                        restFits && CCalHaichi::Fits(part, CalRect{0, 0, inner.Width() + engine.NokoHaba,
                                                                   inner.Height() + engine.NokoHaba});
                }
                flaggedEarly += restFits ? 1 : 0;
            }
        }
    }
    EXPECT_GT(skipped, 500);
    EXPECT_GT(flaggedEarly, 50);
}

// A compaction's places come sorted whatever their order and however many bits they take (the
// sort runs by 12 bits at a time up to the largest place).
TEST(SubFillMemo, PlacesComeSortedForACompaction)
{
    struct Case {
        const char* what;
        std::vector<std::uint32_t> places;
    };
    std::vector<std::uint32_t> many;
    Dice dice(3);
    for (std::uint32_t i = 0; i < 5000; ++i) {
        many.push_back(i * 7919u + static_cast<std::uint32_t>(dice.Between(0, 7000)) * 100000u);
    }
    std::sort(many.begin(), many.end());
    many.erase(std::unique(many.begin(), many.end()), many.end());
    std::shuffle(many.begin(), many.end(), std::mt19937(5));
    const Case cases[] = {
        {"none", {}},
        {"one at 0", {0}},
        {"sorted already", {0, 5, 4095, 4096, 9000}},
        {"reversed, within 12 bits", {4095, 300, 17, 2, 0}},
        {"across 12 bits", {4096, 4095, 1, 8191, 8192}},
        {"across 24 bits", {1u << 24, (1u << 24) - 1, 5, (1u << 12) + 3, 77777}},
        {"up to 32 bits", {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0, 0x00FFF000u, 0x01000000u}},
        {"thousands shuffled", many},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint64_t> items, spare{42};
        for (std::size_t i = 0; i < c.places.size(); ++i) {
            items.push_back(std::uint64_t{c.places[i]} << 32 | (i * 2654435761u & 0xFFFFFFFFu));
        }
        std::vector<std::uint64_t> expected = items;
        std::sort(expected.begin(), expected.end());
        SubFillMemo::SortByPlace(items, spare);
        EXPECT_EQ(items, expected);
    }
}

// Both hashes cover every number of the key: the size, the flag, each entry's part and count.
TEST(SubFillMemo, HashesChangeWithEveryNumberOfTheKey)
{
    TestJob job;
    job.Board(3000, 2000).Parts(4000, 300, 1).Parts(500, 400, 3).Parts(300, 200, 2).Secondary(100, 100, 5);
    CCal1 engine;
    job.Prepare(engine);
    SubFillMemo::Key key;
    SubFillMemo::MakeKey(engine, engine.CalData.Buzai, CalRect{0, 0, 1000, 800}, {0, 0}, key);
    // Width, height, flag (the long part does not fit), then three entries.
    ASSERT_EQ(key.Items().size(), SubFillMemo::kHead + 6);
    ASSERT_EQ(key.Items()[2], 1);
    SubFillMemo::Key again = key;
    SubFillMemo::Rehash(again);
    EXPECT_EQ(again.Hash, key.Hash);
    EXPECT_EQ(again.Check, key.Check);

    for (std::size_t i = 0; i < key.Items().size(); ++i) {
        SCOPED_TRACE("number " + std::to_string(i));
        SubFillMemo::Key changed = key;
        changed.Buffer[i] += 1;
        SubFillMemo::Rehash(changed);
        EXPECT_NE(changed.Hash, key.Hash);
        EXPECT_NE(changed.Check, key.Check);
    }
    SubFillMemo::Key shorter = key;
    shorter.Length -= 2;
    SubFillMemo::Rehash(shorter);
    EXPECT_NE(shorter.Hash, key.Hash);
    EXPECT_NE(shorter.Check, key.Check);
}

// A stored fill comes back at another corner as the engine made it: its blocks and cut lines
// moved, its areas, and what it left of the lists (entries before the key's start included).
TEST(SubFillMemo, StoredFillComesBackAtAnotherCorner)
{
    struct Case {
        const char* what;
        CalRect rect;
        bool placesSomething;
    };
    const Case cases[] = {
        {"every part fits", {0, 0, 3000, 2000}, true},
        {"the first two parts are too large", {100, 50, 1100, 950}, true},
        {"nothing fits", {0, 0, 250, 150}, false},
    };
    TestJob job;
    job.Board(3000, 2000)
        .Kerf(20)
        .Parts(2800, 1900, 1)
        .Parts(1500, 1200, 1)
        .Parts(500, 400, 5)
        .Parts(300, 200, 7)
        .Secondary(200, 180, 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CCal1 engine(1, 0);
        engine.UseMemo = 0;
        job.Prepare(engine);
        const BuzaiLists& remaining = engine.CalData.Buzai;
        COutData made;
        BuzaiLists left;
        const int result = engine.LayoutBoard(remaining, left, made, c.rect);
        EXPECT_EQ(!made.Blocks.empty(), c.placesSomething);

        SubFillMemo memo;
        memo.Validate(engine.SizesGeneration(), engine.NokoHaba, engine.MaxCutSize);
        SubFillMemo::Key key;
        SubFillMemo::MakeKey(engine, remaining, c.rect, {0, 0}, key);
        memo.Store(key, kAny, result, made, 0, 0, 0.0, 0.0, left, c.rect);
        const SubFillMemo::Entry* known = memo.Find(key, kAny);
        ASSERT_NE(known, nullptr);
        EXPECT_EQ(known->Result, result);

        const std::int32_t dx = 700, dy = -30;
        const CalRect moved{c.rect.X0 + dx, c.rect.Y0 + dy, c.rect.X1 + dx, c.rect.Y1 + dy};
        COutData again;
        again.Blocks.emplace_back(0, 0, 0, 0, 1, 1, 0);  // something before: the fill adds to it
        BuzaiLists leftAgain;
        leftAgain[0].push_back(CAL_BUZAI{9, 9, 9});  // replaced
        SubFillMemo::Apply(*known, key, remaining, leftAgain, again, moved);
        EXPECT_EQ(leftAgain, left);
        ASSERT_EQ(again.Blocks.size(), made.Blocks.size() + 1);
        for (std::size_t i = 0; i < made.Blocks.size(); ++i) {
            CHaichi expected = made.Blocks[i];
            expected.X += dx;
            expected.Y += dy;
            EXPECT_EQ(again.Blocks[i + 1], expected) << "block " << i;
        }
        ASSERT_EQ(again.CutLines.size(), made.CutLines.size());
        for (std::size_t i = 0; i < made.CutLines.size(); ++i) {
            const CUTMARK& m = made.CutLines[i];
            const CUTMARK& a = again.CutLines[i];
            EXPECT_EQ(a.X0, m.X0 + dx);
            EXPECT_EQ(a.Y0, m.Y0 + dy);
            EXPECT_EQ(a.X1, m.X1 + dx);
            EXPECT_EQ(a.Y1, m.Y1 + dy);
        }
        EXPECT_EQ(again.PartsArea, made.PartsArea);
        EXPECT_EQ(again.TotalArea, made.TotalArea);
    }
}

// A fill that fell short of what it was told to reach answers only asks for as much or more; the
// best layout answers every ask; a key of another size or other counts finds nothing.
TEST(SubFillMemo, FillShortOfItsNeedAnswersOnlyAsMuchOrMore)
{
    TestJob job;
    job.Board(3000, 2000).Parts(500, 400, 5).Parts(300, 200, 7);
    CCal1 engine(0, 0);
    engine.UseMemo = 0;
    job.Prepare(engine);
    const BuzaiLists& remaining = engine.CalData.Buzai;
    const CalRect rect{0, 0, 1000, 1000};
    COutData made;
    BuzaiLists left;
    const int result = engine.LayoutBoard(remaining, left, made, rect);
    ASSERT_GT(made.PartsArea, 0.0);

    SubFillMemo::Key key;
    SubFillMemo::MakeKey(engine, remaining, rect, {0, 0}, key);
    const double area = made.PartsArea;
    struct Case {
        const char* what;
        double storedNeed;
        double askedNeed;
        bool answered;
    };
    const Case cases[] = {
        {"best layout, any ask", kAny, kAny, true},
        {"best layout, ask for more than it has", kAny, area * 2, true},
        {"need reached: the best", area, area * 2, true},
        {"short of a need, asked for the same", area + 1000, area + 1000, true},
        {"short of a need, asked for more", area + 1000, area + 5000, true},
        {"short of a need, asked for less", area + 1000, area + 500, false},
        {"short of a need, any ask", area + 1000, kAny, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SubFillMemo memo;
        memo.Validate(engine.SizesGeneration(), engine.NokoHaba, engine.MaxCutSize);
        memo.Store(key, c.storedNeed, result, made, 0, 0, 0.0, 0.0, left, rect);
        EXPECT_EQ(memo.Find(key, c.askedNeed) != nullptr, c.answered);
    }

    SubFillMemo memo;
    memo.Validate(engine.SizesGeneration(), engine.NokoHaba, engine.MaxCutSize);
    memo.Store(key, kAny, result, made, 0, 0, 0.0, 0.0, left, rect);
    SubFillMemo::Key wider, fewer;
    SubFillMemo::MakeKey(engine, remaining, CalRect{0, 0, 1001, 1000}, {0, 0}, wider);
    BuzaiLists less = remaining;
    --less[0][0].Count;
    SubFillMemo::MakeKey(engine, less, rect, {0, 0}, fewer);
    EXPECT_EQ(memo.Find(wider, kAny), nullptr);
    EXPECT_EQ(memo.Find(fewer, kAny), nullptr);
    // Other sizes forget it.
    memo.Validate(engine.SizesGeneration() + 1, engine.NokoHaba, engine.MaxCutSize);
    EXPECT_EQ(memo.Find(key, kAny), nullptr);
}

// Layouts of many sizes come back whole where each replaces the one before in the same slot: a
// smaller after a larger one and the other way round, a slot's storage reused or given back.
TEST(SubFillMemo, LayoutsSmallAndLargeComeBackWholeInTheSameSlot)
{
    TestJob job = ThreeSizesJob();
    CCal1 engine;
    job.Prepare(engine);
    const BuzaiLists& remaining = engine.CalData.Buzai;
    const CalRect rect{100, 200, 1100, 1200};
    SubFillMemo::Key key;
    SubFillMemo::MakeKey(engine, remaining, rect, {0, 0}, key);
    ASSERT_EQ(key.Items().size(), SubFillMemo::kHead + 6);

    struct Case {
        const char* what;
        int changes;  // of the three entries, from the first: one piece less each
        int blocks;
        int cuts;
    };
    // Numbers: 2 per change, 7 per block, 4 per cut line.
    const Case cases[] = {
        {"nothing", 0, 0, 0},
        {"one block: 7", 0, 1, 0},
        {"one block, a change: 9", 1, 1, 0},
        {"a change, two cuts: 10", 1, 0, 2},
        {"one block, a cut: 11", 0, 1, 1},
        {"many", 3, 4, 9},
        {"one block again: 7", 0, 1, 0},
        {"many again", 2, 6, 3},
        {"a change, two cuts again: 10", 1, 0, 2},
    };
    SubFillMemo memo;
    memo.Validate(engine.SizesGeneration(), engine.NokoHaba, engine.MaxCutSize);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        COutData layout;
        layout.Blocks.emplace_back(0, 0, 0, 0, 1, 1, 0);  // before the fill: not stored
        for (int b = 0; b < c.blocks; ++b) {
            layout.Blocks.emplace_back(b % 3, 0, rect.X0 + 10 * b, rect.Y0 + 7 * b, 1 + b, 2, b % 2);
        }
        for (int i = 0; i < c.cuts; ++i) {
            layout.CutLines.push_back(CUTMARK{rect.X0 + i, rect.Y0, rect.X0 + i, rect.Y1 - i});
        }
        layout.PartsArea = 1000.0 + c.blocks;
        layout.TotalArea = 2000.0 + c.cuts;
        BuzaiLists left = remaining;
        for (int i = 0; i < c.changes; ++i) {
            --left[0][static_cast<std::size_t>(i)].Count;
        }
        memo.Store(key, kAny, c.blocks > 0 ? 1 : 0, layout, 1, 0, 10.0, 20.0, left, rect);

        const SubFillMemo::Entry* known = memo.Find(key, kAny);
        ASSERT_NE(known, nullptr);
        EXPECT_EQ(known->Result, c.blocks > 0 ? 1 : 0);
        COutData again;
        BuzaiLists leftAgain;
        SubFillMemo::Apply(*known, key, remaining, leftAgain, again, rect);
        EXPECT_EQ(leftAgain, left);
        EXPECT_EQ(again.Blocks, std::vector<CHaichi>(layout.Blocks.begin() + 1, layout.Blocks.end()));
        ASSERT_EQ(again.CutLines.size(), layout.CutLines.size());
        for (std::size_t i = 0; i < layout.CutLines.size(); ++i) {
            EXPECT_EQ(again.CutLines[i].Y1, layout.CutLines[i].Y1);
            EXPECT_EQ(again.CutLines[i].X0, layout.CutLines[i].X0);
        }
        EXPECT_EQ(again.PartsArea, 990.0 + c.blocks);
        EXPECT_EQ(again.TotalArea, 1980.0 + c.cuts);
    }
}

// A slot holds one layout: a key whose hash differs anywhere (its slot bits, the 16 bits the
// memo compares first, the rest) or whose second hash or length differs finds nothing.
TEST(SubFillMemo, OnlyTheSameKeyFindsASlotsLayout)
{
    TestJob job;
    job.Board(3000, 2000).Parts(500, 400, 5).Parts(300, 200, 7);
    CCal1 engine;
    job.Prepare(engine);
    const BuzaiLists& remaining = engine.CalData.Buzai;
    const CalRect rect{0, 0, 1000, 1000};
    SubFillMemo::Key stored;
    SubFillMemo::MakeKey(engine, remaining, rect, {0, 0}, stored);
    struct Case {
        const char* what;
        std::uint64_t hashXor;
        std::uint64_t checkXor;
        std::size_t lengthLess;
        bool found;
    };
    const Case cases[] = {
        {"the same key", 0, 0, 0, true},
        {"another slot", 1, 0, 0, false},
        {"the same slot, other top bits", std::uint64_t{1} << 60, 0, 0, false},
        {"the same slot and top bits", std::uint64_t{1} << 40, 0, 0, false},
        {"another second hash", 0, 1, 0, false},
        {"a shorter key", 0, 0, 2, false},
    };
    SubFillMemo memo;
    memo.Validate(engine.SizesGeneration(), engine.NokoHaba, engine.MaxCutSize);
    COutData layout;
    layout.Blocks.emplace_back(0, 0, 0, 0, 2, 2, 0);
    memo.Store(stored, kAny, 1, layout, 0, 0, 0.0, 0.0, remaining, rect);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SubFillMemo::Key asked = stored;
        asked.Hash ^= c.hashXor;
        asked.Check ^= c.checkXor;
        asked.Length -= c.lengthLess;
        EXPECT_EQ(memo.Find(asked, kAny) != nullptr, c.found);
    }
    // Another key in the slot takes it over.
    SubFillMemo::Key other = stored;
    other.Hash ^= std::uint64_t{1} << 60;
    memo.Store(other, kAny, 1, layout, 0, 0, 0.0, 0.0, remaining, rect);
    EXPECT_NE(memo.Find(other, kAny), nullptr);
    EXPECT_EQ(memo.Find(stored, kAny), nullptr);
    memo.Release();
    memo.Validate(engine.SizesGeneration(), engine.NokoHaba, engine.MaxCutSize);
    EXPECT_EQ(memo.Find(other, kAny), nullptr);
}

// The memory limit counts a slot's layout by the capacity a vector of its numbers would have after
// the same steps (cleared, two numbers pushed per change, resized to all, given back when far too
// large), so the memo forgets where it always did. A vector doing them tells.
TEST(SubFillMemo, CountedCapacityIsTheVectorsOfTheSameSteps)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::uint32_t, std::size_t>> stores;  // changes, numbers in all
    };
    const Case cases[] = {
        {"one store of nothing", {{0, 0}}},
        {"changes only", {{1, 2}, {3, 6}, {2, 4}}},
        {"blocks only, growing", {{0, 7}, {0, 14}, {0, 21}, {0, 100}}},
        {"a large one then small ones: given back", {{0, 700}, {0, 7}, {1, 9}, {0, 7}}},
        {"small after large within the margin: kept", {{0, 120}, {0, 40}, {0, 20}}},
        {"changes past the capacity, then a resize", {{5, 10}, {9, 18 + 7}, {17, 34 + 70}}},
        {"changes within the capacity, resize past it", {{1, 60}, {2, 4 + 200}}},
        {"many", {{3, 6 + 28 + 8}, {0, 0}, {12, 24 + 49 + 36}, {1, 2 + 7}, {40, 80}, {0, 350}, {2, 11}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::int32_t> data;
        std::uint32_t counted = 0;
        for (const auto& [changes, numbers] : c.stores) {
            data.clear();
            for (std::uint32_t i = 0; i < changes; ++i) {
                data.push_back(1);
                data.push_back(2);
            }
            data.resize(numbers);
            if (data.capacity() > 4 * data.size() + 64) {
                data.shrink_to_fit();
            }
            counted = SubFillMemo::Accounted(counted, changes, numbers);
            ASSERT_EQ(counted, data.capacity()) << changes << " changes, " << numbers << " numbers";
        }
    }
}

// Layouts stored over and over into many slots come back exactly as stored, also after the
// memo's store moved them together (many layouts replaced, a few large ones among them).
TEST(SubFillMemo, LayoutsComeBackExactlyAfterTheStoreIsCompacted)
{
    TestJob job = ThreeSizesJob();
    job.Secondary(150, 120, 4);
    CCal1 engine;
    job.Prepare(engine);
    const BuzaiLists& remaining = engine.CalData.Buzai;

    struct Stored {
        SubFillMemo::Key key;
        CalRect rect;
        COutData layout;
        BuzaiLists left;
        double need = kAny;
        int result = 0;
    };
    // Keys of distinct slots of the first table (1024 slots): rectangles of other sizes.
    std::vector<Stored> kept;
    std::vector<bool> used(SubFillMemo::kFirstSlots, false);
    for (std::int32_t w = 400; kept.size() < 300; ++w) {
        Stored s;
        s.rect = CalRect{w, 30, w + w, 30 + 900};
        SubFillMemo::MakeKey(engine, remaining, s.rect, {0, 0}, s.key);
        const std::size_t slot = s.key.Hash & (SubFillMemo::kFirstSlots - 1);
        if (!used[slot]) {
            used[slot] = true;
            kept.push_back(std::move(s));
        }
    }
    struct Case {
        const char* what;
        int rounds;    // stores into every slot
        int blocks;    // of each layout; every 7th has ten times as many
        bool shortOf;  // stored as falling short of a need
    };
    const Case cases[] = {
        {"one round, small layouts", 1, 2, false},
        {"many rounds, replaced over and over", 6, 5, false},
        {"large layouts", 3, 40, true},
        // In the megabytes of the case before, which its memo gave back as it ended.
        {"large layouts again", 2, 40, false},
    };
    Dice dice(5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SubFillMemo memo;
        memo.Validate(engine.SizesGeneration(), engine.NokoHaba, engine.MaxCutSize);
        for (int round = 0; round < c.rounds; ++round) {
            for (std::size_t i = 0; i < kept.size(); ++i) {
                Stored& s = kept[i];
                s.layout = COutData{};
                const int blocks = c.blocks * (i % 7 == 0 ? 10 : 1) + dice.Between(0, 3);
                for (int b = 0; b < blocks; ++b) {
                    s.layout.Blocks.emplace_back(dice.Between(0, 2), b % 2, s.rect.X0 + dice.Between(0, 500),
                                                 s.rect.Y0 + dice.Between(0, 500), dice.Between(1, 4),
                                                 dice.Between(1, 4), dice.Between(0, 1));
                    s.layout.CutLines.push_back(CUTMARK{s.rect.X0 + b, s.rect.Y0 + round, s.rect.X1 - b,
                                                        s.rect.Y1 - dice.Between(0, 9)});
                }
                s.layout.PartsArea = 1000.0 * blocks + round;
                s.layout.TotalArea = 1500.0 * blocks + 0.5;
                s.left = remaining;
                for (auto& list : s.left) {
                    for (CAL_BUZAI& entry : list) {
                        entry.Count -= dice.Between(0, 1);
                    }
                    std::erase_if(list, [](const CAL_BUZAI& entry) { return entry.Count < 1; });
                }
                s.need = c.shortOf ? s.layout.PartsArea + 1.0 : kAny;
                s.result = blocks > 0 ? 1 : 0;
                memo.Store(s.key, s.need, s.result, s.layout, 0, 0, 0.0, 0.0, s.left, s.rect);
            }
        }
        for (const Stored& s : kept) {
            const SubFillMemo::Entry* known = memo.Find(s.key, s.need);
            ASSERT_NE(known, nullptr);
            EXPECT_EQ(known->Result, s.result);
            EXPECT_EQ(memo.Find(s.key, s.need - 0.5) == nullptr, c.shortOf);
            COutData again;
            BuzaiLists left;
            SubFillMemo::Apply(*known, s.key, remaining, left, again, s.rect);
            EXPECT_EQ(again.Blocks, s.layout.Blocks);
            EXPECT_EQ(again.CutLines, s.layout.CutLines);
            EXPECT_EQ(again.PartsArea, s.layout.PartsArea);
            EXPECT_EQ(again.TotalArea, s.layout.TotalArea);
            EXPECT_EQ(left, s.left);
        }
    }
}

// A compaction moves a layout down over the replaced ones before it, by less than its own size
// when they are small: the layout still comes back, and so do the others.
TEST(SubFillMemo, LayoutMovedOverASmallerReplacedOneComesBack)
{
    TestJob job = ThreeSizesJob();
    CCal1 engine;
    job.Prepare(engine);
    const BuzaiLists& remaining = engine.CalData.Buzai;
    // Keys of three distinct slots of the first table: rectangles of other widths.
    std::vector<SubFillMemo::Key> keys;
    std::vector<CalRect> rects;
    std::vector<bool> used(SubFillMemo::kFirstSlots, false);
    for (std::int32_t w = 400; keys.size() < 3; ++w) {
        const CalRect rect{0, 0, w, 900};
        SubFillMemo::Key key;
        SubFillMemo::MakeKey(engine, remaining, rect, {0, 0}, key);
        const std::size_t slot = key.Hash & (SubFillMemo::kFirstSlots - 1);
        if (!used[slot]) {
            used[slot] = true;
            keys.push_back(key);
            rects.push_back(rect);
        }
    }
    auto layoutOf = [](int blocks, int seed) {
        COutData layout;
        for (int b = 0; b < blocks; ++b) {
            layout.Blocks.emplace_back(b % 3, 0, 10 * b + seed, 7 * b, 1 + b % 5, 2, b % 2);
            layout.CutLines.push_back(CUTMARK{b, seed, b + 3, 900 - b});
        }
        layout.PartsArea = 100.0 * blocks + seed;
        layout.TotalArea = 200.0 * blocks + seed;
        return layout;
    };
    struct Case {
        const char* what;
        int smallBlocks;  // of the layout replaced at the store's front
        int largeBlocks;  // of the one after it
    };
    const Case cases[] = {
        {"no blocks before 40", 0, 40},
        {"one block before 200", 1, 200},
        {"three blocks before four", 3, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SubFillMemo memo;
        memo.Validate(engine.SizesGeneration(), engine.NokoHaba, engine.MaxCutSize);
        const COutData small = layoutOf(c.smallBlocks, 1), smallAgain = layoutOf(c.smallBlocks, 2);
        const COutData large = layoutOf(c.largeBlocks, 3);
        memo.Store(keys[0], kAny, 1, small, 0, 0, 0.0, 0.0, remaining, rects[0]);
        memo.Store(keys[0], kAny, 1, smallAgain, 0, 0, 0.0, 0.0, remaining, rects[0]);  // replaces it
        memo.Store(keys[1], kAny, 1, large, 0, 0, 0.0, 0.0, remaining, rects[1]);
        // Replaced over and over until the store has been compacted a few times.
        for (int i = 0; i < 1500; ++i) {
            memo.Store(keys[2], kAny, 1, layoutOf(20, i), 0, 0, 0.0, 0.0, remaining, rects[2]);
        }
        const COutData* expected[3] = {&smallAgain, &large, nullptr};
        const COutData last = layoutOf(20, 1499);
        expected[2] = &last;
        for (std::size_t k = 0; k < 3; ++k) {
            const SubFillMemo::Entry* known = memo.Find(keys[k], kAny);
            ASSERT_NE(known, nullptr) << "key " << k;
            COutData again;
            BuzaiLists left;
            SubFillMemo::Apply(*known, keys[k], remaining, left, again, rects[k]);
            EXPECT_EQ(again.Blocks, expected[k]->Blocks) << "key " << k;
            EXPECT_EQ(again.CutLines, expected[k]->CutLines) << "key " << k;
            EXPECT_EQ(again.PartsArea, expected[k]->PartsArea) << "key " << k;
            EXPECT_EQ(left, remaining);
        }
    }
}
