#include "result/CutPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "base/CalcError.h"
#include "calc/CalcRun.h"
#include "calc/JobGenerator.h"
#include "calc/engines/Engines.h"
#include "job/Genban.h"
#include "result/Offcuts.h"

namespace {

bool Crosses(const CutPiece& p, const SawCut& cut)
{
    const std::int32_t lo = cut.Axis == 0 ? p.X0 : p.Y0, hi = cut.Axis == 0 ? p.X1 : p.Y1;
    const std::int32_t across0 = cut.Axis == 0 ? p.Y0 : p.X0, across1 = cut.Axis == 0 ? p.Y1 : p.X1;
    if (across0 >= cut.To || across1 <= cut.From) {
        return false;
    }
    return cut.Width > 0 ? lo < cut.Position + cut.Width && hi > cut.Position
                         : lo < cut.Position && hi > cut.Position;
}

bool Overlaps(const CutPiece& p, const CalRect& r)
{
    return p.X0 < r.X1 && p.X1 > r.X0 && p.Y0 < r.Y1 && p.Y1 > r.Y0;
}

// Saws the trimmed board by the plan, cut after cut, independently of how the plan was built.
// "" when every cut runs straight through one rectangle there is at that moment, takes the
// kerf (less only along a rectangle's edge), crosses no piece and carries the stage it
// belongs to, and the rectangles left are exactly the pieces, or waste.
std::string Replay(const CutPlan& plan, const std::vector<CutPiece>& pieces, const CalRect& trimmed,
                   std::int32_t kerf, std::vector<CalRect>* waste = nullptr)
{
    struct Part {
        CalRect R;
        int Stage;  // of the cut that made it; 0 for the board
        int Axis;   // -1 for the board
    };
    std::vector<Part> parts{{trimmed, 0, -1}};
    for (std::size_t i = 0; i < plan.Cuts.size(); ++i) {
        const SawCut& cut = plan.Cuts[i];
        const std::string name = "cut " + std::to_string(i + 1) + ": ";
        std::vector<std::size_t> through;
        for (std::size_t k = 0; k < parts.size(); ++k) {
            const CalRect& r = parts[k].R;
            const std::int32_t lo = cut.Axis == 0 ? r.X0 : r.Y0, hi = cut.Axis == 0 ? r.X1 : r.Y1;
            const std::int32_t from = cut.Axis == 0 ? r.Y0 : r.X0, to = cut.Axis == 0 ? r.Y1 : r.X1;
            const bool inside = cut.Width > 0 ? lo <= cut.Position && cut.Position + cut.Width <= hi &&
                                                    (lo < cut.Position || cut.Position + cut.Width < hi)
                                              : lo < cut.Position && cut.Position < hi;
            if (from == cut.From && to == cut.To && inside) {
                through.push_back(k);
            }
        }
        if (through.size() != 1) {
            return name + "runs straight through " + std::to_string(through.size()) + " rectangles";
        }
        const Part part = parts[through.front()];
        const CalRect& r = part.R;
        const std::int32_t lo = cut.Axis == 0 ? r.X0 : r.Y0, hi = cut.Axis == 0 ? r.X1 : r.Y1;
        if (cut.Width > kerf || cut.Width < 0 ||
            (cut.Width < kerf && cut.Position != lo && cut.Position + cut.Width != hi)) {
            return name + "takes " + std::to_string(cut.Width) + " with a kerf of " + std::to_string(kerf);
        }
        const int stage = part.Axis == -1 ? 1 : part.Axis == cut.Axis ? part.Stage : part.Stage + 1;
        if (cut.Stage != stage) {
            return name + "stage " + std::to_string(cut.Stage) + " where " + std::to_string(stage) +
                   " is due";
        }
        for (const CutPiece& p : pieces) {
            if (Crosses(p, cut)) {
                return name + "runs through the piece at " + std::to_string(p.X0) + "," +
                       std::to_string(p.Y0);
            }
        }
        parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(through.front()));
        CalRect low = r, high = r;
        (cut.Axis == 0 ? low.X1 : low.Y1) = cut.Position;
        (cut.Axis == 0 ? high.X0 : high.Y0) = cut.Position + cut.Width;
        for (const CalRect& side : {low, high}) {
            if (side.X0 < side.X1 && side.Y0 < side.Y1) {
                parts.push_back({side, cut.Stage, cut.Axis});
            }
        }
    }
    std::vector<int> found(pieces.size(), 0);
    for (const Part& part : parts) {
        std::vector<std::size_t> inside;
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            if (Overlaps(pieces[k], part.R)) {
                inside.push_back(k);
            }
        }
        if (inside.empty()) {
            if (waste) {
                waste->push_back(part.R);
            }
            continue;
        }
        const CutPiece& p = pieces[inside.front()];
        if (inside.size() > 1 || p.X0 != part.R.X0 || p.Y0 != part.R.Y0 || p.X1 != part.R.X1 ||
            p.Y1 != part.R.Y1) {
            return "the rectangle at " + std::to_string(part.R.X0) + "," + std::to_string(part.R.Y0) +
                   " is not one piece cut to size";
        }
        ++found[inside.front()];
    }
    if (std::count(found.begin(), found.end(), 1) != static_cast<long>(pieces.size())) {
        return "not every piece comes free";
    }
    std::vector<CutPiece> freed = plan.Pieces, placed = pieces;
    const auto byPlace = [](const CutPiece& a, const CutPiece& b) {
        return std::tie(a.X0, a.Y0, a.X1, a.Y1) < std::tie(b.X0, b.Y0, b.X1, b.Y1);
    };
    std::sort(freed.begin(), freed.end(), byPlace);
    std::sort(placed.begin(), placed.end(), byPlace);
    return freed == placed ? "" : "the plan's pieces are not the placed pieces";
}

CutPiece Piece(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
{
    return {x0, y0, x1, y1, 0, 0, 0};
}

}  // namespace

TEST(CutPlan, CutsHandLaidLayouts)
{
    struct Case {
        const char* name;
        CalRect board;
        std::int32_t kerf;
        std::vector<CutPiece> pieces;
        std::vector<CUTMARK> recorded;
        std::vector<SawCut> cuts;  // {stage, axis, position, width, from, to}
    };
    const CalRect board{0, 0, 1000, 500};
    // A 2 x 2 grid with kerf 5.
    const std::vector<CutPiece> grid = {Piece(0, 0, 495, 245), Piece(500, 0, 1000, 245),
                                        Piece(0, 250, 495, 500), Piece(500, 250, 1000, 500)};
    const Case cases[] = {
        {"a piece that is the whole board needs no cut", board, 5, {Piece(0, 0, 1000, 500)}, {}, {}},
        {"waste right and below: one cut each way",
         board,
         5,
         {Piece(0, 0, 600, 300)},
         {},
         {{1, 0, 600, 5, 0, 500}, {2, 1, 300, 5, 0, 600}}},
        {"a sliver thinner than the kerf at the edge",
         board,
         5,
         {Piece(0, 0, 998, 500)},
         {},
         {{1, 0, 998, 2, 0, 500}}},
        {"waste before the piece, thinner than the kerf",
         {10, 20, 1000, 500},
         5,
         {Piece(12, 20, 1000, 500)},
         {},
         {{1, 0, 10, 2, 20, 500}}},
        {"two strips one kerf apart",
         board,
         5,
         {Piece(0, 0, 1000, 200), Piece(0, 205, 1000, 500)},
         {},
         {{1, 1, 200, 5, 0, 1000}}},
        {"a wide gap: a cut at each piece, the waste between falls off",
         board,
         5,
         {Piece(0, 0, 300, 500), Piece(700, 0, 1000, 500)},
         {},
         {{1, 0, 300, 5, 0, 500}, {1, 0, 695, 5, 0, 500}}},
        {"a gap under two kerfs: the second cut trims the sliver",
         board,
         5,
         {Piece(0, 0, 300, 500), Piece(307, 0, 1000, 500)},
         {},
         {{1, 0, 300, 5, 0, 500}, {1, 0, 305, 2, 0, 500}}},
        {"kerf 0: touching pieces part on a cut without width",
         board,
         0,
         {Piece(0, 0, 400, 500), Piece(400, 0, 1000, 500)},
         {},
         {{1, 0, 400, 0, 0, 500}}},
        {"a grid is cut along x first when nothing says otherwise",
         board,
         5,
         grid,
         {},
         {{1, 0, 495, 5, 0, 500}, {2, 1, 245, 5, 0, 495}, {2, 1, 245, 5, 500, 1000}}},
        {"a recorded line across the board sets the first stage",
         board,
         5,
         grid,
         {{0, 247, 1000, 247}},
         {{1, 1, 245, 5, 0, 1000}, {2, 0, 495, 5, 0, 245}, {2, 0, 495, 5, 250, 500}}},
        {"a recorded line on the board's edge is no cut",
         board,
         5,
         grid,
         {{0, 500, 1000, 500}},
         {{1, 0, 495, 5, 0, 500}, {2, 1, 245, 5, 0, 495}, {2, 1, 245, 5, 500, 1000}}},
        {"fewer stages win over fewer cuts",
         board,
         5,
         {Piece(0, 0, 600, 200), Piece(0, 205, 300, 500), Piece(305, 205, 600, 500)},
         {},
         {{1, 1, 200, 5, 0, 1000},
          {2, 0, 600, 5, 0, 200},
          {2, 0, 300, 5, 205, 500},
          {2, 0, 600, 5, 205, 500}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CutPlan plan;
        ASSERT_EQ(BuildCutPlan(c.pieces, c.board, c.kerf, c.recorded, plan), "");
        EXPECT_EQ(plan.Cuts, c.cuts);
        EXPECT_EQ(Replay(plan, c.pieces, c.board, c.kerf), "");
    }
}

TEST(CutPlan, RefusesLayoutsThatCannotBeCut)
{
    struct Case {
        const char* name;
        std::int32_t kerf;
        std::vector<CutPiece> pieces;
    };
    const Case cases[] = {
        {"a pinwheel has no straight cut",
         0,
         {Piece(0, 0, 200, 100), Piece(200, 0, 300, 200), Piece(100, 200, 300, 300), Piece(0, 100, 100, 300),
          Piece(100, 100, 200, 200)}},
        {"overlapping pieces", 5, {Piece(0, 0, 600, 300), Piece(500, 0, 1000, 300)}},
        {"pieces closer than the kerf", 5, {Piece(0, 0, 500, 300), Piece(503, 0, 1000, 300)}},
        {"a piece beyond the trimmed board", 5, {Piece(0, 0, 1001, 300)}},
        {"an empty piece", 5, {Piece(100, 0, 100, 300)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CutPlan plan;
        plan.Cuts.push_back({});
        EXPECT_NE(BuildCutPlan(c.pieces, {0, 0, 1000, 500}, c.kerf, {}, plan), "");
        EXPECT_TRUE(plan.Cuts.empty() && plan.Pieces.empty());
    }
}

// The replay is the judge of the generated layouts below: it must see each kind of wrong plan.
TEST(CutPlan, ReplayFindsWrongPlans)
{
    const std::vector<CutPiece> pieces = {Piece(0, 0, 1000, 200), Piece(0, 205, 1000, 500)};
    const CalRect board{0, 0, 1000, 500};
    struct Case {
        const char* name;
        std::vector<SawCut> cuts;
    };
    const Case cases[] = {
        {"a missing cut", {}},
        {"a cut through a piece", {{1, 1, 198, 5, 0, 1000}, {2, 1, 150, 5, 0, 1000}}},
        {"a cut that does not run through", {{1, 1, 200, 5, 0, 900}}},
        {"a cut narrower than the kerf inside", {{1, 1, 201, 3, 0, 1000}}},
        {"a wrong stage", {{2, 1, 200, 5, 0, 1000}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NE(Replay({c.cuts, pieces}, pieces, board, 5), "");
    }
    EXPECT_EQ(Replay({{{1, 1, 200, 5, 0, 1000}}, pieces}, pieces, board, 5), "");
}

TEST(CutPlan, ClipsRecordedLinesToTheTrimmedBoard)
{
    const CalRect trimmed{10, 20, 990, 480};
    struct Case {
        CUTMARK line;
        std::optional<CUTMARK> cut;
    };
    const Case cases[] = {
        {{500, 20, 500, 480}, CUTMARK{500, 20, 500, 480}},
        {{500, 480, 500, 20}, CUTMARK{500, 20, 500, 480}},  // drawn the other way
        {{500, 0, 500, 600}, CUTMARK{500, 20, 500, 480}},   // beyond both ends
        {{990, 20, 990, 480}, std::nullopt},                // on the right edge
        {{10, 20, 10, 480}, std::nullopt},                  // on the left edge
        {{992, 20, 992, 480}, std::nullopt},                // half a kerf beyond
        {{0, 300, 1000, 300}, CUTMARK{10, 300, 990, 300}},
        {{0, 480, 1000, 480}, std::nullopt},
        {{500, 480, 500, 600}, std::nullopt},  // only touches the board
        {{0, 0, 100, 100}, std::nullopt},      // not straight
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.line.X0) + "," + std::to_string(c.line.Y0) + "-" +
                     std::to_string(c.line.X1) + "," + std::to_string(c.line.Y1));
        EXPECT_EQ(ClipCutLine(c.line, trimmed), c.cut);
    }
}

TEST(CutPlan, LayoutPiecesFollowTheKerfRule)
{
    CBuzaiList buzai, ybuzai;
    buzai.Items.resize(2);
    buzai.Items[1].Width = 300;
    buzai.Items[1].Height = 100;
    ybuzai.Items.resize(1);
    ybuzai.Items[0].Width = 50;
    ybuzai.Items[0].Height = 40;
    COutData layout;
    layout.Blocks = {{1, 0, 10, 20, 2, 2, 1}, {0, 1, 500, 0, 1, 1, 0}};
    const std::vector<CutPiece> expected = {{10, 20, 110, 320, 1, 0, 1},
                                            {117, 20, 217, 320, 1, 0, 1},
                                            {10, 327, 110, 627, 1, 0, 1},
                                            {117, 327, 217, 627, 1, 0, 1},
                                            {500, 0, 550, 40, 0, 1, 0}};
    EXPECT_EQ(LayoutPieces(layout, buzai, ybuzai, 7), expected);
    layout.Blocks.push_back({1, 1, 0, 0, 1, 1, 0});  // no secondary part 1
    EXPECT_THROW(LayoutPieces(layout, buzai, ybuzai, 7), std::out_of_range);
}

// Every layout of every engine, with kerf 0 and an odd kerf, comes apart into exactly its
// pieces when its cuts are replayed in order.
TEST(CutPlan, EveryEngineLayoutComesApartByItsCuts)
{
    const std::vector<EngineVariant> variants = JobVariants(Settings{});
    std::size_t layouts = 0, cuts = 0, offcutCount = 0;
    for (const std::int32_t kerf : {0, 33}) {
        for (const int kind : {1, 2, 3, 4}) {
            std::vector<EngineVariant> ofKind;
            std::copy_if(variants.begin(), variants.end(), std::back_inserter(ofKind),
                         [&](const EngineVariant& v) { return v.Kind == kind; });
            for (std::uint32_t seed = 1; seed <= 120; ++seed) {
                TestJob job = GenerateJob(seed);
                if (kind == 3) {
                    job = FewerParts(job);
                }
                job.Kerf(kerf);
                const EngineVariant variant = ofKind[seed % ofKind.size()];
                const JobRun run = RunEveryGroup(job, [&] { return MakeEngine(variant); });
                for (std::size_t n = 0; n < run.Ret.Layouts.size(); ++n) {
                    const COutData& layout = run.Ret.Layouts[n];
                    const CalRect trimmed = TrimmedBoard(job.Genban.Items.at(layout.BoardNo));
                    const std::vector<CutPiece> pieces = LayoutPieces(layout, job.Buzai, job.YBuzai, kerf);
                    CutPlan plan;
                    const std::string error = BuildCutPlan(pieces, trimmed, kerf, layout.CutLines, plan);
                    std::vector<CalRect> waste;
                    const std::string replay = error.empty() ? Replay(plan, pieces, trimmed, kerf, &waste) : "";
                    if (!error.empty() || !replay.empty()) {
                        ADD_FAILURE()
                            << "engine " << kind << " order " << variant.Order << " level " << variant.Level
                            << " kerf " << kerf << " seed " << seed << " layout " << n << ": "
                            << (error.empty() ? "replay: " + replay : "cannot be cut: " + error) << "\n"
                            << DescribeJob(job);
                        return;
                    }
                    ++layouts;
                    cuts += plan.Cuts.size();
                    // Offcuts are waste rectangles of the plan itself, large enough, clear of every
                    // piece by the kerf.
                    const OffcutSize least{kerf == 0 ? 100 : 173, 150};
                    for (const CalRect& offcut : LayoutOffcuts(plan, trimmed, least)) {
                        ++offcutCount;
                        EXPECT_NE(std::find(waste.begin(), waste.end(), offcut), waste.end());
                        EXPECT_TRUE((offcut.Width() >= least.Width && offcut.Height() >= least.Length) ||
                                    (offcut.Width() >= least.Length && offcut.Height() >= least.Width));
                        for (const CutPiece& p : pieces) {
                            EXPECT_FALSE(Overlaps(CutPiece{p.X0 - kerf + (kerf > 0), p.Y0 - kerf + (kerf > 0),
                                                           p.X1 + kerf - (kerf > 0), p.Y1 + kerf - (kerf > 0), 0, 0, 0},
                                                  offcut));
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(layouts, 300u);
    EXPECT_GT(cuts, layouts);
    EXPECT_GT(offcutCount, layouts / 10);
}

TEST(Offcuts, AreTheEmptyRectanglesOfThePlanLargeEnough)
{
    // A 100 x 50 mm board, kerf 1 mm: a 30 x 50 piece at the left leaves 69 x 50 mm, a second
    // piece 30 x 20 at its top leaves 39 x 50 and 30 x 29.
    const CalRect board{0, 0, 1000, 500};
    struct Case {
        const char* Name;
        std::vector<CutPiece> Pieces;
        OffcutSize Least;
        std::vector<CalRect> Offcuts;
    };
    const Case cases[] = {
        {"one piece", {Piece(0, 0, 300, 500)}, {300, 300}, {{310, 0, 1000, 500}}},
        {"too short", {Piece(0, 0, 300, 500)}, {800, 300}, {}},
        {"either way round", {Piece(0, 0, 300, 500)}, {400, 690}, {{310, 0, 1000, 500}}},
        {"none kept", {Piece(0, 0, 300, 500)}, {0, 300}, {}},
        {"two pieces", {Piece(0, 0, 300, 500), Piece(310, 0, 610, 200)}, {250, 250},
         {{620, 0, 1000, 500}, {310, 210, 610, 500}}},
        {"the small one left out", {Piece(0, 0, 300, 500), Piece(310, 0, 610, 200)}, {300, 300},
         {{620, 0, 1000, 500}}},
        {"a full board", {Piece(0, 0, 1000, 500)}, {1, 1}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        CutPlan plan;
        ASSERT_EQ(BuildCutPlan(c.Pieces, board, 10, {}, plan), "");
        std::vector<CalRect> offcuts = LayoutOffcuts(plan, board, c.Least);
        std::vector<CalRect> expected = c.Offcuts;
        const auto order = [](const CalRect& a, const CalRect& b) {
            return std::tie(a.X0, a.Y0, a.X1, a.Y1) < std::tie(b.X0, b.Y0, b.X1, b.Y1);
        };
        std::sort(offcuts.begin(), offcuts.end(), order);
        std::sort(expected.begin(), expected.end(), order);
        EXPECT_EQ(offcuts, expected);
    }
}

// A 100 x 50 mm board and two parts, 30 x 50 and 30 x 20 mm.
struct TwoPartJob {
    CBuzaiList Parts;
    CBuzaiList Secondary;
    CGenbanList Boards;
    TwoPartJob()
    {
        Parts.Items.resize(2);
        Parts.Items[0].Width = 300;
        Parts.Items[0].Height = 500;
        Parts.Items[1].Width = 300;
        Parts.Items[1].Height = 200;
        Boards.Items.resize(1);
        Boards.Items[0].Width = 1000;
        Boards.Items[0].Height = 500;
    }
};

// The cuts of the job count every sheet: a pattern cut on three boards saws three times over.
TEST(CutTotals, CountEverySheetOfARepeatedPattern)
{
    // A 100 x 50 mm board, kerf 1 mm. Pattern 0, a 30 x 50 piece: one cut 50 mm long. Pattern 1
    // beside it a 30 x 20 piece: two more cuts, 50 and 30 mm.
    const TwoPartJob job;
    const CBuzaiList& parts = job.Parts;
    const CBuzaiList& secondary = job.Secondary;
    const CGenbanList& boards = job.Boards;
    struct Case {
        std::int32_t repeats[2];
        std::int64_t cuts;
        double lengthMm;
        const char* text;
    };
    const Case cases[] = {
        {{1, 1}, 4, 180.0, "切断 4 回  0.2 m"},
        {{3, 1}, 6, 280.0, "切断 6 回  0.3 m"},
        {{1, 4}, 13, 570.0, "切断 13 回  0.6 m"},
        {{10, 20}, 70, 3100.0, "切断 70 回  3.1 m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.repeats[0]) + " and " + std::to_string(c.repeats[1]) + " sheets");
        CRetData ret;
        ret.Layouts.resize(2);
        ret.Layouts[0].Blocks = {{0, 0, 0, 0, 1, 1, 0}};
        ret.Layouts[1].Blocks = {{0, 0, 0, 0, 1, 1, 0}, {1, 0, 310, 0, 1, 1, 0}};
        for (std::size_t i = 0; i < 2; ++i) {
            ret.Layouts[i].Repeat = c.repeats[i];
        }
        const ResultSawing sawing = SawResult({ret, parts, secondary, boards}, 10, {0, 0});
        ASSERT_EQ(sawing.size(), 2u);
        ASSERT_TRUE(sawing[0].Planned && sawing[1].Planned);
        const CutTotals totals = JobCutTotals(ret, sawing);
        EXPECT_EQ(totals.Cuts, c.cuts);
        EXPECT_DOUBLE_EQ(totals.LengthMm, c.lengthMm);
        EXPECT_EQ(CutTotalsText(totals), c.text);
    }
}

// Kerf 1 mm: a 30 x 50 piece, then a second pattern with a 30 x 20 piece beside it. The kept
// plan is read only while the result is the one it was made for.
TEST(KeptSawing, IsReadOnlyForTheLayoutsKerfAndOffcutItWasMadeFor)
{
    const TwoPartJob job;
    const CBuzaiList& parts = job.Parts;
    const CBuzaiList& secondary = job.Secondary;
    const CGenbanList& boards = job.Boards;
    const auto planned = [&] {
        CRetData ret;
        ret.Layouts.resize(2);
        ret.Layouts[0].Repeat = 1;
        ret.Layouts[0].Blocks = {{0, 0, 0, 0, 1, 1, 0}};
        ret.Layouts[1].Repeat = 1;
        ret.Layouts[1].Blocks = {{0, 0, 0, 0, 1, 1, 0}, {1, 0, 310, 0, 1, 1, 0}};
        PlanSawing(ret, parts, secondary, boards, 10, {3000, 3000});
        return ret;
    };
    struct Case {
        const char* change;
        std::function<void(CRetData&)> apply;
        std::int32_t kerf;
        OffcutSize least;
        bool fits;
    };
    const Case cases[] = {
        {"none", [](CRetData&) {}, 10, {3000, 3000}, true},
        {"another repeat count", [](CRetData& r) { r.Layouts[1].Repeat = 5; }, 10, {3000, 3000}, true},
        {"a block moved", [](CRetData& r) { r.Layouts[1].Blocks[1].X = 320; }, 10, {3000, 3000}, false},
        {"the layouts swapped",
         [](CRetData& r) { std::swap(r.Layouts[0], r.Layouts[1]); },
         10,
         {3000, 3000},
         false},
        {"a layout added", [](CRetData& r) { r.Layouts.push_back(r.Layouts[0]); }, 10, {3000, 3000}, false},
        {"a layout taken away", [](CRetData& r) { r.Layouts.pop_back(); }, 10, {3000, 3000}, false},
        {"cleared", [](CRetData& r) { r.Clear(); }, 10, {3000, 3000}, true},
        {"never planned", [](CRetData& r) { r.Sawing = {}; }, 10, {3000, 3000}, false},
        {"read with another kerf", [](CRetData&) {}, 5, {3000, 3000}, false},
        {"read with another offcut", [](CRetData&) {}, 10, {3000, 2000}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        CRetData ret = planned();
        c.apply(ret);
        EXPECT_EQ(SawingFits(ret, c.kerf, c.least), c.fits);
        if (!c.fits) {
            EXPECT_THROW(SawingOf(ret, c.kerf, c.least), CalcError);
            continue;
        }
        // What every output reads is what planning the result afresh gives.
        const ResultSawing& kept = SawingOf(ret, c.kerf, c.least);
        const ResultSawing fresh = SawResult({ret, parts, secondary, boards}, c.kerf, c.least);
        ASSERT_EQ(kept.size(), fresh.size());
        for (std::size_t i = 0; i < kept.size(); ++i) {
            EXPECT_EQ(kept[i].Cuts, fresh[i].Cuts);
            EXPECT_EQ(kept[i].Pieces, fresh[i].Pieces);
            EXPECT_EQ(kept[i].CutCount, fresh[i].CutCount);
        }
        EXPECT_EQ(JobCutTotals(ret, kept).Cuts, JobCutTotals(ret, fresh).Cuts);
    }
}
