#include "calc/CalcRun.h"

#include <algorithm>
#include <cstdio>

#include "calc/CalHaichi.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "platform/Prompt.h"
#include "result/RetData.h"

struct CalcRun::Job {
    std::unique_ptr<CCalHaichi> Engine;
    std::int32_t Group = 0;
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

void CalcRun::Start(CRetData& result)
{
    m_start = std::chrono::steady_clock::now();
    m_groups = BuildCalData(m_buzai, m_ybuzai, m_genban, m_settings, result);
    // Rows the engines cannot tell apart are laid out as one entry and split again in Finish.
    m_sameRows.clear();
    for (CCalData& group : m_groups) {
        m_sameRows.push_back(MergeSameRows(group, m_buzai));
    }
    const std::vector<EngineVariant> variants =
        m_only ? std::vector<EngineVariant>{*m_only} : JobVariants(m_settings);
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        for (const EngineVariant& variant : variants) {
            auto job = std::make_unique<Job>();
            job->Engine = m_factory(variant);
            job->Engine->Reset();
            job->Engine->Configure(m_settings, m_buzai, m_ybuzai, m_genban);
            job->Engine->Sink = &m_messages;
            job->Group = static_cast<std::int32_t>(g);
            m_jobs.push_back(std::move(job));
        }
    }
    Poll();
}

void CalcRun::Reap()
{
    for (auto it = m_running.begin(); it != m_running.end();) {
        Job& job = **it;
        if (job.Engine->Running != 0) {
            ++it;
            continue;
        }
        job.Thread.join();
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
}

bool CalcRun::Poll()
{
    Reap();
    if (!m_failure.empty() && !m_aborted) {
        RequestAbort();  // one failed job ends the run
    }
    if (m_aborted) {
        return !m_running.empty();
    }
    const std::size_t limit = static_cast<std::size_t>(std::max(1, m_settings.MaxCalNum));
    while (m_next < m_jobs.size() && m_running.size() < limit) {
        Job& job = *m_jobs[m_next++];
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
    return !m_running.empty() || m_next < m_jobs.size();
}

void CalcRun::RequestAbort()
{
    m_aborted = true;
    for (Job* job : m_running) {
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

namespace {

long long UnplacedPieces(const CRetData& ret)
{
    long long pieces = 0;
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        pieces += entry.Count;
    }
    return pieces;
}

}  // namespace

bool ReplacesBest(const CRetData& c, const CRetData& best, bool noRate)
{
    if (noRate) {
        return c.IsBetter(best);
    }
    // A result that leaves fewer pieces uncut wins before any price comparison.
    const long long uc = UnplacedPieces(c), ub = UnplacedPieces(best);
    if (uc != ub) {
        return uc < ub;
    }
    if (c.TotalPrice != best.TotalPrice) {
        return c.TotalPrice < best.TotalPrice;
    }
    return c.IsBetter(best);
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

CalcRun::Outcome CalcRun::Finish(CRetData& result, Prompt& prompt)
{
    while (Poll()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Outcome outcome = Outcome::Placed;
    if (!m_failure.empty()) {
        result.Clear();
        prompt.ShowError("計算中に内部エラーが発生しました。計算を中断しました。\n" + m_failure);
        outcome = Outcome::Failed;
    } else if (m_aborted) {
        result.Clear();
        outcome = Outcome::Aborted;
    } else {
        for (std::size_t g = 0; g < m_groups.size(); ++g) {
            const CRetData* best = nullptr;
            for (const auto& job : m_jobs) {
                // A job that stopped itself (calculation error) has no usable result.
                if (job->Group != static_cast<std::int32_t>(g) || job->Engine->State == kStateStopped) {
                    continue;
                }
                if (best == nullptr || ReplacesBest(job->Engine->Ret, *best, m_settings.NoRateFlg != 0)) {
                    best = &job->Engine->Ret;
                }
            }
            const std::vector<SameRows>& sameRows = m_sameRows[g];
            if (best != nullptr && sameRows.empty()) {
                result.Append(*best);
            } else if (best != nullptr) {
                CRetData rows = *best;
                SplitOntoRows(rows, sameRows, m_buzai, m_settings.NokoHaba);
                result.Append(rows);
            } else {
                // No engine finished this group: its parts are reported, not lost.
                CRetData none;
                none.Unplaced = m_groups[g].Buzai[0];
                for (CAL_BUZAI& entry : none.Unplaced) {
                    entry.Flag = 0;
                }
                SplitOntoRows(none, sameRows, m_buzai, m_settings.NokoHaba);
                result.Append(none);
            }
        }
        result.Finalize(m_settings.NoSort != 0);
        MergeSameLayouts(result.Layouts);
        if (result.Layouts.empty()) {
            outcome = Outcome::NothingPlaced;
        }
    }
    m_searchCutShort = 0;
    m_subFillsCutShort = 0;
    m_mostSubFills = 0;
    for (const auto& job : m_jobs) {
        m_searchCutShort += job->Engine->SearchCutShort;
        m_subFillsCutShort += job->Engine->SubFillsCutShort;
        m_mostSubFills = std::max(m_mostSubFills, job->Engine->MostSubFills);
    }
    m_running.clear();
    m_jobs.clear();
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
