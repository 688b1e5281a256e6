#include "result/CutPlan.h"

#include <algorithm>
#include <tuple>

#include "base/CalcError.h"
#include "job/Buzai.h"
#include "job/Genban.h"

CalRect TrimmedBoard(const CGenban& board)
{
    return {board.TrimLeft, board.TrimTop, board.Width - board.TrimRight, board.Height - board.TrimBottom};
}

std::optional<CUTMARK> ClipCutLine(const CUTMARK& line, const CalRect& trimmed)
{
    if (line.X0 == line.X1) {
        const std::int32_t lo = std::max(std::min(line.Y0, line.Y1), trimmed.Y0);
        const std::int32_t hi = std::min(std::max(line.Y0, line.Y1), trimmed.Y1);
        if (line.X0 <= trimmed.X0 || line.X0 >= trimmed.X1 || lo >= hi) {
            return std::nullopt;
        }
        return CUTMARK{line.X0, lo, line.X0, hi};
    }
    if (line.Y0 == line.Y1) {
        const std::int32_t lo = std::max(std::min(line.X0, line.X1), trimmed.X0);
        const std::int32_t hi = std::min(std::max(line.X0, line.X1), trimmed.X1);
        if (line.Y0 <= trimmed.Y0 || line.Y0 >= trimmed.Y1 || lo >= hi) {
            return std::nullopt;
        }
        return CUTMARK{lo, line.Y0, hi, line.Y0};
    }
    return std::nullopt;  // not straight: no saw cut
}

std::vector<CutPiece> LayoutPieces(const COutData& layout, const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                                   std::int32_t kerf)
{
    std::vector<CutPiece> pieces;
    for (const CHaichi& block : layout.Blocks) {
        if (block.List != 0 && block.List != 1) {
            throw CalcError("block of list " + std::to_string(block.List));
        }
        const CBuzai& part = block.List == 0 ? CheckedAt(buzai.Items, block.Number, "part")
                                             : CheckedAt(ybuzai.Items, block.Number, "secondary part");
        const std::int32_t sx = block.Rotated ? part.Height : part.Width;
        const std::int32_t sy = block.Rotated ? part.Width : part.Height;
        for (std::int32_t j = 0; j < block.Ny; ++j) {
            for (std::int32_t i = 0; i < block.Nx; ++i) {
                const std::int32_t x = block.X + i * (sx + kerf);
                const std::int32_t y = block.Y + j * (sy + kerf);
                pieces.push_back({x, y, x + sx, y + sy, block.Number, block.List, block.Rotated});
            }
        }
    }
    return pieces;
}

namespace {

std::int32_t Lo(const CutPiece& p, int axis)
{
    return axis == 0 ? p.X0 : p.Y0;
}
std::int32_t Hi(const CutPiece& p, int axis)
{
    return axis == 0 ? p.X1 : p.Y1;
}
std::int32_t Lo(const CalRect& r, int axis)
{
    return axis == 0 ? r.X0 : r.Y0;
}
std::int32_t Hi(const CalRect& r, int axis)
{
    return axis == 0 ? r.X1 : r.Y1;
}
CalRect WithSpan(CalRect r, int axis, std::int32_t lo, std::int32_t hi)
{
    (axis == 0 ? r.X0 : r.Y0) = lo;
    (axis == 0 ? r.X1 : r.Y1) = hi;
    return r;
}
bool SameRect(const CutPiece& p, const CalRect& r)
{
    return p.X0 == r.X0 && p.Y0 == r.Y0 && p.X1 == r.X1 && p.Y1 == r.Y1;
}
std::string RectText(const CalRect& r)
{
    return "(" + std::to_string(r.X0) + "," + std::to_string(r.Y0) + ")-(" + std::to_string(r.X1) + "," +
           std::to_string(r.Y1) + ")";
}

// Pieces whose extents along the axis leave room for a cut between them.
struct Cluster {
    std::int32_t Lo = 0;
    std::int32_t Hi = 0;
    std::vector<std::size_t> Members;
};

// One cut tree, its first stage along a given axis. Below the first stage the axis alternates:
// a rectangle that the cuts along one axis left holds no further room for a cut along it.
class PlanBuilder {
public:
    PlanBuilder(const std::vector<CutPiece>& pieces, std::int32_t kerf) : m_pieces(pieces), m_kerf(kerf) {}

    CutPlan Plan;
    std::string Error;
    int Stages = 0;

    std::vector<Cluster> Clusters(std::vector<std::size_t> members, int axis) const
    {
        std::sort(members.begin(), members.end(), [&](std::size_t a, std::size_t b) {
            return std::make_tuple(Lo(m_pieces[a], axis), Hi(m_pieces[a], axis), a) <
                   std::make_tuple(Lo(m_pieces[b], axis), Hi(m_pieces[b], axis), b);
        });
        std::vector<Cluster> clusters;
        for (const std::size_t m : members) {
            const CutPiece& p = m_pieces[m];
            if (clusters.empty() || !RoomForCut(clusters.back().Hi, Lo(p, axis))) {
                if (clusters.empty()) {
                    clusters.push_back({Lo(p, axis), Hi(p, axis), {}});
                }
                clusters.back().Hi = std::max(clusters.back().Hi, Hi(p, axis));
            } else {
                clusters.push_back({Lo(p, axis), Hi(p, axis), {}});
            }
            clusters.back().Members.push_back(m);
        }
        return clusters;
    }

    static bool HasCut(const std::vector<Cluster>& clusters, const CalRect& r, int axis)
    {
        return clusters.size() > 1 || clusters.front().Lo > Lo(r, axis) || clusters.front().Hi < Hi(r, axis);
    }

    // Cuts the rectangle along `axis` at every room between its pieces and at the edges of
    // its outer pieces, and each part that holds pieces along the other axis, depth first.
    void Split(const CalRect& r, const std::vector<Cluster>& clusters, int stage, int axis)
    {
        Stages = std::max(Stages, stage);
        std::int32_t pos = Lo(r, axis);
        for (const Cluster& c : clusters) {
            if (c.Lo > pos) {
                // Waste before the piece: the saw's far edge on the piece's edge.
                const std::int32_t start = std::max(pos, c.Lo - m_kerf);
                AddCut(stage, axis, start, c.Lo - start, r);
            }
            std::int32_t next = c.Hi;
            if (c.Hi < Hi(r, axis)) {
                const std::int32_t width = std::min(m_kerf, Hi(r, axis) - c.Hi);
                AddCut(stage, axis, c.Hi, width, r);
                next = c.Hi + width;
            }
            Node(WithSpan(r, axis, c.Lo, c.Hi), c.Members, stage + 1, 1 - axis);
            if (!Error.empty()) {
                return;
            }
            pos = next;
        }
    }

    void Node(const CalRect& r, const std::vector<std::size_t>& members, int stage, int axis)
    {
        if (members.empty()) {
            return;  // waste
        }
        if (members.size() == 1 && SameRect(m_pieces[members.front()], r)) {
            Plan.Pieces.push_back(m_pieces[members.front()]);
            return;
        }
        const std::vector<Cluster> clusters = Clusters(members, axis);
        if (!HasCut(clusters, r, axis)) {
            Error = "no straight cut separates the " + std::to_string(members.size()) + " pieces in " +
                    RectText(r);
            return;
        }
        Split(r, clusters, stage, axis);
    }

private:
    bool RoomForCut(std::int32_t end, std::int32_t start) const
    {
        return m_kerf == 0 ? start >= end : start - end >= m_kerf;
    }

    void AddCut(int stage, int axis, std::int32_t position, std::int32_t width, const CalRect& r)
    {
        Plan.Cuts.push_back({stage, axis, position, width, Lo(r, 1 - axis), Hi(r, 1 - axis)});
    }

    const std::vector<CutPiece>& m_pieces;
    std::int32_t m_kerf;
};

// The axis of the first recorded line that crosses the whole trimmed board; -1 for none.
int RecordedFirstAxis(const std::vector<CUTMARK>& recorded, const CalRect& trimmed)
{
    for (const CUTMARK& line : recorded) {
        const std::optional<CUTMARK> cut = ClipCutLine(line, trimmed);
        if (!cut) {
            continue;
        }
        if (cut->X0 == cut->X1 && cut->Y0 == trimmed.Y0 && cut->Y1 == trimmed.Y1) {
            return 0;
        }
        if (cut->Y0 == cut->Y1 && cut->X0 == trimmed.X0 && cut->X1 == trimmed.X1) {
            return 1;
        }
    }
    return -1;
}

}  // namespace

std::string BuildCutPlan(const std::vector<CutPiece>& pieces, const CalRect& trimmed, std::int32_t kerf,
                         const std::vector<CUTMARK>& recorded, CutPlan& plan)
{
    plan = CutPlan{};
    if (kerf < 0) {
        return "negative kerf";
    }
    std::vector<std::size_t> all;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const CutPiece& p = pieces[i];
        if (p.X0 >= p.X1 || p.Y0 >= p.Y1 || p.X0 < trimmed.X0 || p.Y0 < trimmed.Y0 || p.X1 > trimmed.X1 ||
            p.Y1 > trimmed.Y1) {
            return "piece " + RectText({p.X0, p.Y0, p.X1, p.Y1}) + " is not inside the trimmed board " +
                   RectText(trimmed);
        }
        all.push_back(i);
    }
    if (all.empty()) {
        return "";
    }
    if (all.size() == 1 && SameRect(pieces.front(), trimmed)) {
        plan.Pieces = pieces;
        return "";
    }

    // The first stage decides the rest; build both ways and keep the better.
    const int preferred = RecordedFirstAxis(recorded, trimmed);
    std::optional<PlanBuilder> best;
    std::string firstError;
    for (const int axis : {0, 1}) {
        PlanBuilder builder(pieces, kerf);
        const std::vector<Cluster> clusters = builder.Clusters(all, axis);
        if (!PlanBuilder::HasCut(clusters, trimmed, axis)) {
            continue;
        }
        builder.Split(trimmed, clusters, 1, axis);
        if (!builder.Error.empty()) {
            if (firstError.empty()) {
                firstError = builder.Error;
            }
            continue;
        }
        // Axis 1 comes second: it replaces axis 0 when the engine cut that way first, or when
        // the engine says nothing and it needs fewer stages, then fewer cuts.
        const bool better = !best || preferred == 1 ||
                            (preferred == -1 && std::make_pair(builder.Stages, builder.Plan.Cuts.size()) <
                                                    std::make_pair(best->Stages, best->Plan.Cuts.size()));
        if (better) {
            best.emplace(std::move(builder));
        }
    }
    if (!best) {
        return firstError.empty() ? "no straight cut divides the trimmed board " + RectText(trimmed)
                                  : firstError;
    }
    plan = std::move(best->Plan);
    return "";
}

std::int64_t CutLengthTenths(const CutPlan& plan)
{
    std::int64_t tenths = 0;
    for (const SawCut& cut : plan.Cuts) {
        tenths += cut.To - cut.From;
    }
    return tenths;
}
