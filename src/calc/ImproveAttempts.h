#pragma once

// What the improvement passes' attempts came to, kept by their auxiliary engine over its runs.
// An attempt lays a group out on one board; its outcome depends only on the group and the board
// (the auxiliary engine's settings stay), and the same attempt comes again: a pair that did not
// fit is tried from both sides, and the next pass tries the pairs the one before tried.
//
//     if (const auto* known = attempts.Find(group)) ... else attempts.Put(group, outcome);

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "calc/CalData.h"
#include "result/RetData.h"

class ImproveAttempts {
public:
    struct Outcome {
        int State = 0;
        CRetData Ret;
        std::vector<CAL_BUZAI> LeftYBuzai;
        // What the run added to the engine's counts of searches a budget ended, and its most
        // sub-fills: a known outcome adds them again.
        std::int64_t SearchCutShort = 0;
        std::int64_t SubFillsCutShort = 0;
        std::int64_t MostSubFills = 0;
    };

    static constexpr std::size_t kMostKept = 2048;

    // Keeps at most `mostKept` outcomes (0: none).
    explicit ImproveAttempts(std::size_t mostKept = kMostKept) : m_mostKept(mostKept) {}

    // The outcome of the same group (its boards and both lists compared in full), or null.
    const Outcome* Find(const CCalData& group)
    {
        const auto it = m_known.find(KeyOf(group));
        if (it == m_known.end()) {
            return nullptr;
        }
        ++m_hits;
        return &it->second;
    }
    void Put(const CCalData& group, Outcome outcome)
    {
        if (m_known.size() >= m_mostKept) {
            m_known.clear();  // forgets; what is asked again is laid out again
        }
        if (m_mostKept > 0) {
            m_known.insert_or_assign(KeyOf(group), std::move(outcome));
        }
    }
    std::size_t Size() const { return m_known.size(); }
    std::int64_t Hits() const { return m_hits; }  // outcomes found

private:
    static std::vector<std::int32_t> KeyOf(const CCalData& group)
    {
        std::vector<std::int32_t> key;
        for (const auto& level : group.Genban) {
            key.push_back(static_cast<std::int32_t>(level.size()));
            for (const CAL_GENBAN& board : level) {
                key.insert(key.end(), {board.Number, board.Count, board.Priority});
            }
        }
        for (const auto& list : group.Buzai) {
            key.push_back(static_cast<std::int32_t>(list.size()));
            for (const CAL_BUZAI& entry : list) {
                key.insert(key.end(), {entry.Number, entry.Count, entry.Flag});
            }
        }
        return key;
    }

    std::size_t m_mostKept;
    std::map<std::vector<std::int32_t>, Outcome> m_known;
    std::int64_t m_hits = 0;
};
