#include "calc/JobGenerator.h"

#include <algorithm>
#include <random>
#include <sstream>

namespace {

struct Material {
    std::string kind;
    std::int32_t thickness;
};

}  // namespace

TestJob GenerateJob(std::uint32_t seed)
{
    Dice dice(seed);
    TestJob job;
    const std::vector<Material> materials = {{"", 100}, {"A", 100}, {"A", 120}, {"ＭＤＦ", 180}};

    // One to three materials; parts and boards draw from them, a board now and then from another.
    std::vector<Material> used;
    const int materialCount = dice.Between(1, 3);
    for (int i = 0; i < materialCount; ++i) {
        used.push_back(dice.Pick(materials));
    }

    const int kerfKind = dice.Between(0, 3);
    job.Kerf(kerfKind == 0 ? 0 : kerfKind == 1 ? 30 : kerfKind == 2 ? 25 : dice.Between(1, 60));
    job.Set.MaxCutSize = dice.Chance(70) ? 999999 : dice.Between(3000, 15000);
    job.Set.NoRateFlg = dice.Chance(50);
    job.Set.NoUsenFlg = dice.Chance(30);
    job.Set.UseSmallPat = dice.Chance(50);
    job.Set.Use2ko1 = dice.Chance(50);

    const int boardCount = dice.Between(1, 4);
    for (int i = 0; i < boardCount; ++i) {
        const Material& m = dice.Chance(90) ? dice.Pick(used) : dice.Pick(materials);
        std::int32_t width = 0, height = 0;
        switch (dice.Between(0, 3)) {
            case 0: width = 18000, height = 9000; break;
            case 1: width = 9000, height = 18000; break;
            case 2: width = 24000, height = 12000; break;
            default: width = dice.Between(3000, 20000), height = dice.Between(3000, 15000);
        }
        const std::int32_t count = dice.Chance(50) ? 9999 : dice.Between(1, 4);
        job.Board(width, height, count, dice.Between(0, 2), dice.Between(0, 20) * 1000, m.kind, m.thickness);
        if (dice.Chance(50)) {
            job.Trim(dice.Between(0, 300), dice.Between(0, 300), dice.Between(0, 300), dice.Between(0, 300));
        }
        if (dice.Chance(8)) {
            job.Genban.Items.back().Use = 0;
        }
    }

    // Now and then many small parts: deep recursion, many blocks per board.
    const bool small = dice.Chance(25);
    const int partCount = small ? dice.Between(4, 8) : dice.Between(1, 6);
    for (int i = 0; i < partCount; ++i) {
        const Material& m = dice.Pick(used);
        const std::int32_t big = small ? 2500 : dice.Chance(10) ? 20000 : 9000;
        job.Parts(dice.Between(300, big), dice.Between(300, small ? 2500 : 6000),
                  dice.Between(1, small ? 40 : 25), dice.Chance(25) ? 1 : 0, m.kind, m.thickness);
    }

    if (dice.Chance(30)) {
        const int secondaryCount = dice.Between(1, 3);
        for (int i = 0; i < secondaryCount; ++i) {
            const Material& m = dice.Pick(used);
            job.Secondary(dice.Between(200, 3000), dice.Between(200, 3000), dice.Between(1, 15),
                          dice.Chance(25) ? 1 : 0, m.kind, m.thickness);
        }
    }
    return job;
}

TestJob FewerParts(TestJob job)
{
    if (job.Buzai.Items.size() > 3) {
        job.Buzai.Items.resize(3);
    }
    for (CBuzai& part : job.Buzai.Items) {
        part.Count = std::min(part.Count, 5);
    }
    if (job.YBuzai.Items.size() > 2) {
        job.YBuzai.Items.resize(2);
    }
    for (CBuzai& part : job.YBuzai.Items) {
        part.Count = std::min(part.Count, 4);
    }
    return job;
}

std::string DescribeJob(const TestJob& job)
{
    std::ostringstream out;
    out << "kerf " << job.Set.NokoHaba << ", limit " << job.Set.MaxCutSize << ", NoRate " << job.Set.NoRateFlg
        << ", NoUsen " << job.Set.NoUsenFlg << ", Use2ko1 " << job.Set.Use2ko1 << ", SmallPat "
        << job.Set.UseSmallPat << ", YBuzai " << job.Set.UseYBuzai << "; boards";
    for (const CGenban& b : job.Genban.Items) {
        out << " [" << b.Width << "x" << b.Height << " '" << b.Kind << "'/" << b.Thickness << " n" << b.Count
            << " p" << b.Priority << " y" << b.Price << " trim " << b.TrimTop << "," << b.TrimBottom << ","
            << b.TrimLeft << "," << b.TrimRight << (b.Use ? "" : " unused") << "]";
    }
    out << "; parts";
    for (const CBuzai& p : job.Buzai.Items) {
        out << " [" << p.Width << "x" << p.Height << " '" << p.Kind << "'/" << p.Thickness << " n" << p.Count
            << (p.NoTurn ? " noturn" : "") << "]";
    }
    if (!job.YBuzai.Items.empty()) {
        out << "; secondary";
        for (const CBuzai& p : job.YBuzai.Items) {
            out << " [" << p.Width << "x" << p.Height << " '" << p.Kind << "'/" << p.Thickness << " n"
                << p.Count << (p.NoTurn ? " noturn" : "") << "]";
        }
    }
    return out.str();
}

JobRun RunEveryGroup(const TestJob& job, const std::function<std::unique_ptr<CCalHaichi>()>& makeEngine)
{
    JobRun run;
    const std::vector<CCalData> groups = job.Groups(run.Ret);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        std::unique_ptr<CCalHaichi> engine = makeEngine();
        job.Prepare(*engine, g);
        engine->Running = 1;
        engine->Calculate();
        run.Ret.Append(engine->Ret);
        run.LeftYBuzai.insert(run.LeftYBuzai.end(), engine->LeftYBuzai.begin(), engine->LeftYBuzai.end());
        run.States.push_back(engine->State);
        run.SubFillsCutShort += engine->SubFillsCutShort;
        run.MostSubFills = std::max(run.MostSubFills, engine->MostSubFills);
    }
    return run;
}
