#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calc/CalData.h"
#include "base/CalcError.h"
#include "job/Buzai.h"
#include "result/OutData.h"
#include "result/RetData.h"

class CGenban;
class CGenbanList;
class ImproveAttempts;
class MessageSink;
struct Settings;

// Removes the entries whose count fell below 1; the others keep their order.
inline void DropUsedUp(std::vector<CAL_BUZAI>& entries)
{
    std::erase_if(entries, [](const CAL_BUZAI& e) { return e.Count < 1; });
}

// What a layout needs to be of use to its caller: a parts area (list 0, what IsBetter compares
// first). Below it, the layout may be any layout that places less (and is of no use); at or
// above it, it is the engine's own. With it, when the caller knows it, the parts area of the
// lists the layout is given.
struct LayoutNeed {
    double Area = -std::numeric_limits<double>::infinity();
    double Available = -1.0;  // negative: not told
};

// The values of CCalHaichi::State, in the order an engine passes through them.
enum EngineState : int {
    kStateNew = 0,        // after Reset
    kStateReady = 1,      // after SetCalData
    kStateRunning = 2,    // while Calculate lays out
    kStateAllPlaced = 3,  // ended, every part placed
    kStatePartsLeft = 4,  // ended, parts left unplaced
    kStateStopped = 5,    // ended by a stop request or a calculation error; the result is not used
};

// The abstract layout engine. A concrete engine supplies how parts are arranged on one trimmed
// board (LayoutBoard); the choice of boards, the repetition of a pattern, the priorities, the
// progress and the improvement passes live here.
//
// Threads: Calculate runs on a worker thread and is the only writer of every field except
// StopRequest and Running (also written by the run) and Progress (read by the run under Lock).
class CCalHaichi {
public:
    CCalHaichi() = default;
    CCalHaichi(const CCalHaichi&) = delete;
    CCalHaichi& operator=(const CCalHaichi&) = delete;

    int State = kStateNew;            // an EngineState
    std::int32_t NokoHaba = 0;        // kerf, 0.1 mm
    std::atomic<int> StopRequest{0};  // set by the run (中断) or after a calculation error
    std::atomic<int> Running{0};      // 1 from the run before the thread starts; 0 as Calculate ends
    int NoRateFlg = 0;                // leave the board price out of the choice
    int NoUsenFlg = 0;                // leave the board priority out
    int Improve = 0;                  // run the improvement passes
    int UseSmallPat = 0;              // try fewer distinct patterns
    // The need of every board layout: one placing less parts area than this is of no use to the
    // caller, and may then be any layout that places less (the improvement passes' auxiliary runs
    // must take every part).
    double Need = -std::numeric_limits<double>::infinity();
    // An improvement pass's auxiliary engine runs Calculate once per attempt on the same parts:
    // it keeps its bound tables between runs (they go with the engine).
    bool KeepBoundTable = false;
    int TimeOut = 0;   // carried, never read here
    CCalData CalData;  // own copy of the group
    const CBuzaiList* BuzaiList = nullptr;
    const CBuzaiList* YBuzaiList = nullptr;
    const CGenbanList* GenbanList = nullptr;
    CRetData Ret;
    std::vector<CAL_BUZAI> LeftYBuzai;  // secondary parts not placed, with the counts left
    int Progress = 0;                   // 0..100, only under Lock
    mutable std::mutex Lock;
    std::int32_t MaxCutSize = 0;        // cutting limit, 0.1 mm
    MessageSink* Sink = nullptr;        // messages for the user; none shown when null
    std::int64_t SearchCutShort = 0;    // board layouts whose search a budget ended early (diagnosis)
    std::int64_t SubFillsCutShort = 0;  // the same for the block engine's budget of sub-fills
    std::int64_t MostSubFills = 0;      // the most sub-fills the block engine computed for a board
    // As an improvement pass's auxiliary engine: the outcomes of its attempts so far.
    std::shared_ptr<ImproveAttempts> Attempts;

    // The virtual operations, in this order.
    virtual ~CCalHaichi();
    // Copies the group into CalData, prepares the engine's working data, State = 1.
    virtual void SetCalData(const CCalData& data) = 0;
    // State, StopRequest, Running and Progress to 0.
    virtual void Reset();
    // The whole layout of the group; the body of the worker thread.
    virtual void Calculate();
    // Improvement pass A: re-lays the worst board together with copies of a partner board.
    virtual void ImproveWorstBoard(CCalHaichi& aux, GenbanLists& boards, std::vector<CAL_BUZAI>& leftYBuzai);
    // Improvement pass B: lays two single boards out on one board of a size between them.
    virtual void MergeBoardPairs(CCalHaichi& aux, GenbanLists& boards, std::vector<CAL_BUZAI>& leftYBuzai);
    // Arranges the remaining parts on the trimmed board `rect`; adds blocks, cut lines and the two
    // areas to `layout` and fills `left` with what is still unplaced (entries at 0 dropped).
    // Nonzero when at least one block was placed.
    virtual int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                            const CalRect& rect) = 0;
    // A new engine of the same class with the variant parameters it carries over; every base
    // field as after construction.
    virtual std::unique_ptr<CCalHaichi> CreateInstance() const = 0;
    // The job of the same group and engine kind made last before this one: an engine whose jobs
    // share their work joins it. Before either runs.
    virtual void JoinGroupJob(CCalHaichi& /*before*/) {}
    // LayoutBoard, then with UseSmallPat the attempts on the counts divided by 2, 3, ...
    virtual int LayoutBoardBest(std::int32_t available, const BuzaiLists& remaining, BuzaiLists& left,
                                COutData& layout, const CalRect& rect);
    // Nonzero when layout B (leaving leftB) beats layout A (leaving leftA) of the same board.
    virtual int IsBetter(const COutData& a, const BuzaiLists& leftA, const COutData& b,
                         const BuzaiLists& leftB) const;

    // The settings every engine copies, and the document's lists it reads. A run an engine starts
    // of its own takes them from it with CopyRunSettings.
    void Configure(const Settings& settings, const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                   const CGenbanList& genban);
    void SetProgress(int value);
    int GetProgress() const;

    // Records looked up by number; CalcError when out of range. Part is inline: the engines look
    // parts up in their innermost loops.
    const CBuzai& Part(std::int32_t list, std::int32_t number) const
    {
        const CBuzaiList* parts = list == 0 ? BuzaiList : list == 1 ? YBuzaiList : nullptr;
        if (!parts) [[unlikely]]
            ThrowMissingList(list);
        return CheckedAt(parts->Items, number, list == 0 ? "part" : "secondary part");
    }
    const CGenban& Board(std::int32_t number) const;

    // What the scans need of a part, from a table made by RefreshSizes: the part records are large
    // and the scans run over the lists at every step. Falls back to the record (and its range
    // check) for a number the table does not hold.
    struct PartSize {
        std::int32_t Width = 0;
        std::int32_t Height = 0;
        std::int32_t NoTurn = 0;

        // Fits into width x height as it is, or turned when it may be turned. No kerf.
        bool FitsWithin(std::int64_t width, std::int64_t height) const
        {
            return (Width <= width && Height <= height) ||
                   (NoTurn == 0 && Height <= width && Width <= height);
        }
        friend bool operator==(const PartSize&, const PartSize&) = default;
    };
    PartSize Size(std::int32_t list, std::int32_t number) const
    {
        // One unsigned compare covers a negative number; a list other than 0 and 1 has no table.
        if (static_cast<unsigned>(list) < 2 &&
            static_cast<std::size_t>(static_cast<std::uint32_t>(number)) < m_sizes[list].size()) [[likely]]
            return m_sizes[list][static_cast<std::size_t>(number)];
        return SizeFromRecord(list, number);
    }
    // The fallback of Size, kept out of the scans' loops.
    [[gnu::noinline]] PartSize SizeFromRecord(std::int32_t list, std::int32_t number) const;
    // Makes the table from BuzaiList and YBuzaiList; SetCalData does, and so must whoever changes them.
    void RefreshSizes();
    // Changes whenever RefreshSizes finds other sizes: what was worked out from the old ones is stale.
    std::uint64_t SizesGeneration() const { return m_sizesGeneration; }
    // The part fits into rect as it is (rotated 0) or turned (1), whether or not it may turn. No kerf.
    static bool FitsAs(const CBuzai& part, int rotated, const CalRect& rect);
    // The part fits into rect as it is, or turned when it may be turned. No kerf.
    static bool Fits(const CBuzai& part, const CalRect& rect);
    static bool FitsAs(const PartSize& part, int rotated, const CalRect& rect)
    {
        const std::int64_t w = rotated ? part.Height : part.Width;
        const std::int64_t h = rotated ? part.Width : part.Height;
        return rect.X0 + w <= rect.X1 && rect.Y0 + h <= rect.Y1;
    }

    // The first entry of list 0, then of list 1, that fits a rectangle, and how it fits.
    struct FirstFit {
        int List = -1;  // -1 when nothing fits
        std::size_t Entry = 0;
        bool As[2] = {false, false};  // fits as it is, fits turned (only when it may turn)
    };
    // `from` skips entries known not to fit: a recursive engine passes down where the scan of an
    // enclosing rectangle found its first fit (list 0's size when list 0 had none). What does not
    // fit a rectangle is placed nowhere within it, so those entries keep their places in every
    // list made inside it.
    using FitFrom = std::array<std::size_t, 2>;
    FirstFit FirstFitting(const BuzaiLists& lists, const CalRect& rect, FitFrom from = {0, 0}) const;
    // CCalHaichi::IsBetter for lists known to agree entry by entry before `same` (both made from
    // one list inside a rectangle that those entries do not fit); compares only what follows.
    int IsBetterAfter(const COutData& a, const BuzaiLists& leftA, const COutData& b, const BuzaiLists& leftB,
                      const std::array<std::size_t, 2>& same) const;
    // Where the scans within rect may start once `first` was found there from `from`.
    static FitFrom FitFromWithin(const BuzaiLists& lists, const FirstFit& first, FitFrom from)
    {
        if (first.List == 0) {
            return {first.Entry, from[1]};
        }
        return {lists[0].size(), first.List == 1 ? first.Entry : lists[1].size()};
    }
    // One level deeper in a recursive fill, with the scans starting at `within` there; leaving
    // the level undoes both.
    class FillLevel {
    public:
        FillLevel(int& depth, FitFrom& from, FitFrom within) : m_depth(depth), m_from(from), m_outer(from)
        {
            ++m_depth;
            m_from = within;
        }
        ~FillLevel()
        {
            --m_depth;
            m_from = m_outer;
        }
        FillLevel(const FillLevel&) = delete;
        FillLevel& operator=(const FillLevel&) = delete;

    private:
        int& m_depth;
        FitFrom& m_from;
        FitFrom m_outer;
    };

    // A need set while the scope lives, the one before it again after.
    template <class T>
    class NeedScope {
    public:
        NeedScope(T& slot, T need) : m_slot(slot), m_outer(std::exchange(slot, need)) {}
        ~NeedScope() { m_slot = m_outer; }
        NeedScope(const NeedScope&) = delete;
        NeedScope& operator=(const NeedScope&) = delete;

    private:
        T& m_slot;
        T m_outer;
    };

    // At least the parts area (list 0, what IsBetter compares first) that any layout can place
    // into a rectangle of width x height from pieces of `available` area in all. Pieces in a
    // guillotine layout are kept a kerf apart, so each piece widened by the kerf to the right and
    // upwards lies within the rectangle widened likewise, and no two of them overlap: the pieces'
    // areas are at most (width + k)(height + k) times the best ratio w h / ((w + k)(h + k)) of a
    // part of the job that fits. `capacity`, when not negative, takes the place of
    // (width + k)(height + k) for a region that is not a rectangle.
    double PartsAreaBound(std::int64_t width, std::int64_t height, double available,
                          double capacity = -1.0) const
    {
        // Asked at every attempt of the recursive engines: one look-up per side from the tables.
        if (capacity < 0.0) {
            const BoundTables tables = CurrentBoundTables();
            if (tables.Holds(width, height, available)) {
                return tables.LookUp(width, height, available);
            }
        }
        return PartsAreaBoundOf(width, height, available, capacity);
    }
    // By length, per axis, what PartsAreaBound looks up of a rectangle's side: the longest part side
    // within it and the longest sum of the parts' sides widened by the kerf within it.
    struct LengthBound {
        std::int32_t Side = -1;
        std::int32_t Sum = 0;
    };
    // PartsAreaBound's tables as they stand, for a caller that asks them many times with the same
    // kerf and parts (a board layout): valid until a PartsAreaBound call lengthens or makes them
    // again. Empty when they do not serve.
    struct BoundTables {
        const LengthBound* X = nullptr;
        const LengthBound* Y = nullptr;
        std::uint64_t XSize = 0;
        std::uint64_t YSize = 0;
        const float* Ratio = nullptr;  // by width side * SideCount + height side
        std::size_t SideCount = 0;

        bool Holds(std::int64_t width, std::int64_t height, double available) const
        {
            return available > 0.0 && width > 0 && height > 0 && static_cast<std::uint64_t>(width) < XSize &&
                   static_cast<std::uint64_t>(height) < YSize;
        }
        // PartsAreaBound of what the tables hold.
        double LookUp(std::int64_t width, std::int64_t height, double available) const
        {
            const LengthBound x = X[width], y = Y[height];
            const double ratio =
                (x.Side < 0) | (y.Side < 0)
                    ? 0.0
                    : Ratio[static_cast<std::size_t>(x.Side) * SideCount + static_cast<std::size_t>(y.Side)];
            const double sums = static_cast<double>(x.Sum) * static_cast<double>(y.Sum);
            return std::min(available, sums * ratio * (1.0 + 1e-9) + 1.0);
        }
    };
    BoundTables CurrentBoundTables() const
    {
        BoundTables tables;
        if (m_ratioKerf == NokoHaba && m_ratioGeneration == m_sizesGeneration && BuzaiList &&
            BuzaiList->Items.size() == m_sizes[0].size()) {
            tables = {m_byLength[0].data(), m_byLength[1].data(), m_byLength[0].size(),
                      m_byLength[1].size(), m_bestRatio.data(),   m_sideCount};
        }
        return tables;
    }
    // The area of all the pieces of `parts`.
    double PartsAreaOf(const std::vector<CAL_BUZAI>& parts) const;
    // The group's first board cannot take the parts' area of list 0 (kerfs counted by
    // PartsAreaBound): no layout on that one board places every part.
    bool BoardTooSmallForParts() const;
    // Gives back the memory of PartsAreaBound's table; it is made again when next needed.
    void ReleaseBoundTable();

    // The best board of a pass so far: its layout, price per area and place among the boards.
    struct Candidate {
        COutData layout;
        double rate = 0.0;  // board price ÷ board area
        int level = 0;
        std::size_t entry = 0;
    };

protected:
    void ShowMessage(const std::string& text);

    // The need of the next LayoutBoard (LayoutBoardBest's layouts, FillRemainderInto's fills of a
    // sub-rectangle). An engine that can stop short of it takes it as the fill starts, so that the
    // fills within see only what they are told; the others leave it alone.
    LayoutNeed m_need;
    LayoutNeed TakeNeed() { return std::exchange(m_need, LayoutNeed{}); }
    // PartsAreaBound within one board layout: the tables taken as it starts (TakeBoundTables) serve
    // without checking the kerf and the parts again; taken again when a call lengthens them.
    void TakeBoundTables() { m_boundTables = CurrentBoundTables(); }
    double BoardPartsAreaBound(const CalRect& rect, double available)
    {
        if (m_boundTables.Holds(rect.Width(), rect.Height(), available)) {
            return m_boundTables.LookUp(rect.Width(), rect.Height(), available);
        }
        const double bound = PartsAreaBound(rect.Width(), rect.Height(), available);
        TakeBoundTables();
        return bound;
    }
    // The parts area of `lists` list 0: `told` when the caller told it, else summed.
    double AvailableOf(const BuzaiLists& lists, double told) const
    {
        return told >= 0.0 ? told : PartsAreaOf(lists[0]);
    }
    // The need of the board ChooseBoard lays out: the parts area below which it cannot replace the
    // best board so far. LayoutBoardBest's attempts on fewer parts need no less.
    double m_boardNeed = -std::numeric_limits<double>::infinity();

    // The candidate search of one pass: every board entry of the levels (highest first) on which
    // the first remaining part fits is laid out; the first level with a layout decides.
    std::optional<Candidate> ChooseBoard(const std::vector<int>& levels, const BuzaiLists& remaining,
                                         const GenbanLists& boards);
    // How many boards the layout can be repeated on: the smallest quotient remaining ÷ pieces over
    // its parts, at most the boards of the entry. 0 for a layout that cannot be (an inconsistency).
    static std::int64_t RepeatCount(const COutData& layout, const BuzaiLists& remaining,
                                    const CAL_GENBAN& boardEntry);
    // Cuts the layout k times: takes its pieces off the remaining entries and the boards off the
    // entry, appends it to the result. Returns the parts (list 0) placed.
    std::int64_t ApplyLayout(Candidate& best, std::int64_t k, BuzaiLists& remaining, GenbanLists& boards);

private:
    [[noreturn]] static void ThrowMissingList(std::int32_t list);
    std::vector<PartSize> m_sizes[2];
    std::uint64_t m_sizesGeneration = 0;
    // For PartsAreaBound, made when first needed for the sizes generation and kerf at hand: the
    // best ratio w h / ((w + k)(h + k)) of a list-0 part that fits, for every pair of side lengths
    // of those parts. Whether a part fits compares only side lengths with the rectangle, so a
    // rectangle is looked up by the longest sides within its width and its height.
    void MakeRatioTable() const;
    mutable std::vector<std::int32_t> m_sideAtMost;  // by length: the longest side within it, -1 none
    mutable std::size_t m_sideCount = 0;
    mutable std::vector<float> m_bestRatio;  // by width side * m_sideCount + height side, rounded up
    mutable bool m_ratioTable = false;       // false: too many sides or too long; ratio 1 serves
    // By length, per axis (x, y): the longest sum of the parts' sides widened by the kerf within
    // it (parts that may turn count both sides on both axes); empty until a bound asks for it.
    mutable std::array<std::vector<std::int32_t>, 2> m_sumAtMost;
    std::int64_t SumAtMost(int axis, std::int64_t length) const
    {
        const std::vector<std::int32_t>& table = m_sumAtMost[static_cast<std::size_t>(axis)];
        return length >= 0 && length < static_cast<std::int64_t>(table.size())
                   ? table[static_cast<std::size_t>(length)]
                   : MakeSumAtMost(axis, length);
    }
    // SumAtMost past the table: makes it long enough when it may be.
    std::int64_t MakeSumAtMost(int axis, std::int64_t length) const;
    // PartsAreaBound computed from the tables above (made where needed); lengthens the tables below.
    double PartsAreaBoundOf(std::int64_t width, std::int64_t height, double available, double capacity) const;
    // By length, per axis, the LengthBound of a rectangle's side: m_sideAtMost and SumAtMost. Made
    // with the ratio table, up to the longest side asked so far; empty without that table.
    mutable std::array<std::vector<LengthBound>, 2> m_byLength;
    void MakeByLength(int axis, std::int64_t length) const;
    mutable std::uint64_t m_ratioGeneration = 0;
    mutable std::int32_t m_ratioKerf = -1;
    mutable BoundTables m_boundTables;  // BoardPartsAreaBound's; emptied whenever the tables change
};

// The settings Configure sets, except the improvement passes (the starting engine's), and the
// sink: what every run an engine starts of its own (an auxiliary engine, a search run) takes from it.
void CopyRunSettings(const CCalHaichi& from, CCalHaichi& to);

// The listed members of `from` into `to`.
template <class T, class... Member>
void CopyMembers(const T& from, T& to, Member... members)
{
    ((to.*members = from.*members), ...);
}

// For CreateInstance: a new engine of from's class with the listed members (the variant
// parameters it carries over) copied from it.
template <class Engine, class... Member>
std::unique_ptr<Engine> EngineWith(const Engine& from, Member... members)
{
    auto engine = std::make_unique<Engine>();
    CopyMembers(from, *engine, members...);
    return engine;
}

// Whether a finished layout of a board at price `rate` per area replaces the best candidate board
// so far (ignorePrice: by yields only).
bool BeatsCandidate(const COutData& n, double rate, const CCalHaichi::Candidate& best, bool ignorePrice);
// Below this parts area a layout of a board of `area` at price `rate` per area cannot replace the
// best candidate: it would need a parts yield, or a price per yield, within the tolerance of the
// best's. Rounded down with room to spare; minus infinity when any layout may.
double PartsAreaToBeat(const CCalHaichi::Candidate& best, double rate, double area, bool ignorePrice);
