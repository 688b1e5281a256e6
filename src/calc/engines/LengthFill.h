#pragma once

// The one-dimensional fill of a length, shared by the strip fill (CCal2::FillLength) and the row
// fill (CCal4::FillRowLength): a greedy pass over the candidates in their order, then, with
// order 1, one exchange pass, with order 2 exchange passes while they gain.
//
// The candidates' pieces are counted per slot: a strip candidate has a slot of its own, the two
// orientations of a row part share one. The engine describes its items by a rule object:
//
//     struct Rules {
//         std::int32_t Kerf;
//         int Order;
//         bool Stopped() const;                                   // the stop request
//         std::size_t Slot(const Item& candidate, std::size_t index) const;
//         std::size_t ChosenSlot(const Item& chosen) const;
//         bool Allowed(const Item& candidate) const;              // may take part at all
//         Item Take(const Item& candidate, std::size_t index, std::int32_t pieces) const;
//         bool SameItem(const Item& a, const Item& b) const;     // a refill item joins a chosen one
//         // Whether a refill of `used` length replacing one piece of `removed` beats `best`;
//         // updates `best` when it does.
//         bool Gains(const Item& removed, const std::vector<Item>& refill, std::int32_t used,
//                    ExchangeGain& best) const;
//         // Whether a refill that cannot gain may be left out (nothing records what refills do).
//         bool SkipsHopelessRefills() const;
//         // What a piece of the candidate adds to the gain measure, and how wide it is.
//         double MeasureOf(const Item& candidate) const;
//         double WidthOf(const Item& candidate) const;
//         // No refill of `removed`'s length plus the choice's `remaining` length that reaches no
//         // further than `reach` beats `best`.
//         bool CannotGain(const Item& removed, const RefillReach& reach, std::int32_t remaining,
//                         const ExchangeGain& best) const;
//     };

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

// The best exchange of a pass so far: the length gained over the piece given back, or the area of
// the refill when the gain is measured by area.
struct ExchangeGain {
    std::int64_t Length = 0;
    double Area = 0.0;
};

// The most the refills under a length limit can take, from the pieces left: per slot the pieces
// times the most one adds to the gain measure, the same times the slot's longest piece, and the
// widest piece.
struct RefillReach {
    double Measure = 0.0;
    double Length = 0.0;
    double Widest = 0.0;
};

template <class Item>
std::int64_t TotalPieces(const std::vector<Item>& items)
{
    std::int64_t pieces = 0;
    for (const Item& item : items) {
        pieces += item.Pieces;
    }
    return pieces;
}

// The working lists of the fills, one frame per level of the exchange passes' refills. An engine
// keeps one so that its many fills reuse the storage.
template <class Item>
struct LengthFillScratch {
    struct Frame {
        std::vector<std::int32_t> Left;      // pieces per slot during the greedy pass
        std::vector<char> Seen;              // per slot, for ReachOf
        std::vector<std::int32_t> PassLeft;  // pieces per slot the choice leaves, in a pass
        std::vector<Item> Refill;
        std::vector<Item> BestRefill;
    };
    std::vector<std::unique_ptr<Frame>> Frames;  // by level; frames never move

    // What the exchange passes of the fills did since the engine last cleared it: whether the same
    // fills with another order would have come out the same (ExchangeTrace::SameUnder).
    struct ExchangeTrace {
        bool FirstApplied = false;  // a first pass applied an exchange: order 0 would differ
        bool WouldGoOn = false;     // ... after which order 2 would have tried another pass
        bool LaterApplied = false;  // a pass after the first applied one: order 1 would differ

        // Fills made with `order` come out the same with `other`.
        bool SameUnder(int order, int other) const
        {
            if (other == order) {
                return true;
            }
            if (order < 1) {
                return false;  // the passes order 0 leaves out were never tried
            }
            if (other < 1) {
                return !FirstApplied;
            }
            return order >= 2 ? !LaterApplied : !WouldGoOn;
        }
    } Trace;
    // Chosen items whose refills an exchange pass left out as unable to gain.
    std::int64_t LeftOut = 0;

    Frame& At(std::size_t level)
    {
        while (Frames.size() <= level) {
            Frames.push_back(std::make_unique<Frame>());
        }
        return *Frames[level];
    }
};

template <class Item, class Rules>
class LengthFill {
public:
    LengthFill(const Rules& rules, LengthFillScratch<Item>& scratch) : m_rules(rules), m_scratch(scratch) {}

    // Fills `length` from the candidates shorter than `limit` with the pieces `available` per slot.
    // `remaining` is the length left over (the last piece's kerf given back), `used` the sum of the
    // piece lengths.
    void Fill(std::int32_t length, const std::vector<Item>& candidates, std::int32_t limit,
              const std::vector<std::int32_t>& available, std::vector<Item>& chosen, std::int32_t& remaining,
              std::int32_t& used)
    {
        // Candidates by falling length (the row fill's) let the scans skip the longer ones at once.
        m_byLength = std::is_sorted(candidates.begin(), candidates.end(),
                                    [](const Item& a, const Item& b) { return a.Length > b.Length; });
        Fill(0, length, candidates, limit, available, chosen, remaining, used);
    }

private:
    void Fill(std::size_t level, std::int32_t length, const std::vector<Item>& candidates, std::int32_t limit,
              const std::vector<std::int32_t>& available, std::vector<Item>& chosen, std::int32_t& remaining,
              std::int32_t& used) const
    {
        chosen.clear();
        remaining = length;
        used = 0;
        if (m_rules.Stopped()) {
            return;
        }
        const std::int32_t k = m_rules.Kerf;
        std::vector<std::int32_t>& left = m_scratch.At(level).Left;
        left = available;
        for (std::size_t i = FirstAtMost(candidates, std::int64_t{limit} - 1);
             i < candidates.size() && remaining > 0;) {
            const Item& c = candidates[i];
            if (m_byLength && c.Length > remaining) {
                i = FirstAtMost(candidates, remaining, i);  // none of those between fits the rest
                continue;
            }
            std::int32_t& pieces = left.at(m_rules.Slot(c, i));
            if (Usable(c, limit) && pieces > 0 && c.Length <= remaining) {
                const std::int32_t n = std::min((remaining + k) / (c.Length + k), pieces);
                remaining -= (c.Length + k) * n;
                used += c.Length * n;
                pieces -= n;
                chosen.push_back(m_rules.Take(c, i, n));
                continue;  // the same candidate once more: it takes nothing when it is used up
            }
            ++i;
        }
        if (!chosen.empty()) {
            remaining += k;  // the last piece needs no cut after it
        }
        if (m_rules.Order < 1) {
            return;
        }
        auto& trace = m_scratch.Trace;
        for (bool first = true; !m_rules.Stopped() && remaining > 0 && TotalPieces(chosen) > 1;
             first = false) {
            if (!ExchangePass(level, candidates, limit, available, chosen, remaining, used)) {
                break;  // a pass that applies nothing changes nothing
            }
            (first ? trace.FirstApplied : trace.LaterApplied) = true;
            if (m_rules.Order < 2) {
                trace.WouldGoOn = trace.WouldGoOn || (remaining > 0 && TotalPieces(chosen) > 1);
                break;
            }
        }
    }

    bool Usable(const Item& c, std::int32_t limit) const { return m_rules.Allowed(c) && c.Length < limit; }

    // Where the candidates at most `length` long may begin, from `from` on: the first of them when
    // the candidates fall in length, else `from`. Those skipped are longer.
    std::size_t FirstAtMost(const std::vector<Item>& candidates, std::int64_t length,
                            std::size_t from = 0) const
    {
        if (!m_byLength) {
            return from;
        }
        const auto first =
            std::partition_point(candidates.begin() + static_cast<std::ptrdiff_t>(from), candidates.end(),
                                 [length](const Item& c) { return c.Length > length; });
        return static_cast<std::size_t>(first - candidates.begin());
    }

    // The reach of the refills under `limit` with the pieces `left`: a refill takes no more pieces
    // of a slot than are left.
    RefillReach ReachOf(const std::vector<Item>& candidates, std::int32_t limit,
                        const std::vector<std::int32_t>& left, std::vector<char>& seen) const
    {
        constexpr double kAll = std::numeric_limits<double>::infinity();
        if (!m_byLength) {
            return {kAll, kAll, kAll};  // a slot's longest is not known first
        }
        seen.assign(left.size(), 0);
        RefillReach reach;
        for (std::size_t i = FirstAtMost(candidates, std::int64_t{limit} - 1); i < candidates.size(); ++i) {
            const Item& c = candidates[i];
            const std::size_t slot = m_rules.Slot(c, i);
            if (!Usable(c, limit) || left.at(slot) < 1) {
                continue;
            }
            reach.Widest = std::max(reach.Widest, m_rules.WidthOf(c));
            if (!seen[slot]) {
                seen[slot] = 1;  // a slot's first candidate is its longest
                reach.Measure += m_rules.MeasureOf(c) * left[slot];
                reach.Length += static_cast<double>(c.Length) * left[slot];
            }
        }
        return reach;
    }

    // Gives one piece of a chosen item back and refills its length and the rest with shorter
    // pieces; applies the best such exchange. True when one was applied.
    bool ExchangePass(std::size_t level, const std::vector<Item>& candidates, std::int32_t limit,
                      const std::vector<std::int32_t>& available, std::vector<Item>& chosen,
                      std::int32_t& remaining, std::int32_t& used) const
    {
        // What the current choice leaves per slot; the choice changes only after the pass.
        typename LengthFillScratch<Item>::Frame& frame = m_scratch.At(level);
        std::vector<std::int32_t>& left = frame.PassLeft;
        left = available;
        for (const Item& item : chosen) {
            left.at(m_rules.ChosenSlot(item)) -= item.Pieces;
        }

        bool found = false;
        std::size_t bestItem = 0;
        std::vector<Item>& bestRefill = frame.BestRefill;
        std::vector<Item>& refill = frame.Refill;
        bestRefill.clear();
        std::int32_t bestRemaining = 0, bestUsed = 0;
        ExchangeGain best;

        const bool skipHopeless = m_rules.SkipsHopelessRefills();
        const std::size_t first = chosen.front().Pieces == 1 ? 1 : 0;
        for (std::size_t j = first; j < chosen.size() && !m_rules.Stopped(); ++j) {
            const Item& item = chosen[j];
            if (skipHopeless &&
                m_rules.CannotGain(item, ReachOf(candidates, std::min(limit, item.Length), left, frame.Seen),
                                   remaining, best)) {
                ++m_scratch.LeftOut;
                continue;  // every refill of it would be made and dropped
            }
            std::int32_t threshold = item.Length;
            for (;;) {
                // Only candidates shorter than the threshold, with what the choice left of them;
                // without a gain the next try takes only those shorter than the first of these.
                std::int32_t firstShorter = -1;
                for (std::size_t i = FirstAtMost(candidates, std::int64_t{threshold} - 1);
                     i < candidates.size(); ++i) {
                    const Item& c = candidates[i];
                    if (Usable(c, limit) && c.Length < threshold && left.at(m_rules.Slot(c, i)) > 0) {
                        firstShorter = c.Length;
                        break;
                    }
                }
                if (firstShorter < 0) {
                    break;
                }
                std::int32_t refillRemaining = 0, refillUsed = 0;
                Fill(level + 1, remaining + item.Length, candidates, std::min(limit, threshold), left, refill,
                     refillRemaining, refillUsed);
                if (m_rules.Gains(item, refill, refillUsed, best)) {
                    found = true;
                    bestItem = j;
                    std::swap(bestRefill, refill);
                    bestRemaining = refillRemaining;
                    bestUsed = refillUsed;
                    break;
                }
                if (m_rules.Stopped()) {
                    break;
                }
                threshold = firstShorter;
            }
        }
        if (!found) {
            return false;
        }

        used += bestUsed - chosen[bestItem].Length;
        remaining = bestRemaining;
        if (--chosen[bestItem].Pieces < 1) {
            chosen.erase(chosen.begin() + static_cast<std::ptrdiff_t>(bestItem));
        }
        for (const Item& r : bestRefill) {
            auto same = std::find_if(chosen.begin(), chosen.end(),
                                     [&](const Item& c) { return m_rules.SameItem(c, r); });
            if (same != chosen.end()) {
                same->Pieces += r.Pieces;
                continue;
            }
            auto shorter = std::find_if(chosen.begin(), chosen.end(),
                                        [&](const Item& c) { return c.Length < r.Length; });
            chosen.insert(shorter, r);
        }
        return true;
    }

    const Rules& m_rules;
    LengthFillScratch<Item>& m_scratch;
    bool m_byLength = false;
};
