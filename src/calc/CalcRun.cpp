#include "calc/CalcRun.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

#include "base/Format.h"
#include "calc/CalHaichi.h"
#include "calc/GroupBounds.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "platform/Prompt.h"
#include "result/JobLists.h"
#include "result/Money.h"
#include "result/Offcuts.h"
#include "result/PlanChoice.h"
#include "result/ResultOrder.h"
#include "result/RetData.h"

struct CalcRun::Job {
    std::unique_ptr<CCalHaichi> Engine;
    EngineVariant Variant;
    std::int32_t Group = 0;
    bool First = false;  // its group's first job: never stopped by TakeCurrent
    bool Ended = false;  // joined
    bool StopSent = false;  // the run asked it to stop
    std::thread Thread;
    std::exception_ptr Error;  // written by the worker; read only after joining it
};

std::vector<EngineVariant> JobVariants(const Settings& settings)
{
    std::vector<EngineVariant> variants;
    // The search runs longest: its jobs start first.
    if (settings.UseSearch) {
        for (int j = 0; j < kSearchJobs; ++j) {
            variants.push_back({kSearchEngine, j, settings.CutLV, 0, settings.SearchEffort});
        }
    }
    const int areaLast = settings.UseMenCal ? 1 : 0;
    for (int t = 0; t <= std::min(settings.CutLV, 2); ++t) {
        for (int u = 0; u <= areaLast; ++u) {
            for (int a = 2; a >= 0; --a) {
                variants.push_back({kStripEngine, a, t, u, 0});
            }
        }
    }
    if (settings.CutLV > 2) {
        for (int u = 0; u <= areaLast; ++u) {
            for (int c = 0; c <= 1; ++c) {
                variants.push_back({kBlockEngine, 0, 0, u, c});
            }
        }
        if (settings.UseCal3) {
            for (int u = 0; u <= areaLast; ++u) {
                for (int s = 0; s <= 1; ++s) {
                    for (int a = 2; a >= 0; --a) {
                        variants.push_back({kStackEngine, a, 2, u, s});
                    }
                }
            }
        }
    }
    if (settings.UseCal4) {
        for (int t = 0; t <= settings.CutLV; ++t) {
            for (int u = 0; u <= areaLast; ++u) {
                for (int s = 0; s <= 1; ++s) {
                    for (int a = 2; a >= 0; --a) {
                        variants.push_back({kRowEngine, a, t, u, s});
                    }
                }
            }
        }
    }
    return variants;
}

std::size_t FirstJobOf(const std::vector<EngineVariant>& variants)
{
    std::size_t first = 0;
    bool strip = false;
    for (std::size_t i = 0; i < variants.size(); ++i) {
        const EngineVariant& v = variants[i];
        if (v.Kind != kStripEngine) {
            continue;
        }
        const EngineVariant& f = variants[first];
        if (!strip || std::tie(v.Level, v.Order, v.Area) < std::tie(f.Level, f.Order, f.Area)) {
            first = i;
            strip = true;
        }
    }
    return first;
}

std::string FormatElapsed(std::chrono::seconds elapsed)
{
    const long long total = elapsed.count() < 0 ? 0 : elapsed.count();
    char text[16];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", total / 3600 % 24, total / 60 % 60, total % 60);
    return text;
}

CalcRun::CalcRun(const CBuzaiList& buzai, const CBuzaiList& ybuzai, const CGenbanList& genban,
                 const Settings& settings, EngineFactory factory)
    : m_buzai(buzai), m_ybuzai(ybuzai), m_genban(genban), m_settings(settings), m_factory(std::move(factory))
{
}

CalcRun::~CalcRun()
{
    for (Job* job : m_running) {
        job->Engine->StopRequest = 1;
    }
    for (const auto& job : m_jobs) {
        if (job->Thread.joinable()) {
            job->Thread.join();
        }
    }
}

void CalcRun::SetTimeLimit(std::chrono::duration<double> limit, std::function<Clock::time_point()> clock)
{
    m_timeLimit = limit;
    m_clock = std::move(clock);
}

void CalcRun::Start(CRetData& result)
{
    m_start = std::chrono::steady_clock::now();
    m_limitStart = m_clock ? m_clock() : m_start;
    m_groups = BuildCalData(m_buzai, m_ybuzai, m_genban, m_settings, result);
    // On request, rows of one size are laid out as one entry and split again in Finish: much
    // faster on lists of one row per piece, but not the layout the rows give each on its own.
    m_sameRows.assign(m_groups.size(), {});
    if (m_settings.MergeRows != 0) {
        for (std::size_t g = 0; g < m_groups.size(); ++g) {
            m_sameRows[g] = MergeSameRows(m_groups[g], m_buzai);
        }
    }
    const std::vector<EngineVariant> variants = m_only ? *m_only : JobVariants(m_settings);
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        std::map<int, CCalHaichi*> lastOfKind;
        for (const EngineVariant& variant : variants) {
            auto job = std::make_unique<Job>();
            job->Variant = variant;
            job->Engine = m_factory(variant);
            CCalHaichi*& last = lastOfKind[variant.Kind];
            if (last) {
                job->Engine->JoinGroupJob(*last);
            }
            last = job->Engine.get();
            job->Engine->Reset();
            job->Engine->Configure(m_settings, m_buzai, m_ybuzai, m_genban);
            job->Engine->Sink = &m_messages;
            job->Group = static_cast<std::int32_t>(g);
            m_jobs.push_back(std::move(job));
        }
    }
    // Each group's first job (its quickest strip job) starts before any other job, group by
    // group: a stop waits for these and for no other, so every group has a complete result soon.
    // Then every group's other strip-engine jobs, the quick ones. The rest keep the job list's
    // order (the search first), except that a group's strip-stack jobs of length fill effort 0
    // and 1 come after its last one of effort 2: by then those have laid out most boards the
    // others can take, and the many short row jobs still follow to keep both threads busy to the
    // end. Which result wins does not depend on the start order.
    m_order.clear();
    m_first.clear();
    if (!variants.empty()) {
        const std::size_t first = FirstJobOf(variants);
        for (std::size_t g = 0; g < m_groups.size(); ++g) {
            m_first.push_back(g * variants.size() + first);
            m_jobs[m_first.back()]->First = true;
        }
    }
    m_waited.assign(m_groups.size(), 0);
    m_order = m_first;
    for (std::size_t i = 0; i < m_jobs.size(); ++i) {
        if (m_jobs[i]->Variant.Kind == kStripEngine && !m_jobs[i]->First) {
            m_order.push_back(i);
        }
    }
    auto later = [](const EngineVariant& v) { return v.Kind == kStackEngine && v.Order < 2; };
    for (std::size_t begin = 0; begin < m_jobs.size();) {
        std::size_t end = begin;
        while (end < m_jobs.size() && m_jobs[end]->Group == m_jobs[begin]->Group) {
            ++end;
        }
        std::vector<std::size_t> others, deferred;
        std::size_t at = 0;  // after the group's last strip-stack job of effort 2
        for (std::size_t i = begin; i < end; ++i) {
            const EngineVariant& v = m_jobs[i]->Variant;
            if (v.Kind == kStripEngine || m_jobs[i]->First) {
                continue;
            }
            (later(v) ? deferred : others).push_back(i);
            if (v.Kind == kStackEngine && !later(v)) {
                at = others.size();
            }
        }
        others.insert(others.begin() + static_cast<std::ptrdiff_t>(at), deferred.begin(), deferred.end());
        m_order.insert(m_order.end(), others.begin(), others.end());
        begin = end;
    }
    m_standing = Standing{};
    UpdateStanding();
    Poll();
}

std::vector<RET_GROUP> CalcRun::GroupProgress() const
{
    std::vector<RET_GROUP> groups(m_groups.size());
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        const CAL_BUZAI& part = m_groups[g].Buzai[0].at(0);
        const CBuzai& record = m_buzai.Items.at(static_cast<std::size_t>(part.Number));
        groups[g].Kind = record.Kind;
        groups[g].Thickness = record.Thickness;
        groups[g].Waited = g < m_waited.size() && m_waited[g] != 0;
    }
    for (const auto& job : m_jobs) {
        RET_GROUP& group = groups.at(static_cast<std::size_t>(job->Group));
        ++group.JobsTotal;
        // A job the run stopped gave no result; one that ended before the request reached it did.
        const bool stopped = job->StopSent && job->Engine->State == kStateStopped;
        group.JobsEnded += job->Ended && !stopped ? 1 : 0;
    }
    for (RET_GROUP& group : groups) {
        group.StoppedEarly = group.JobsEnded < group.JobsTotal;
    }
    return groups;
}

void CalcRun::Reap()
{
    bool changed = false;
    for (auto it = m_running.begin(); it != m_running.end();) {
        Job& job = **it;
        if (job.Engine->Running != 0) {
            ++it;
            continue;
        }
        job.Thread.join();
        job.Ended = true;
        ++m_ended;
        changed = true;
        m_finished += 100;
        if (job.Error && m_failure.empty()) {
            try {
                std::rethrow_exception(job.Error);
            } catch (const std::exception& error) {
                m_failure = error.what();
            } catch (...) {
                m_failure = "unknown error";
            }
        }
        it = m_running.erase(it);
    }
    if (changed) {
        UpdateStanding();
    }
}

const CRetData* CalcRun::GroupBest(std::size_t g) const
{
    const bool noRate = m_settings.NoRateFlg != 0;
    // The other engines' choice and the search's, each with its rule; then the search's against
    // the others' by the search's rule, the job earlier in the list kept on a tie.
    const CRetData* engines = nullptr;
    const CRetData* search = nullptr;
    bool searchFirst = false;
    for (const auto& job : m_jobs) {
        // A job that stopped itself (calculation error) or was stopped has no usable result.
        if (job->Group != static_cast<std::int32_t>(g) || !job->Ended || job->Error ||
            job->Engine->State == kStateStopped) {
            continue;
        }
        const CRetData& c = job->Engine->Ret;
        if (job->Variant.Kind == kSearchEngine) {
            searchFirst = searchFirst || engines == nullptr;
            search = search == nullptr || SearchReplaces(c, *search, noRate) ? &c : search;
        } else {
            engines = engines == nullptr || ReplacesBest(c, *engines, noRate) ? &c : engines;
        }
    }
    if (search == nullptr || engines == nullptr) {
        return search != nullptr ? search : engines;
    }
    const CRetData* first = searchFirst ? search : engines;
    const CRetData* later = searchFirst ? engines : search;
    return SearchReplaces(*later, *first, noRate) ? later : first;
}

void CalcRun::UpdateStanding()
{
    Standing s;
    s.Groups = static_cast<int>(m_groups.size());
    double partsArea = 0.0, boardArea = 0.0;
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        bool allEnded = true;
        for (const auto& job : m_jobs) {
            allEnded = allEnded && (job->Group != static_cast<std::int32_t>(g) || job->Ended);
        }
        s.GroupsEnded += allEnded ? 1 : 0;
        const CRetData* best = GroupBest(g);
        const std::vector<CAL_BUZAI>& left = best ? best->Unplaced : m_groups[g].Buzai[0];
        for (const CAL_BUZAI& entry : left) {
            s.Unplaced += entry.Count;
        }
        if (best == nullptr) {
            continue;
        }
        ++s.GroupsWithResult;
        for (const COutData& layout : best->Layouts) {
            s.Boards += layout.Repeat;
        }
        partsArea += best->PartsArea;
        boardArea += best->BoardArea;
        s.Price += best->TotalPrice;
    }
    s.PartsYield = boardArea > 0.0 ? partsArea / boardArea : 0.0;
    m_standing = s;
}

std::string CalcRun::BestSoFarText() const
{
    const Standing& s = m_standing;
    if (s.GroupsWithResult == 0) {
        return "";
    }
    std::string text = Format("現在の最良 原板 %lld枚 歩留まり %.1f%%", static_cast<long long>(s.Boards),
                              s.PartsYield * 100.0);
    if (m_settings.NoRateFlg == 0) {
        text += " 金額 " + Money(static_cast<double>(s.Price), 0) + "円";
    }
    if (s.Unplaced > 0) {
        text += Format(" 未配置 %lld個", static_cast<long long>(s.Unplaced));
    }
    return text + Format(" グループ %d/%d 完了", s.GroupsEnded, s.Groups);
}



bool CalcRun::Poll()
{
    Reap();
    if (!m_failure.empty() && !m_aborted) {
        RequestAbort();  // one failed job ends the run
    }
    if (m_timeLimit && !m_takeCurrent && !m_aborted &&
        (m_clock ? m_clock() : Clock::now()) - m_limitStart >= *m_timeLimit) {
        TakeCurrent();
    }
    if (m_aborted) {
        return !m_running.empty();
    }
    // After a stop only the groups' first jobs still start: they come first in m_order.
    const std::size_t startable = m_takeCurrent ? m_first.size() : m_order.size();
    const std::size_t limit = static_cast<std::size_t>(std::max(1, m_settings.MaxCalNum));
    while (m_next < startable && m_running.size() < limit) {
        Job& job = *m_jobs[m_order[m_next++]];
        job.Engine->Running = 1;
        m_running.push_back(&job);
        // The group is copied and put into part order on the worker too: nothing here waits for
        // the size of the job before the first progress.
        job.Thread = std::thread([&job, &group = m_groups[static_cast<std::size_t>(job.Group)]] {
            try {
                job.Engine->SetCalData(group);
            } catch (...) {
                job.Error = std::current_exception();
                job.Engine->Running = 0;  // Calculate, which clears it, never ran
                return;
            }
            // Calculate clears Running as it leaves, by an exception too (during the unwinding,
            // before Error below is written). Reap reads Error only after join(), which waits
            // for this body to end: that, not the order of the two writes, makes it safe.
            try {
                job.Engine->Calculate();
            } catch (...) {
                job.Error = std::current_exception();
            }
        });
    }
    m_mostRunning = std::max(m_mostRunning, m_running.size());
    return !m_running.empty() || m_next < startable;
}

void CalcRun::TakeCurrent()
{
    m_takeCurrent = true;
    for (std::size_t g = 0; g < m_first.size(); ++g) {
        m_waited[g] = m_jobs[m_first[g]]->Ended ? 0 : 1;
    }
    for (Job* job : m_running) {
        if (!job->First) {
            job->StopSent = true;
            job->Engine->StopRequest = 1;
        }
    }
}

int CalcRun::GroupsWaitedFor() const
{
    int waiting = 0;
    for (const std::size_t first : m_first) {
        waiting += m_jobs[first]->Ended ? 0 : 1;
    }
    return waiting;
}

void CalcRun::RequestAbort()
{
    m_aborted = true;
    for (Job* job : m_running) {
        job->StopSent = true;
        job->Engine->StopRequest = 1;
    }
}

int CalcRun::Percent() const
{
    if (m_jobs.empty()) {
        return 0;
    }
    long long sum = m_finished;
    for (const Job* job : m_running) {
        sum += job->Engine->GetProgress();
    }
    return static_cast<int>(sum * 100 / (static_cast<long long>(m_jobs.size()) * 100));
}

std::string CalcRun::ProgressText() const
{
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - m_start);
    char text[128];
    std::snprintf(text, sizeof text, "進行度 %3d%% 経過時間 %s", Percent(), FormatElapsed(elapsed).c_str());
    return text;
}

void MergeSameLayouts(std::vector<COutData>& layouts)
{
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        for (std::size_t k = i + 1; k < layouts.size();) {
            if (layouts[k].SamePattern(layouts[i])) {
                layouts[i].Repeat += layouts[k].Repeat;
                layouts.erase(layouts.begin() + static_cast<std::ptrdiff_t>(k));
            } else {
                ++k;
            }
        }
    }
}

std::vector<CRetData> CalcRun::GroupCandidates(std::size_t g) const
{
    std::vector<CRetData> candidates;
    const CRetData* best = GroupBest(g);
    if (best == nullptr) {
        return candidates;
    }
    const bool noRate = m_settings.NoRateFlg != 0;
    std::vector<const CRetData*> taken = {best};
    for (const auto& job : m_jobs) {
        if (job->Group != static_cast<std::int32_t>(g) || !job->Ended || job->Error ||
            job->Engine->State == kStateStopped) {
            continue;
        }
        const CRetData& c = job->Engine->Ret;
        const bool seen = std::any_of(taken.begin(), taken.end(),
                                      [&c](const CRetData* t) { return t == &c || SameLayouts(*t, c); });
        if (!seen && WithinPlanTolerance(c, *best, m_settings.PlanTolerance, noRate)) {
            taken.push_back(&c);
        }
    }
    const std::vector<SameRows>& sameRows = m_sameRows[g];
    for (const CRetData* c : taken) {
        candidates.push_back(*c);
        if (!sameRows.empty()) {
            SplitOntoRows(candidates.back(), sameRows, m_buzai, m_settings.NokoHaba);
        }
    }
    return candidates;
}

void CalcRun::AssemblePlan(const std::vector<const CRetData*>& picks, CRetData& result) const
{
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        if (picks[g] != nullptr) {
            result.Append(*picks[g]);
        } else {
            // No engine finished this group: its parts are reported, not lost.
            CRetData none;
            none.Unplaced = m_groups[g].Buzai[0];
            for (CAL_BUZAI& entry : none.Unplaced) {
                entry.Flag = 0;
            }
            SplitOntoRows(none, m_sameRows[g], m_buzai, m_settings.NokoHaba);
            result.Append(none);
        }
    }
    result.Finalize(m_settings.NoSort != 0);
    MergeSameLayouts(result.Layouts);
    result.Groups = GroupProgress();
    result.StoppedEarly = std::any_of(result.Groups.begin(), result.Groups.end(),
                                      [](const RET_GROUP& group) { return group.StoppedEarly; });
    if (!result.StoppedEarly) {
        result.Groups.clear();  // a full run says nothing of its groups
    }
    result.Bound = ComputeBound(result, m_settings);
}

void CalcRun::MakePlans(CRetData& result)
{
    const CRetData start = result;  // the parts left out before the groups
    const bool noRate = m_settings.NoRateFlg != 0;
    std::vector<std::vector<CRetData>> candidates(m_groups.size());
    std::vector<std::vector<PlanCandidate>> ranked(m_groups.size());
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        candidates[g] = GroupCandidates(g);
        for (const CRetData& c : candidates[g]) {
            ranked[g].push_back(
                // The cut count and length do not depend on the offcuts kept.
                {&c, FiguresOf(c, SawResult(JobLists{c, m_buzai, m_ybuzai, m_genban}, m_settings.NokoHaba,
                                            {0, 0}))});
        }
    }
    // Each plan kind's pick per group; a kind whose picks are those of an earlier kind adds
    // no plan.
    const auto picksOf = [&](PlanKind kind) {
        std::vector<std::size_t> picks(m_groups.size(), 0);
        for (std::size_t g = 0; g < m_groups.size(); ++g) {
            if (ranked[g].empty()) {
                continue;
            }
            picks[g] = kind != PlanKind::Cheapest
                           ? PickPlan(ranked[g], kind, m_settings.PlanTolerance, noRate)
                       : m_settings.FewerCutsOnTie ? FewerCutsOnTie(ranked[g])
                                                   : 0;
        }
        return picks;
    };
    const auto assemble = [&](const std::vector<std::size_t>& picks, CRetData& plan) {
        std::vector<const CRetData*> chosen(m_groups.size(), nullptr);
        for (std::size_t g = 0; g < m_groups.size(); ++g) {
            chosen[g] = candidates[g].empty() ? nullptr : &candidates[g][picks[g]];
        }
        AssemblePlan(chosen, plan);
    };
    std::vector<std::vector<std::size_t>> taken;
    for (const PlanKind kind : {PlanKind::Cheapest, PlanKind::FewestCuts, PlanKind::FewestPatterns}) {
        std::vector<std::size_t> picks = picksOf(kind);
        if (std::find(taken.begin(), taken.end(), picks) != taken.end()) {
            continue;
        }
        ResultPlan plan{kind, start, {}};
        CRetData& made = kind == PlanKind::Cheapest ? result : plan.Ret;
        assemble(picks, made);
        // Kept with the result and each plan, as every output reads it.
        PlanSawing(made, m_buzai, m_ybuzai, m_genban, m_settings.NokoHaba, MinOffcut(m_settings));
        if (kind == PlanKind::Cheapest) {
            plan.Ret = result;
        }
        plan.Figures = FiguresOf(plan.Ret, SawingOf(plan.Ret, m_settings.NokoHaba, MinOffcut(m_settings)));
        m_plans.push_back(std::move(plan));
        taken.push_back(std::move(picks));
    }
}

CalcRun::Outcome CalcRun::Finish(CRetData& result, Prompt& prompt)
{
    while (Poll()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Outcome outcome = Outcome::Placed;
    m_plans.clear();
    if (!m_failure.empty()) {
        result.Clear();
        prompt.ShowError("計算中に内部エラーが発生しました。計算を中断しました。\n" + m_failure);
        outcome = Outcome::Failed;
    } else if (m_aborted) {
        result.Clear();
        outcome = Outcome::Aborted;
    } else {
        MakePlans(result);
        if (result.Layouts.empty()) {
            outcome = Outcome::NothingPlaced;
            m_plans.clear();
        }
    }
    m_searchCutShort = 0;
    m_subFillsCutShort = 0;
    m_mostSubFills = 0;
    m_endedVariants.assign(m_groups.size(), {});
    for (const auto& job : m_jobs) {
        if (job->Ended && !job->Error && job->Engine->State != kStateStopped) {
            m_endedVariants[static_cast<std::size_t>(job->Group)].push_back(job->Variant);
        }
        m_searchCutShort += job->Engine->SearchCutShort;
        m_subFillsCutShort += job->Engine->SubFillsCutShort;
        m_mostSubFills = std::max(m_mostSubFills, job->Engine->MostSubFills);
    }
    m_running.clear();
    m_jobs.clear();
    m_order.clear();
    m_first.clear();
    if (m_settings.TimeDisp) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        char text[64];
        std::snprintf(text, sizeof text, "処理時間 %.3f秒\n", seconds);
        prompt.ShowError(text);
    }
    if (outcome == Outcome::NothingPlaced) {
        prompt.ShowError("全ての部材が配置できませんでした。");
    }
    return outcome;
}

CalcRun::Outcome CalcRun::RunToEnd(CRetData& result, Prompt& prompt,
                                   const std::function<bool(CalcRun&)>& tick)
{
    Start(result);
    while (Poll()) {
        if (tick && tick(*this) && !m_aborted) {
            RequestAbort();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return Finish(result, prompt);
}
