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
    target.clear();
    std::vector<PartKeys> keys;  // keys of target, position by position
    for (const CAL_BUZAI& entry : source) {
        const PartKeys n = KeysOf(CheckedAt(parts.Items, entry.Number, "part"));
        std::size_t pos = 0;
        while (pos < target.size() && !GoesBefore(n, keys[pos], areaFlag)) {
            ++pos;
        }
        target.insert(target.begin() + static_cast<std::ptrdiff_t>(pos),
                      CAL_BUZAI{entry.Number, entry.Count, list});
        keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(pos), n);
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
    engine.State = 1;
}
