#include "result/ResultJson.h"

#include <cstdio>
#include <initializer_list>
#include <utility>
#include <vector>

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

// What the result is written into: the text of the result file, or the value a job file holds.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void BeginObject() = 0;
    virtual void BeginArray() = 0;
    virtual void End() = 0;  // of the innermost object or array
    virtual void Key(const char* key) = 0;
    virtual void Integer(long long value) = 0;
    virtual void Double(double value) = 0;
    virtual void Bool(bool value) = 0;
    virtual void Null() = 0;
    virtual void String(const std::string& value) = 0;
    virtual void Break() {}  // the next array item on a line of its own
};

// `{"key": value, ...}` and `[a, b]` on one line, doubles as "%.17g".
class TextSink final : public Sink {
public:
    explicit TextSink(std::string& out) : m_out(out) {}
    void BeginObject() override { Open('{', '}', false); }
    void BeginArray() override { Open('[', ']', true); }
    void End() override
    {
        m_out += m_open.back().Close;
        m_open.pop_back();
    }
    void Key(const char* key) override
    {
        Container& c = m_open.back();
        if (!c.First) {
            m_out += ", ";
        }
        c.First = false;
        m_out += '"';
        m_out += key;
        m_out += "\": ";
    }
    void Integer(long long value) override { Put(std::to_string(value)); }
    void Double(double value) override { Put(Number(value)); }
    void Bool(bool value) override { Put(value ? "true" : "false"); }
    void Null() override { Put("null"); }
    void String(const std::string& value) override { Put(nlohmann::json(value).dump()); }
    void Break() override
    {
        Separate();
        m_out += "\n  ";
        m_separated = true;
    }

private:
    struct Container {
        char Close;
        bool InArray;
        bool First = true;
    };
    // The comma before an array item; an object's comes with its key.
    void Separate()
    {
        if (m_separated) {
            m_separated = false;
            return;
        }
        if (!m_open.empty() && m_open.back().InArray) {
            if (!m_open.back().First) {
                m_out += ", ";
            }
            m_open.back().First = false;
        }
    }
    void Put(const std::string& text)
    {
        Separate();
        m_out += text;
    }
    void Open(char open, char close, bool inArray)
    {
        Separate();
        m_out += open;
        m_open.push_back({close, inArray});
    }
    std::string& m_out;
    std::vector<Container> m_open;
    bool m_separated = false;
};

// The value the text reads back as: a double whose "%.17g" is a whole number without an
// exponent becomes an integer, as the JSON reader makes it.
nlohmann::ordered_json NumberValue(double value)
{
    const std::string text = Number(value);
    if (text.find_first_not_of("-0123456789") == std::string::npos) {
        return text[0] == '-' ? nlohmann::ordered_json(std::stoll(text))
                              : nlohmann::ordered_json(std::stoull(text));
    }
    return value;
}

class ValueSink final : public Sink {
public:
    nlohmann::ordered_json Root;
    void BeginObject() override { Open(nlohmann::ordered_json::object()); }
    void BeginArray() override { Open(nlohmann::ordered_json::array()); }
    void End() override { m_open.pop_back(); }
    void Key(const char* key) override { m_key = key; }
    void Integer(long long value) override { Put(value); }
    void Double(double value) override { Put(NumberValue(value)); }
    void Bool(bool value) override { Put(value); }
    void Null() override { Put(nullptr); }
    void String(const std::string& value) override { Put(value); }

private:
    // Only the open containers are pointed at; what is added to one never moves its ancestors.
    nlohmann::ordered_json& Put(nlohmann::ordered_json value)
    {
        if (m_open.empty()) {
            Root = std::move(value);
            return Root;
        }
        nlohmann::ordered_json& parent = *m_open.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return parent.back();
        }
        return parent[m_key] = std::move(value);
    }
    void Open(nlohmann::ordered_json value) { m_open.push_back(&Put(std::move(value))); }
    std::vector<nlohmann::ordered_json*> m_open;
    std::string m_key;
};

// An object for its scope.
class Object {
public:
    explicit Object(Sink& sink) : m_sink(sink) { m_sink.BeginObject(); }
    ~Object() { m_sink.End(); }
    void Field(const char* key, double value)
    {
        m_sink.Key(key);
        m_sink.Double(value);
    }
    void Field(const char* key, long long value)
    {
        m_sink.Key(key);
        m_sink.Integer(value);
    }
    void Key(const char* key) { m_sink.Key(key); }

private:
    Sink& m_sink;
};

template <class T, class Write>
void Array(Sink& sink, const std::vector<T>& items, Write write)
{
    sink.BeginArray();
    for (const T& item : items) {
        write(item);
    }
    sink.End();
}

// An object of integer fields, in the order given.
void IntObject(Sink& sink, std::initializer_list<std::pair<const char*, long long>> fields)
{
    Object o(sink);
    for (const auto& [key, value] : fields) {
        o.Field(key, value);
    }
}

void PartEntries(Sink& sink, const std::vector<CAL_BUZAI>& entries, const char* countKey)
{
    Array(sink, entries, [&](const CAL_BUZAI& e) {
        IntObject(sink, {{"part", e.Number}, {countKey, e.Count}, {"list", e.Flag}});
    });
}

// Bands used: code and name, metres and yen.
void BandList(Sink& sink, const std::vector<EdgeUse>& uses)
{
    Array(sink, uses, [&](const EdgeUse& use) {
        Object o(sink);
        o.Key("code");
        sink.String(use.Code);
        o.Key("name");
        sink.String(use.Name);
        o.Field("metres", use.Metres);
        o.Field("cost", use.Cost);
    });
}

// boards, price, gap, optimal and unplaceable of the job or a group.
void BoundFields(Sink& sink, Object& o, std::int64_t boards, std::int64_t price, std::int64_t unplaceable,
                 const BoundGap& gap)
{
    o.Field("boards", static_cast<long long>(boards));
    o.Field("price", static_cast<long long>(price));
    o.Key("gap");
    if (gap.Gap) {
        sink.Double(*gap.Gap);
    } else {
        sink.Null();
    }
    o.Key("optimal");
    sink.Bool(gap.Optimal());
    o.Field("unplaceable", static_cast<long long>(unplaceable));
}

void WriteLayout(Sink& sink, const CRetData& ret, const COutData& layout, const LayoutSawing* sawn,
                 const std::vector<EdgeUse>* bands)
{
    Object o(sink);
    o.Field("board", static_cast<long long>(layout.BoardNo));
    o.Field("repeat", static_cast<long long>(layout.Repeat));
    o.Field("parts_area", layout.PartsArea);
    o.Field("total_area", layout.TotalArea);
    o.Field("parts_yield", layout.PartsYield);
    o.Field("total_yield", layout.TotalYield);
    o.Key("blocks");
    Array(sink, layout.Blocks, [&](const CHaichi& b) {
        // The piece as laid: the part's size, turned when the block is rotated.
        const CBuzaiList* list = b.List == 0 ? ret.BuzaiList : ret.YBuzaiList;
        long long width = 0;
        long long length = 0;
        if (list != nullptr && b.Number >= 0 && static_cast<std::size_t>(b.Number) < list->Items.size()) {
            const CBuzai& part = list->Items[b.Number];
            width = b.Rotated ? part.Height : part.Width;
            length = b.Rotated ? part.Width : part.Height;
        }
        IntObject(sink, {{"part", b.Number},
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
    Array(sink, layout.CutLines, [&](const CUTMARK& c) {
        IntObject(sink, {{"x0", c.X0}, {"y0", c.Y0}, {"x1", c.X1}, {"y1", c.Y1}});
    });
    o.Key("summary");
    PartEntries(sink, layout.Summary, "pieces");
    if (sawn != nullptr) {
        o.Field("cut_count", static_cast<long long>(sawn->CutCount));
        o.Field("cut_length_mm", sawn->CutLengthMm);
        o.Key("offcuts");
        Array(sink, sawn->Offcuts, [&](const CalRect& r) {
            IntObject(sink, {{"x", r.X0}, {"y", r.Y0}, {"width", r.Width()}, {"length", r.Height()}});
        });
    }
    if (bands != nullptr) {
        o.Key("bands");
        BandList(sink, *bands);
    }
}

void WriteResult(Sink& sink, const CRetData& ret, const ResultSawing* sawing, const EdgeTotals* bands,
                 const ResultBound* bound)
{
    if (bands != nullptr && bands->Layouts.size() != ret.Layouts.size()) {
        bands = nullptr;
    }
    if (sawing != nullptr && sawing->size() != ret.Layouts.size()) {
        sawing = nullptr;
    }
    Object root(sink);
    root.Key("format");
    sink.String("nestrix-result");
    root.Field("version", 1LL);
    root.Field("max_board_width", static_cast<long long>(ret.MaxWidth));
    root.Field("max_board_height", static_cast<long long>(ret.MaxHeight));
    root.Field("parts_area", ret.PartsArea);
    root.Field("total_area", ret.TotalArea);
    root.Field("board_area", ret.BoardArea);
    root.Field("total_price", static_cast<long long>(ret.TotalPrice));
    root.Field("parts_price", ret.PartsPrice);
    root.Field("total_pieces_price", ret.TotalPiecesPrice);
    if (sawing != nullptr) {
        const CutTotals totals = JobCutTotals(ret, *sawing);
        root.Field("cut_count", static_cast<long long>(totals.Cuts));
        root.Field("cut_length_mm", totals.LengthMm);
    }
    if (ret.StoppedEarly) {  // only then, so a full run's file is as it always was
        root.Key("stopped_early");
        sink.Bool(true);
        root.Key("groups");
        Array(sink, ret.Groups, [&](const RET_GROUP& group) {
            Object o(sink);
            o.Key("kind");
            sink.String(group.Kind);
            o.Field("thickness", static_cast<long long>(group.Thickness));
            o.Field("jobs_ended", static_cast<long long>(group.JobsEnded));
            o.Field("jobs_total", static_cast<long long>(group.JobsTotal));
            o.Key("stopped_early");
            sink.Bool(group.StoppedEarly);
            o.Key("waited_past_limit");
            sink.Bool(group.Waited);
        });
    }
    if (bands != nullptr) {
        root.Key("bands");
        BandList(sink, bands->Job);
        root.Field("bands_cost", bands->Cost());
    }
    if (bound != nullptr && bound->Made) {
        root.Key("bound");
        Object b(sink);
        BoundFields(sink, b, bound->Boards(), bound->Price(), bound->Unplaceable(), JobGap(ret));
        b.Key("groups");
        Array(sink, bound->Groups, [&](const GroupBound& group) {
            Object o(sink);
            o.Key("kind");
            sink.String(group.Kind);
            o.Field("thickness", static_cast<long long>(group.Thickness));
            BoundFields(sink, o, group.Boards, group.Price, group.Unplaceable, GroupGap(ret, group));
        });
    }
    root.Key("layouts");
    sink.BeginArray();
    for (std::size_t n = 0; n < ret.Layouts.size(); ++n) {
        sink.Break();
        WriteLayout(sink, ret, ret.Layouts[n], sawing != nullptr ? &(*sawing)[n] : nullptr,
                    bands != nullptr ? &bands->Layouts[n] : nullptr);
    }
    sink.End();
    root.Key("unplaced");
    PartEntries(sink, ret.Unplaced, "count");
    root.Key("used_boards");
    Array(sink, ret.UsedBoards, [&](const RET_GENBAN& u) {
        IntObject(sink, {{"board", u.Number}, {"sheets", u.Sheets}});
    });
    root.Key("placed_secondary");
    PartEntries(sink, ret.PlacedSecondary, "count");
}

}  // namespace

std::string ResultToJson(const CRetData& ret, const ResultSawing* sawing, const EdgeTotals* bands,
                         const ResultBound* bound)
{
    std::string out;
    TextSink sink(out);
    WriteResult(sink, ret, sawing, bands, bound);
    out += '\n';
    return out;
}

nlohmann::ordered_json ResultJsonValue(const CRetData& ret, const ResultSawing* sawing)
{
    ValueSink sink;
    WriteResult(sink, ret, sawing, nullptr, nullptr);
    return std::move(sink.Root);
}
