#include "calc/engines/PartOrder.h"

#include "calc/CalHaichi.h"

#include <algorithm>

#include "base/CalcError.h"
#include "job/Buzai.h"

namespace {

struct PartKeys {
    std::int32_t longer = 0;
    double area = 0.0;  // a double: large sizes must not overflow
};

PartKeys KeysOf(const CBuzai& part)
{
    return PartKeys{std::max(part.Width, part.Height), static_cast<double>(part.Width) * part.Height};
}

// Whether the new entry n goes before the existing entry e.
bool GoesBefore(const PartKeys& n, const PartKeys& e, int areaFlag)
{
    if (areaFlag == 0) {
        return e.longer < n.longer || (e.longer == n.longer && e.area < n.area);
    }
    return e.area < n.area || (e.area == n.area && e.longer < n.longer);
}

}  // namespace

void SortIntoPartOrder(std::vector<CAL_BUZAI>& target, const std::vector<CAL_BUZAI>& source,
                       const CBuzaiList& parts, std::int32_t list, int areaFlag)
{
    // Inserting each entry before the first one it goes before is a stable sort by the same
    // comparison; a stable sort gives the same order in O(n log n).
    struct Keyed {
        PartKeys keys;
        CAL_BUZAI entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(source.size());
    for (const CAL_BUZAI& entry : source) {
        keyed.push_back(Keyed{KeysOf(CheckedAt(parts.Items, entry.Number, "part")),
                              CAL_BUZAI{entry.Number, entry.Count, list}});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [areaFlag](const Keyed& a, const Keyed& b) {
        return GoesBefore(a.keys, b.keys, areaFlag);
    });
    target.clear();
    target.reserve(keyed.size());
    for (const Keyed& k : keyed) {
        target.push_back(k.entry);
    }
}

void PrepareGroup(CCalHaichi& engine, const CCalData& data, int areaFlag)
{
    CCalData& own = engine.CalData;
    own.Clear();
    if (engine.NoUsenFlg) {
        for (const auto& boards : data.Genban) {  // one pool without priority
            own.Genban[0].insert(own.Genban[0].end(), boards.begin(), boards.end());
        }
    } else {
        own.Genban = data.Genban;
    }
    SortIntoPartOrder(own.Buzai[0], data.Buzai[0], *engine.BuzaiList, 0, areaFlag);
    if (!data.Buzai[1].empty()) {
        SortIntoPartOrder(own.Buzai[1], data.Buzai[1], *engine.YBuzaiList, 1, areaFlag);
    }
    engine.RefreshSizes();
    engine.State = 1;
}
