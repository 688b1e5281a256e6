#include "result/ResultJson.h"

#include <cstdio>
#include <initializer_list>
#include <utility>

#include <nlohmann/json.hpp>

#include "job/Buzai.h"
#include "result/EdgeTotals.h"
#include "result/LowerBound.h"
#include "result/RetData.h"

namespace {

std::string Number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string Number(long long value)
{
    return std::to_string(value);
}

// Appends `"key": value` with a separating comma when needed.
class Object {
public:
    explicit Object(std::string& out) : m_out(out) { m_out += '{'; }
    ~Object() { m_out += '}'; }
    template <class T>
    void Field(const char* key, T value)
    {
        Key(key);
        m_out += Number(value);
    }
    void Key(const char* key)
    {
        if (!m_first) {
            m_out += ", ";
        }
        m_first = false;
        m_out += '"';
        m_out += key;
        m_out += "\": ";
    }

private:
    std::string& m_out;
    bool m_first = true;
};

template <class T, class Write>
void Array(std::string& out, const std::vector<T>& items, Write write)
{
    out += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            out += ", ";
        }
        write(items[i]);
    }
    out += ']';
}

// An object of integer fields, in the order given.
void IntObject(std::string& out, std::initializer_list<std::pair<const char*, long long>> fields)
{
    Object o(out);
    for (const auto& [key, value] : fields) {
        o.Field(key, value);
    }
}

void PartEntries(std::string& out, const std::vector<CAL_BUZAI>& entries, const char* countKey)
{
    Array(out, entries, [&](const CAL_BUZAI& e) {
        IntObject(out, {{"part", e.Number}, {countKey, e.Count}, {"list", e.Flag}});
    });
}

}  // namespace

namespace {

// Bands used: code and name as JSON strings, metres and yen.
void BandList(std::string& out, const std::vector<EdgeUse>& uses)
{
    Array(out, uses, [&](const EdgeUse& use) {
        Object o(out);
        o.Key("code");
        out += nlohmann::json(use.Code).dump();
        o.Key("name");
        out += nlohmann::json(use.Name).dump();
        o.Field("metres", use.Metres);
        o.Field("cost", use.Cost);
    });
}

}  // namespace

namespace {

// boards, price, gap, optimal and unplaceable of the job or a group.
void BoundFields(std::string& out, Object& o, std::int64_t boards, std::int64_t price,
                 std::int64_t unplaceable, const BoundGap& gap)
{
    o.Field("boards", static_cast<long long>(boards));
    o.Field("price", static_cast<long long>(price));
    o.Key("gap");
    out += gap.Gap ? Number(*gap.Gap) : "null";
    o.Key("optimal");
    out += gap.Optimal() ? "true" : "false";
    o.Field("unplaceable", static_cast<long long>(unplaceable));
}

}  // namespace

std::string ResultToJson(const CRetData& ret, const ResultSawing* sawing, const EdgeTotals* bands,
                         const ResultBound* bound)
{
    if (bands != nullptr && bands->Layouts.size() != ret.Layouts.size()) {
        bands = nullptr;
    }
    if (sawing != nullptr && sawing->size() != ret.Layouts.size()) {
        sawing = nullptr;
    }
    std::string out;
    {
        Object root(out);
        root.Key("format");
        out += "\"nestrix-result\"";
        root.Field("version", 1LL);
        root.Field("max_board_width", (long long)ret.MaxWidth);
        root.Field("max_board_height", (long long)ret.MaxHeight);
        root.Field("parts_area", ret.PartsArea);
        root.Field("total_area", ret.TotalArea);
        root.Field("board_area", ret.BoardArea);
        root.Field("total_price", (long long)ret.TotalPrice);
        root.Field("parts_price", ret.PartsPrice);
        root.Field("total_pieces_price", ret.TotalPiecesPrice);
        if (sawing != nullptr) {
            const CutTotals totals = JobCutTotals(ret, *sawing);
            root.Field("cut_count", static_cast<long long>(totals.Cuts));
            root.Field("cut_length_mm", totals.LengthMm);
        }
        if (ret.StoppedEarly) {  // only then, so a full run's file is as it always was
            root.Key("stopped_early");
            out += "true";
            root.Key("groups");
            Array(out, ret.Groups, [&](const RET_GROUP& group) {
                Object o(out);
                o.Key("kind");
                out += nlohmann::json(group.Kind).dump();
                o.Field("thickness", static_cast<long long>(group.Thickness));
                o.Field("jobs_ended", static_cast<long long>(group.JobsEnded));
                o.Field("jobs_total", static_cast<long long>(group.JobsTotal));
                o.Key("stopped_early");
                out += group.StoppedEarly ? "true" : "false";
                o.Key("waited_past_limit");
                out += group.Waited ? "true" : "false";
            });
        }
        if (bands != nullptr) {
            root.Key("bands");
            BandList(out, bands->Job);
            root.Field("bands_cost", bands->Cost());
        }
        if (bound != nullptr && bound->Made) {
            root.Key("bound");
            Object b(out);
            BoundFields(out, b, bound->Boards(), bound->Price(), bound->Unplaceable(), JobGap(ret));
            b.Key("groups");
            Array(out, bound->Groups, [&](const GroupBound& group) {
                Object o(out);
                o.Key("kind");
                out += nlohmann::json(group.Kind).dump();
                o.Field("thickness", static_cast<long long>(group.Thickness));
                BoundFields(out, o, group.Boards, group.Price, group.Unplaceable, GroupGap(ret, group));
            });
        }
        root.Key("layouts");
        std::size_t n = 0;
        Array(out, ret.Layouts, [&](const COutData& layout) {
            out += "\n  ";
            Object o(out);
            o.Field("board", (long long)layout.BoardNo);
            o.Field("repeat", (long long)layout.Repeat);
            o.Field("parts_area", layout.PartsArea);
            o.Field("total_area", layout.TotalArea);
            o.Field("parts_yield", layout.PartsYield);
            o.Field("total_yield", layout.TotalYield);
            o.Key("blocks");
            Array(out, layout.Blocks, [&](const CHaichi& b) {
                // The piece as laid: the part's size, turned when the block is rotated.
                const CBuzaiList* list = b.List == 0 ? ret.BuzaiList : ret.YBuzaiList;
                long long width = 0;
                long long length = 0;
                if (list != nullptr && b.Number >= 0 &&
                    static_cast<std::size_t>(b.Number) < list->Items.size()) {
                    const CBuzai& part = list->Items[b.Number];
                    width = b.Rotated ? part.Height : part.Width;
                    length = b.Rotated ? part.Width : part.Height;
                }
                IntObject(out, {{"part", b.Number},
                                {"list", b.List},
                                {"x", b.X},
                                {"y", b.Y},
                                {"nx", b.Nx},
                                {"ny", b.Ny},
                                {"rotated", b.Rotated},
                                {"width", width},
                                {"length", length}});
            });
            o.Key("cuts");
            Array(out, layout.CutLines, [&](const CUTMARK& c) {
                IntObject(out, {{"x0", c.X0}, {"y0", c.Y0}, {"x1", c.X1}, {"y1", c.Y1}});
            });
            o.Key("summary");
            PartEntries(out, layout.Summary, "pieces");
            if (sawing != nullptr) {
                const LayoutSawing& sawn = (*sawing)[n];
                o.Field("cut_count", static_cast<long long>(sawn.CutCount));
                o.Field("cut_length_mm", sawn.CutLengthMm);
                o.Key("offcuts");
                Array(out, sawn.Offcuts, [&](const CalRect& r) {
                    IntObject(out, {{"x", r.X0}, {"y", r.Y0}, {"width", r.Width()}, {"length", r.Height()}});
                });
            }
            if (bands != nullptr) {
                o.Key("bands");
                BandList(out, bands->Layouts[n]);
            }
            ++n;
        });
        root.Key("unplaced");
        PartEntries(out, ret.Unplaced, "count");
        root.Key("used_boards");
        Array(out, ret.UsedBoards, [&](const RET_GENBAN& u) {
            IntObject(out, {{"board", u.Number}, {"sheets", u.Sheets}});
        });
        root.Key("placed_secondary");
        PartEntries(out, ret.PlacedSecondary, "count");
    }
    out += '\n';
    return out;
}
