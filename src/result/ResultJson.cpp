#include "result/ResultJson.h"

#include <cstdio>

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

void PartEntries(std::string& out, const std::vector<CAL_BUZAI>& entries, const char* countKey)
{
    Array(out, entries, [&](const CAL_BUZAI& e) {
        Object o(out);
        o.Field("part", (long long)e.Number);
        o.Field(countKey, (long long)e.Count);
        o.Field("list", (long long)e.Flag);
    });
}

}  // namespace

std::string ResultToJson(const CRetData& ret)
{
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
        root.Key("layouts");
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
                Object block(out);
                block.Field("part", (long long)b.Number);
                block.Field("list", (long long)b.List);
                block.Field("x", (long long)b.X);
                block.Field("y", (long long)b.Y);
                block.Field("nx", (long long)b.Nx);
                block.Field("ny", (long long)b.Ny);
                block.Field("rotated", (long long)b.Rotated);
            });
            o.Key("cuts");
            Array(out, layout.CutLines, [&](const CUTMARK& c) {
                Object cut(out);
                cut.Field("x0", (long long)c.X0);
                cut.Field("y0", (long long)c.Y0);
                cut.Field("x1", (long long)c.X1);
                cut.Field("y1", (long long)c.Y1);
            });
            o.Key("summary");
            Array(out, layout.Summary, [&](const CAL_BUZAI& e) {
                Object s(out);
                s.Field("part", (long long)e.Number);
                s.Field("pieces", (long long)e.Count);
                s.Field("list", (long long)e.Flag);
            });
        });
        root.Key("unplaced");
        PartEntries(out, ret.Unplaced, "count");
        root.Key("used_boards");
        Array(out, ret.UsedBoards, [&](const RET_GENBAN& u) {
            Object o(out);
            o.Field("board", (long long)u.Number);
            o.Field("sheets", (long long)u.Sheets);
        });
        root.Key("placed_secondary");
        PartEntries(out, ret.PlacedSecondary, "count");
    }
    out += '\n';
    return out;
}
