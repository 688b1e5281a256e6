#include "calc/CalHaichi.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>

#include "base/Settings.h"
#include "base/CalcError.h"
#include "calc/MessageSink.h"
#include "base/Tolerance.h"
#include "job/Buzai.h"
#include "job/Genban.h"

namespace {

// Clears the running flag when Calculate leaves, also by an internal error.
struct RunningReset {
    std::atomic<int>& flag;
    ~RunningReset() { flag = 0; }
};

// Board price per unit of parts (or total) yield; a layout without yield is never cheaper.
double PricePerYield(double rate, double yield)
{
    return yield > 0.0 ? rate / yield : std::numeric_limits<double>::infinity();
}

constexpr double kNoNeed = -std::numeric_limits<double>::infinity();

// One criterion of a comparison of a new value n with the best's b, within the tolerance.
enum class Verdict { Wins, Ties, Loses };
Verdict Larger(double n, double b)
{
    return DoubleGreater(n, b) ? Verdict::Wins : DoubleEqual(n, b) ? Verdict::Ties : Verdict::Loses;
}
Verdict Smaller(double n, double b)
{
    return DoubleLess(n, b) ? Verdict::Wins : DoubleEqual(n, b) ? Verdict::Ties : Verdict::Loses;
}
// The first criterion that is no tie decides; a tie on all of them loses. Values that do not
// compare (infinity against infinity) lose.
bool FirstDecides(std::initializer_list<Verdict> verdicts)
{
    for (const Verdict v : verdicts) {
        if (v != Verdict::Ties) {
            return v == Verdict::Wins;
        }
    }
    return false;
}

}  // namespace

double PartsAreaToBeat(const CCalHaichi::Candidate& best, double rate, double area, bool ignorePrice)
{
    if (!(area > 0.0)) {
        return kNoNeed;
    }
    // It loses when its parts yield is below the best's by the tolerance or more, or its price per
    // yield above the best's by as much.
    double yield = 0.0;
    if (ignorePrice) {
        yield = best.layout.PartsYield - kTolerance;
    } else {
        const double bp = PricePerYield(best.rate, best.layout.PartsYield);
        if (!(rate > 0.0) || !std::isfinite(bp)) {
            return kNoNeed;
        }
        yield = rate / (bp + kTolerance);
    }
    return yield * area * (1.0 - 1e-9) - 1.0;
}

bool BeatsCandidate(const COutData& n, double rate, const CCalHaichi::Candidate& best, bool ignorePrice)
{
    const COutData& b = best.layout;
    if (ignorePrice) {
        return FirstDecides({Larger(n.PartsYield, b.PartsYield), Larger(n.TotalYield, b.TotalYield),
                             Smaller(n.PartsArea, b.PartsArea)});
    }
    return FirstDecides({Smaller(PricePerYield(rate, n.PartsYield), PricePerYield(best.rate, b.PartsYield)),
                         Smaller(PricePerYield(rate, n.TotalYield), PricePerYield(best.rate, b.TotalYield)),
                         Larger(n.PartsYield, b.PartsYield), Larger(n.TotalYield, b.TotalYield),
                         Larger(n.PartsArea, b.PartsArea)});
}

CCalHaichi::~CCalHaichi() = default;

void CCalHaichi::Reset()
{
    State = kStateNew;
    StopRequest = 0;
    Running = 0;
    SetProgress(0);
}

void CCalHaichi::Configure(const Settings& settings, const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                           const CGenbanList& genban)
{
    BuzaiList = &buzai;
    YBuzaiList = &ybuzai;
    GenbanList = &genban;
    NokoHaba = settings.NokoHaba;
    MaxCutSize = settings.MaxCutSize;
    NoRateFlg = settings.NoRateFlg;
    NoUsenFlg = settings.NoUsenFlg;
    // Secondary parts and the improvement passes do not go together.
    Improve = settings.UseYBuzai ? 0 : settings.Use2ko1;
    UseSmallPat = settings.UseSmallPat;
    TimeOut = settings.TimeOut;
}

void CopyRunSettings(const CCalHaichi& from, CCalHaichi& to)
{
    using E = CCalHaichi;
    CopyMembers(from, to, &E::BuzaiList, &E::YBuzaiList, &E::GenbanList, &E::NokoHaba, &E::MaxCutSize,
                &E::NoRateFlg, &E::NoUsenFlg, &E::UseSmallPat, &E::TimeOut, &E::Sink);
}

void CCalHaichi::SetProgress(int value)
{
    std::lock_guard<std::mutex> lock(Lock);
    Progress = value;
}

int CCalHaichi::GetProgress() const
{
    std::lock_guard<std::mutex> lock(Lock);
    return Progress;
}

void CCalHaichi::ThrowMissingList(std::int32_t list)
{
    throw CalcError("parts list " + std::to_string(list) + " missing");
}

const CGenban& CCalHaichi::Board(std::int32_t number) const
{
    if (!GenbanList) {
        throw CalcError("board list missing");
    }
    return CheckedAt(GenbanList->Items, number, "board");
}

bool CCalHaichi::FitsAs(const CBuzai& part, int rotated, const CalRect& rect)
{
    const std::int64_t w = rotated ? part.Height : part.Width;
    const std::int64_t h = rotated ? part.Width : part.Height;
    return rect.X0 + w <= rect.X1 && rect.Y0 + h <= rect.Y1;
}

bool CCalHaichi::Fits(const CBuzai& part, const CalRect& rect)
{
    return FitsAs(part, 0, rect) || (part.NoTurn == 0 && FitsAs(part, 1, rect));
}

CCalHaichi::PartSize CCalHaichi::SizeFromRecord(std::int32_t list, std::int32_t number) const
{
    const CBuzai& part = Part(list, number);
    return PartSize{part.Width, part.Height, part.NoTurn};
}

void CCalHaichi::RefreshSizes()
{
    const CBuzaiList* lists[2] = {BuzaiList, YBuzaiList};
    for (int l = 0; l < 2; ++l) {
        std::vector<PartSize> sizes;
        if (lists[l]) {
            for (const CBuzai& part : lists[l]->Items) {
                sizes.push_back(PartSize{part.Width, part.Height, part.NoTurn});
            }
        }
        if (sizes != m_sizes[l]) {
            m_sizes[l] = std::move(sizes);
            ++m_sizesGeneration;
        }
    }
}

CCalHaichi::FirstFit CCalHaichi::FirstFitting(const BuzaiLists& lists, const CalRect& rect,
                                              FitFrom from) const
{
    // The loop runs at every step of the recursive engines: sizes straight from the table.
    const std::int64_t width = rect.Width(), height = rect.Height();
    FirstFit fit;
    for (int l = 0; l < 2; ++l) {
        const std::vector<CAL_BUZAI>& entries = lists[l];
        const PartSize* table = m_sizes[l].data();
        const std::size_t known = m_sizes[l].size();
        const CAL_BUZAI* const entry = entries.data();
        const std::size_t count = entries.size();
        for (std::size_t i = from[static_cast<std::size_t>(l)]; i < count; ++i) {
            const auto number = static_cast<std::uint32_t>(entry[i].Number);
            const PartSize part = number < known ? table[number] : SizeFromRecord(l, entry[i].Number);
            const std::int64_t w = part.Width, h = part.Height;
            // Without branches on the single comparisons: most entries do not fit, each for its
            // own reason.
            const bool as = (w <= width) & (h <= height);
            const bool turned = (part.NoTurn == 0) & (h <= width) & (w <= height);
            if (as | turned) {
                fit.List = l;
                fit.Entry = i;
                fit.As[0] = as;
                fit.As[1] = turned;
                return fit;
            }
        }
    }
    fit.As[0] = fit.As[1] = false;
    return fit;
}

void CCalHaichi::MakeRatioTable() const
{
    m_boundTables = {};
    m_sumAtMost = {};
    m_byLength = {};
    m_ratioGeneration = m_sizesGeneration;
    m_ratioKerf = NokoHaba;
    std::vector<std::int64_t> sides;
    for (const PartSize& part : m_sizes[0]) {
        sides.push_back(part.Width);
        sides.push_back(part.Height);
    }
    std::sort(sides.begin(), sides.end());
    sides.erase(std::unique(sides.begin(), sides.end()), sides.end());
    // A few megabytes at most; beyond, every rectangle gets ratio 1, which bounds any ratio.
    constexpr std::size_t kMostSides = 2048;
    constexpr std::int64_t kLongestSide = std::int64_t{1} << 22;
    m_ratioTable =
        !sides.empty() && sides.size() <= kMostSides && sides.front() >= 0 && sides.back() <= kLongestSide;
    if (!m_ratioTable) {
        m_sideAtMost = {};
        m_bestRatio = {};
        m_sideCount = 0;
        return;
    }
    m_sideCount = sides.size();
    m_sideAtMost.assign(static_cast<std::size_t>(sides.back()) + 1, -1);
    for (std::size_t i = 0, length = 0; length < m_sideAtMost.size(); ++length) {
        while (i < sides.size() && sides[i] <= static_cast<std::int64_t>(length)) {
            ++i;
        }
        m_sideAtMost[length] = static_cast<std::int32_t>(i) - 1;
    }
    auto side = [&](std::int64_t length) {
        return static_cast<std::size_t>(m_sideAtMost[static_cast<std::size_t>(length)]);
    };

    // Each part at its own pair of sides (both ways when it may turn), then the best of all pairs
    // at most as long in both.
    const std::size_t n = m_sideCount;
    std::vector<double> best(n * n, 0.0);
    const double k = NokoHaba;
    for (const PartSize& part : m_sizes[0]) {
        const double ratio =
            static_cast<double>(part.Width) * part.Height / ((part.Width + k) * (part.Height + k));
        double& as = best[side(part.Width) * n + side(part.Height)];
        as = std::max(as, ratio);
        if (part.NoTurn == 0) {
            double& turned = best[side(part.Height) * n + side(part.Width)];
            turned = std::max(turned, ratio);
        }
    }
    m_bestRatio.resize(n * n);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            double r = best[i * n + j];
            if (i > 0) {
                r = std::max(r, best[(i - 1) * n + j]);
            }
            if (j > 0) {
                r = std::max(r, best[i * n + j - 1]);
            }
            best[i * n + j] = r;
            float f = static_cast<float>(r);
            if (static_cast<double>(f) < r) {
                f = std::nextafter(f, 2.0f);  // a bound may be larger, never smaller
            }
            m_bestRatio[i * n + j] = f;
        }
    }
}

std::int64_t CCalHaichi::MakeSumAtMost(int axis, std::int64_t length) const
{
    // Tables up to 2^22 (four times the longest side of a 100 m board in 0.1 mm) or beyond that, the length.
    constexpr std::int64_t kLongest = std::int64_t{1} << 22;
    std::vector<std::int32_t>& table = m_sumAtMost[static_cast<std::size_t>(axis)];
    if (length > kLongest || length < 0) {
        return length;
    }
    // The sums of any number of sides, as bits: each side added as often as it fits by doubling.
    const std::int64_t size =
        std::min(kLongest, std::max<std::int64_t>(length, 2 * static_cast<std::int64_t>(table.size()))) + 1;
    const std::size_t words = static_cast<std::size_t>((size + 63) / 64);
    std::vector<std::uint64_t> reach(words, 0);
    reach[0] = 1;
    // reach |= reach << by, in place: from the top word down, each reads only words not yet changed.
    auto addShifted = [&](std::int64_t by) {
        const std::size_t whole = static_cast<std::size_t>(by / 64);
        const unsigned bits = static_cast<unsigned>(by % 64);
        for (std::size_t i = words; i-- > whole;) {
            std::uint64_t w = reach[i - whole] << bits;
            if (bits != 0 && i > whole) {
                w |= reach[i - whole - 1] >> (64 - bits);
            }
            reach[i] |= w;
        }
    };
    std::vector<std::int64_t> sides;
    for (const PartSize& part : m_sizes[0]) {
        const std::int64_t across = axis == 0 ? part.Width : part.Height;
        const std::int64_t other = axis == 0 ? part.Height : part.Width;
        sides.push_back(across + NokoHaba);
        if (part.NoTurn == 0) {
            sides.push_back(other + NokoHaba);
        }
    }
    std::sort(sides.begin(), sides.end());
    sides.erase(std::unique(sides.begin(), sides.end()), sides.end());
    for (const std::int64_t side : sides) {
        if (side <= 0) {
            return length;  // a side of no length: every length is a sum
        }
        if (side < size && ((reach[static_cast<std::size_t>(side / 64)] >> (side % 64)) & 1)) {
            continue;  // a sum of shorter sides already: its sums are sums of theirs
        }
        for (std::int64_t by = side; by < size; by *= 2) {
            addShifted(by);
        }
    }
    table.resize(static_cast<std::size_t>(size));
    std::int32_t longest = 0;
    for (std::int64_t x = 0; x < size; ++x) {
        if ((reach[static_cast<std::size_t>(x / 64)] >> (x % 64)) & 1) {
            longest = static_cast<std::int32_t>(x);
        }
        table[static_cast<std::size_t>(x)] = longest;
    }
    return table[static_cast<std::size_t>(length)];
}

void CCalHaichi::MakeByLength(int axis, std::int64_t length) const
{
    m_boundTables = {};
    std::vector<LengthBound>& table = m_byLength[static_cast<std::size_t>(axis)];
    const std::int64_t size = std::max<std::int64_t>(length, 2 * static_cast<std::int64_t>(table.size())) + 1;
    if (!m_ratioTable) {
        return;
    }
    // As far as SumAtMost keeps a table: beyond it the bound is made each time.
    const std::int64_t longest = size - 1 + NokoHaba;
    SumAtMost(axis, longest);
    if (static_cast<std::int64_t>(m_sumAtMost[static_cast<std::size_t>(axis)].size()) <= longest) {
        return;
    }
    const std::int64_t last = static_cast<std::int64_t>(m_sideAtMost.size()) - 1;
    const auto from = static_cast<std::int64_t>(table.size());
    table.resize(static_cast<std::size_t>(size));
    for (std::int64_t x = from; x < size; ++x) {
        table[static_cast<std::size_t>(x)] =
            LengthBound{m_sideAtMost[static_cast<std::size_t>(std::min(x, last))],
                        static_cast<std::int32_t>(SumAtMost(axis, x + NokoHaba))};
    }
}

void CCalHaichi::ReleaseBoundTable()
{
    m_boundTables = {};
    m_sumAtMost = {};
    m_byLength = {};
    m_sideAtMost = {};
    m_bestRatio = {};
    m_sideCount = 0;
    m_ratioTable = false;
    m_ratioGeneration = 0;
    m_ratioKerf = -1;
}

double CCalHaichi::PartsAreaBoundOf(std::int64_t width, std::int64_t height, double available,
                                    double capacity) const
{
    if (width <= 0 || height <= 0 || available <= 0.0) {
        return 0.0;
    }
    const double k = NokoHaba;
    // A part missing from the table (lists changed without RefreshSizes) could fill it all.
    double ratio = 1.0;
    const bool known = BuzaiList && BuzaiList->Items.size() == m_sizes[0].size();
    if (known) {
        if (m_ratioKerf != NokoHaba || m_ratioGeneration != m_sizesGeneration) {
            MakeRatioTable();
        }
        if (m_ratioTable) {
            const std::int64_t last = static_cast<std::int64_t>(m_sideAtMost.size()) - 1;
            const std::int32_t w = m_sideAtMost[static_cast<std::size_t>(std::min(width, last))];
            const std::int32_t h = m_sideAtMost[static_cast<std::size_t>(std::min(height, last))];
            ratio =
                w < 0 || h < 0
                    ? 0.0
                    : m_bestRatio[static_cast<std::size_t>(w) * m_sideCount + static_cast<std::size_t>(h)];
        }
    }
    if (capacity < 0.0 && known) {
        // Tables as long as these sides: the next ask of them is a look-up (PartsAreaBound).
        for (int axis = 0; axis < 2; ++axis) {
            const std::int64_t length = axis == 0 ? width : height;
            if (length >= static_cast<std::int64_t>(m_byLength[static_cast<std::size_t>(axis)].size())) {
                MakeByLength(axis, length);
            }
        }
    }
    if (capacity < 0.0) {
        // The widened pieces pushed to the low corner lie within sums of their sides on either axis.
        capacity = (static_cast<double>(width) + k) * (static_cast<double>(height) + k);
        if (known) {
            capacity = static_cast<double>(SumAtMost(0, width + NokoHaba)) *
                       static_cast<double>(SumAtMost(1, height + NokoHaba));
        }
    }
    // Rounded up by far more than the doubles' error: the bound must never fall below a layout.
    return std::min(available, capacity * ratio * (1.0 + 1e-9) + 1.0);
}

bool CCalHaichi::BoardTooSmallForParts() const
{
    const std::vector<CAL_GENBAN>& boards = CalData.Genban[0];
    if (boards.empty()) {
        return false;
    }
    const double partsArea = PartsAreaOf(CalData.Buzai[0]);
    const CalRect rect = TrimmedRect(Board(boards.front().Number));
    // Short of the need an attempt of the improvement passes is given: the parts' area, rounded down.
    if (PartsAreaBound(rect.Width(), rect.Height(), partsArea) < partsArea * (1.0 - 1e-9) - 1.0) {
        return true;
    }
    // Nor can the pieces widened by the kerf, which do not overlap within the board widened
    // likewise: the bound above takes the best ratio of a piece to its widened piece among all the
    // job's parts, far above that of the group's small ones.
    const double k = NokoHaba;
    double widened = 0.0;
    for (const CAL_BUZAI& e : CalData.Buzai[0]) {
        const PartSize part = Size(0, e.Number);
        widened += (part.Width + k) * (part.Height + k) * e.Count;
    }
    return widened > (rect.Width() + k) * (rect.Height() + k);
}

double CCalHaichi::PartsAreaOf(const std::vector<CAL_BUZAI>& parts) const
{
    double area = 0.0;
    for (const CAL_BUZAI& e : parts) {
        const PartSize part = Size(0, e.Number);
        area += static_cast<double>(part.Width) * part.Height * e.Count;
    }
    return area;
}

void CCalHaichi::ShowMessage(const std::string& text)
{
    if (Sink) {
        Sink->Post(text);
    }
}

void CCalHaichi::Calculate()
{
    RunningReset runningReset{Running};

    SetProgress(0);
    std::int64_t total = 0;
    for (const CAL_BUZAI& e : CalData.Buzai[0]) {
        total += e.Count;
    }
    State = kStateRunning;

    BuzaiLists remaining = CalData.Buzai;
    GenbanLists boards = CalData.Genban;
    std::vector<CAL_BUZAI> deferred;
    Ret.Clear();
    Ret.BuzaiList = BuzaiList;
    Ret.YBuzaiList = YBuzaiList;
    Ret.GenbanList = GenbanList;
    std::int64_t placed = 0;

    // Pass 0 offers the most preferred boards only; what they cannot take waits for pass 1.
    static const std::vector<int> kPassLevels[2] = {{2}, {1, 0}};
    for (int pass = 0; pass < 2 && !StopRequest; ++pass) {
        while (!remaining[0].empty()) {
            const CAL_BUZAI first = remaining[0].front();

            std::optional<Candidate> best = ChooseBoard(kPassLevels[pass], remaining, boards);
            if (StopRequest) {
                break;
            }

            if (!best) {
                if (pass == 0) {
                    deferred.push_back(first);
                } else {
                    Ret.Unplaced.push_back(CAL_BUZAI{first.Number, first.Count, 0});
                }
                remaining[0].erase(remaining[0].begin());
                continue;
            }

            const std::int64_t k = RepeatCount(best->layout, remaining, boards[best->level].at(best->entry));
            if (k == 0) {
                ShowMessage("計算エラー発生");
                StopRequest = 1;
                break;
            }
            placed += ApplyLayout(*best, k, remaining, boards);
            SetProgress(total > 0 ? static_cast<int>(placed * 100 / total) : 100);
        }
        if (pass == 0 && !StopRequest) {
            remaining[0] = std::move(deferred);
            deferred.clear();
        }
    }

    if (!StopRequest) {
        State = Ret.Unplaced.empty() ? kStateAllPlaced : kStatePartsLeft;
        if (Improve == 1) {
            std::unique_ptr<CCalHaichi> aux = CreateInstance();
            ImproveWorstBoard(*aux, boards, remaining[1]);
            MergeBoardPairs(*aux, boards, remaining[1]);
            ImproveWorstBoard(*aux, boards, remaining[1]);
            SearchCutShort += aux->SearchCutShort;
            SubFillsCutShort += aux->SubFillsCutShort;
            MostSubFills = std::max(MostSubFills, aux->MostSubFills);
        }
    }
    // A stop during the improvement passes counts as a stop too.
    if (StopRequest) {
        State = kStateStopped;
    }

    LeftYBuzai = remaining[1];
    Ret.ComputeTotals();
}

std::optional<CCalHaichi::Candidate> CCalHaichi::ChooseBoard(const std::vector<int>& levels,
                                                             const BuzaiLists& remaining,
                                                             const GenbanLists& boards)
{
    const CBuzai& firstPart = Part(0, remaining[0].front().Number);
    std::optional<Candidate> best;
    for (int level : levels) {
        const std::vector<CAL_GENBAN>& entries = boards[level];
        for (std::size_t e = 0; e < entries.size(); ++e) {
            const CGenban& board = Board(entries[e].Number);
            const CalRect rect = TrimmedRect(board);
            if (!Fits(firstPart, rect)) {
                continue;
            }
            COutData layout;
            layout.BoardNo = entries[e].Number;
            BuzaiLists left;
            const double area = GenbanArea(board);
            const double rate = area > 0.0 ? board.Price / area : 0.0;
            int placed = 0;
            {
                const NeedScope<double> board(
                    m_boardNeed, best ? PartsAreaToBeat(*best, rate, area, NoRateFlg != 0) : kNoNeed);
                placed = LayoutBoardBest(entries[e].Count, remaining, left, layout, rect);
            }
            if (!placed) {
                break;  // nothing fits: the rest of this level is not tried
            }
            layout.Finish(board);
            if (!best || BeatsCandidate(layout, rate, *best, NoRateFlg != 0)) {
                best = Candidate{std::move(layout), rate, level, e};
            }
            if (StopRequest) {
                break;
            }
        }
        if (StopRequest || best) {
            break;
        }
    }
    return best;
}

std::int64_t CCalHaichi::RepeatCount(const COutData& layout, const BuzaiLists& remaining,
                                     const CAL_GENBAN& boardEntry)
{
    if (layout.Summary.empty()) {
        return 0;  // a board said to be laid out holds nothing
    }
    std::int64_t k = boardEntry.Count;
    for (const CAL_BUZAI& s : layout.Summary) {
        if (s.Flag != 0 && s.Flag != 1) {
            return 0;
        }
        const std::vector<CAL_BUZAI>& list = remaining[s.Flag];
        const auto it =
            std::find_if(list.begin(), list.end(), [&](const CAL_BUZAI& r) { return r.Number == s.Number; });
        if (it == list.end() || s.Count < 1) {
            return 0;
        }
        k = std::min<std::int64_t>(k, it->Count / s.Count);
    }
    return std::max<std::int64_t>(k, 0);
}

std::int64_t CCalHaichi::ApplyLayout(Candidate& best, std::int64_t k, BuzaiLists& remaining,
                                     GenbanLists& boards)
{
    std::int64_t placed = 0;
    for (const CAL_BUZAI& s : best.layout.Summary) {
        for (CAL_BUZAI& r : remaining[s.Flag]) {
            if (r.Number == s.Number) {
                r.Count -= static_cast<std::int32_t>(s.Count * k);
                break;
            }
        }
        if (s.Flag == 0) {
            placed += s.Count * k;
        }
    }
    for (auto& list : remaining) {
        DropUsedUp(list);
    }

    best.layout.Repeat = static_cast<std::int32_t>(k);
    Ret.Layouts.push_back(std::move(best.layout));
    std::vector<CAL_GENBAN>& entries = boards[best.level];
    CAL_GENBAN& boardEntry = entries.at(best.entry);
    boardEntry.Count -= static_cast<std::int32_t>(k);
    if (boardEntry.Count < 1) {
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(best.entry));
    }
    return placed;
}

int CCalHaichi::LayoutBoardBest(std::int32_t available, const BuzaiLists& remaining, BuzaiLists& left,
                                COutData& layout, const CalRect& rect)
{
    // Without attempts on fewer parts this layout is the board's: below what beats the best board
    // so far it is of no use either.
    const bool attempts =
        UseSmallPat != 0 && !remaining[0].empty() && std::min(remaining[0][0].Count, available) >= 2;
    int result = 0;
    {
        const NeedScope<LayoutNeed> first(m_need, LayoutNeed{attempts ? Need : std::max(Need, m_boardNeed)});
        result = LayoutBoard(remaining, left, layout, rect);
    }
    // Without a first layout every divisor would be skipped: nothing placed is never reduced below.
    if (StopRequest || UseSmallPat == 0 || result == 0 || remaining[0].empty()) {
        return result;
    }

    const std::vector<CAL_BUZAI>& parts = remaining[0];
    std::vector<std::int64_t> placedPieces(parts.size(), 0);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        for (const CHaichi& block : layout.Blocks) {
            if (block.List == 0 && block.Number == parts[i].Number) {
                placedPieces[i] += static_cast<std::int64_t>(block.Nx) * block.Ny;
            }
        }
    }

    const std::int32_t n = std::min(parts[0].Count, available);
    if (n < 2) {
        return result;
    }

    // A pattern laid from counts ÷ d can be cut on d boards: fewer distinct patterns.
    std::optional<BuzaiLists> previous;
    for (std::int32_t d = 2; d <= n && !StopRequest; ++d) {
        BuzaiLists reduced;
        for (int list = 0; list < 2; ++list) {
            for (const CAL_BUZAI& e : remaining[list]) {
                if (e.Count / d > 0) {
                    reduced[list].push_back(CAL_BUZAI{e.Number, e.Count / d, e.Flag});
                }
            }
        }
        const double reducedArea = PartsAreaOf(reduced[0]);

        bool changes = false;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (parts[i].Count / d < placedPieces[i]) {
                changes = true;
            }
        }
        if (!changes) {
            continue;
        }
        if (!DoubleGreater(reducedArea, layout.PartsArea)) {
            break;
        }
        if (previous && *previous == reduced) {
            continue;
        }
        previous = reduced;

        COutData trial;
        trial.BoardNo = layout.BoardNo;
        BuzaiLists trialLeft;
        // IsBetter takes the attempt only from the same parts area on: it need place no less; nor
        // less than the board needs to beat the best board so far (then it is of no use either way).
        int placed = 0;
        {
            const NeedScope<LayoutNeed> fewer(m_need, LayoutNeed{std::max(layout.PartsArea, m_boardNeed)});
            placed = LayoutBoard(reduced, trialLeft, trial, rect);
        }
        if (placed && IsBetter(layout, left, trial, trialLeft)) {
            layout = std::move(trial);
            left = std::move(trialLeft);
        }
    }
    return result;
}

int CCalHaichi::IsBetter(const COutData& a, const BuzaiLists& leftA, const COutData& b,
                         const BuzaiLists& leftB) const
{
    return IsBetterAfter(a, leftA, b, leftB, {0, 0});
}

int CCalHaichi::IsBetterAfter(const COutData& a, const BuzaiLists& leftA, const COutData& b,
                              const BuzaiLists& leftB, const std::array<std::size_t, 2>& same) const
{
    if (DoubleLess(a.PartsArea, b.PartsArea)) {
        return 1;
    }
    if (!DoubleEqual(a.PartsArea, b.PartsArea)) {
        return 0;
    }
    if (DoubleLess(a.TotalArea, b.TotalArea)) {
        return 1;
    }
    if (!DoubleEqual(a.TotalArea, b.TotalArea)) {
        return 0;
    }
    for (int list = 0; list < 2; ++list) {
        for (std::size_t i = std::min(same[list], leftA[list].size()); i < leftA[list].size(); ++i) {
            if (i >= leftB[list].size()) {
                return 0;
            }
            const CAL_BUZAI& ea = leftA[list][i];
            const CAL_BUZAI& eb = leftB[list][i];
            if (ea.Number > eb.Number) {
                return 1;
            }
            if (ea.Number == eb.Number && ea.Count < eb.Count) {
                return 1;
            }
            if (ea.Number != eb.Number || ea.Count != eb.Count) {
                return 0;
            }
        }
    }
    return 0;
}
