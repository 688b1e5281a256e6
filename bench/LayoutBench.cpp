// Prints, for generated jobs of growing size, the wall time of the full default job list with
// 1 and 2 threads, the number of layouts and the yield (see kUsage).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/Format.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "calc/CalHaichi.h"
#include "calc/CalcRun.h"
#include "calc/engines/Engines.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "base/TextFile.h"
#include "platform/Prompt.h"
#include "result/ResultJson.h"
#include "result/RetData.h"

namespace {

const char* const kUsage =
    "usage: layout_bench [--sizes SIZE,SIZE,...] [--threads N] [--time-limit SECONDS]\n"
    "                    [--json DIR] [--write DIR]\n"
    "  Times the full default job list on generated jobs (default 10,30,100; the large ones\n"
    "  with --sizes 300,1000,3000 take minutes) with 1 and 2 threads and prints the seconds,\n"
    "  their ratio, the seconds until every group had a complete result (its first job ended,\n"
    "  on the last run), the number of layouts and the parts yield. A SIZE is\n"
    "    N       a job of N part types, one row each\n"
    "    RrN     R part rows drawn from N part types (1 to 3 pieces a row, names and remarks\n"
    "            differing), as a parts list exported one row per piece or cabinet\n"
    "    RrNm    the same job with its rows merged: one row per part type, the counts summed\n"
    "    Nt      the job of N part types with twins: every third type again under another name\n"
    "            (some turned, some with another 横置きしない or count), secondary parts of one\n"
    "            size, and parts the size of a board's trimmed rectangle\n"
    "  --threads N  times only the run on N (1 or 2) threads\n"
    "  --time-limit SECONDS  takes the current result after that long, as `nestrix layout\n"
    "               --time-limit` does (the 3000-part-type job's full run takes long)\n"
    "  --json DIR   writes every result as DIR/bench-SIZE.json, to compare two builds with cmp\n"
    "  --write DIR  writes every job as DIR/bench-SIZE/ (boards.csv, parts.csv, settings.ini)\n"
    "               and times nothing: `nestrix layout --boards DIR/bench-SIZE/boards.csv\n"
    "               --parts ... --settings DIR/bench-SIZE/settings.ini --json OUT` gives the\n"
    "               same result\n";

class QuietPrompt final : public Prompt {
public:
    void ShowError(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
};

struct Job {
    CBuzaiList Parts;
    CBuzaiList Secondary;
    CGenbanList Boards;
};

// Part types over two kinds and two thicknesses, cabinet-like sizes, a fifth of them NoTurn.
Job Generate(int partTypes, unsigned seed)
{
    std::mt19937 random(seed);
    auto uniform = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    Job job;
    job.Secondary.IsSecondary = 1;
    const char* kinds[] = {"合板", "MDF"};
    const int thicknesses[] = {180, 120};
    int number = 0;
    for (const char* kind : kinds) {
        for (int thickness : thicknesses) {
            for (auto [w, h, price] : {std::tuple{18200, 9100, 4000}, std::tuple{24300, 12200, 7500}}) {
                CGenban board;
                board.Name = "B" + std::to_string(number++);
                board.Kind = kind;
                board.Thickness = thickness;
                board.Width = w;
                board.Height = h;
                board.Price = price;
                board.Count = 9999;
                board.TrimLeft = board.TrimRight = board.TrimTop = board.TrimBottom = 50;
                board.Use = 1;
                job.Boards.Items.push_back(board);
            }
        }
    }
    for (int i = 0; i < partTypes; ++i) {
        CBuzai part;
        part.Name = "P" + std::to_string(i);
        part.Kind = kinds[uniform(0, 1)];
        part.Thickness = thicknesses[uniform(0, 1)];
        part.Width = uniform(5, 120) * 50;
        part.Height = uniform(5, 80) * 50;
        part.Count = uniform(1, 12);
        part.NoTurn = uniform(0, 4) == 0;
        job.Parts.Items.push_back(part);
    }
    job.Parts.Renumber();
    job.Boards.Renumber();
    return job;
}

// One bench job: N part types, or R rows drawn from N part types (merged or not).
struct JobSize {
    int Types = 0;
    int Rows = 0;  // 0: one row per part type
    bool Merged = false;
    std::string Name;
    bool Twins = false;
};

bool ParseSize(const char* token, JobSize& size)
{
    int types = 0, rows = 0, used = 0;
    char merged = 0;
    const std::string text = token;
    if (std::sscanf(token, "%dr%d%n", &rows, &types, &used) == 2 && used > 0) {
        const std::string rest = text.substr(static_cast<std::size_t>(used));
        if ((rest.empty() || rest == "m") && rows >= types && types >= 1) {
            size = JobSize{types, rows, rest == "m", text};
            return true;
        }
        return false;
    }
    if (std::sscanf(token, "%d%c", &types, &merged) == 1 && types >= 1) {
        size = JobSize{types, 0, false, text};
        return true;
    }
    if (std::sscanf(token, "%dt%n", &types, &used) == 1 && types >= 1 &&
        used == static_cast<int>(text.size())) {
        size = JobSize{types, 0, false, text, true};
        return true;
    }
    return false;
}

// The part types of Generate(N) spread over R rows in a random order: every type on at least one
// row, 1 to 3 pieces a row. Merged, each type is one row (in the order of its first row) with the
// pieces of its rows.
Job GenerateRows(int types, int rows, bool merged)
{
    Job job = Generate(types, 1000u + static_cast<unsigned>(types));
    std::mt19937 random(5000u + static_cast<unsigned>(rows));
    auto uniform = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<int> typeOf;
    for (int r = 0; r < rows; ++r) {
        typeOf.push_back(r < types ? r : uniform(0, types - 1));
    }
    std::shuffle(typeOf.begin(), typeOf.end(), random);
    const std::vector<CBuzai> kinds = job.Parts.Items;
    job.Parts.Items.clear();
    std::vector<int> mergedRow(kinds.size(), -1);
    for (int r = 0; r < rows; ++r) {
        const auto t = static_cast<std::size_t>(typeOf[static_cast<std::size_t>(r)]);
        const int count = uniform(1, 3);
        if (merged && mergedRow[t] >= 0) {
            job.Parts.Items[static_cast<std::size_t>(mergedRow[t])].Count += count;
            continue;
        }
        CBuzai part = kinds[t];
        part.Count = count;
        if (merged) {
            mergedRow[t] = static_cast<int>(job.Parts.Items.size());
        } else {
            part.Name += "-" + std::to_string(r + 1);
            part.Remark = "cabinet " + std::to_string(r % 7 + 1);
        }
        job.Parts.Items.push_back(part);
    }
    job.Parts.Renumber();
    return job;
}

// Generate(N) with twins: part types of one size under other names, inserted at random places,
// in the parts and in secondary parts; and a part of each board size's trimmed rectangle.
Job GenerateTwins(int types)
{
    Job job = Generate(types, 1000u + static_cast<unsigned>(types));
    std::mt19937 random(7000u + static_cast<unsigned>(types));
    auto uniform = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const std::vector<CBuzai> originals = job.Parts.Items;
    for (std::size_t i = 0; i < originals.size(); i += 3) {
        CBuzai twin = originals[i];
        twin.Name += "-双";
        if (uniform(0, 4) == 0) {
            std::swap(twin.Width, twin.Height);
        }
        if (uniform(0, 2) == 0) {
            twin.NoTurn = 1 - twin.NoTurn;
        }
        if (uniform(0, 1) == 0) {
            twin.Count = uniform(1, 12);
        }
        const auto at = static_cast<std::ptrdiff_t>(uniform(0, static_cast<int>(job.Parts.Items.size())));
        job.Parts.Items.insert(job.Parts.Items.begin() + at, twin);
    }
    for (const CGenban& board : job.Boards.Items) {
        CBuzai whole;
        whole.Name = "全面 " + board.Name;
        whole.Kind = board.Kind;
        whole.Thickness = board.Thickness;
        whole.Width = board.Width - board.TrimLeft - board.TrimRight;
        whole.Height = board.Height - board.TrimTop - board.TrimBottom;
        whole.Count = uniform(1, 2);
        job.Parts.Items.push_back(whole);
    }
    for (const char* kind : {"合板", "MDF"}) {
        CBuzai shelf;
        shelf.Kind = kind;
        shelf.Thickness = 180;
        shelf.Width = uniform(3, 10) * 50;
        shelf.Height = uniform(3, 10) * 50;
        shelf.Count = 9999;
        for (const char* name : {"棚", "棚-双"}) {
            shelf.Name = name;
            job.Secondary.Items.push_back(shelf);
        }
    }
    job.Parts.Renumber();
    job.Secondary.Renumber();
    return job;
}

Job Generate(const JobSize& size)
{
    if (size.Twins) {
        return GenerateTwins(size.Types);
    }
    return size.Rows > 0 ? GenerateRows(size.Types, size.Rows, size.Merged)
                         : Generate(size.Types, 1000u + static_cast<unsigned>(size.Types));
}

// The default settings; secondary parts in use where the job has them.
Settings SettingsFor(const Job& job)
{
    Settings settings;
    settings.UseYBuzai = job.Secondary.Items.empty() ? 0 : 1;
    return settings;
}

// The job as the files `nestrix layout` reads, through the lists' own writers.
bool WriteJob(const Job& job, const Settings& settings, const std::string& folder)
{
    QuietPrompt prompt;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "layout_bench: %s cannot be created\n", folder.c_str());
        return false;
    }
    IniFile ini;
    settings.Store(ini);
    const bool written =
        job.Boards.Write(folder + "/boards.csv", prompt) && job.Parts.Write(folder + "/parts.csv", prompt) &&
        (job.Secondary.Items.empty() || job.Secondary.Write(folder + "/secondary.csv", prompt)) &&
        ini.Save(folder + "/settings.ini").Ok();
    if (!written) {
        std::fprintf(stderr, "layout_bench: the job in %s cannot be written\n", folder.c_str());
    }
    return written;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string jsonDir;
    std::string writeDir;
    int onlyThreads = 0;
    double timeLimit = 0.0;
    std::vector<JobSize> sizes = {{10, 0, false, "10"}, {30, 0, false, "30"}, {100, 0, false, "100"}};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc) {
            jsonDir = argv[++i];
        } else if (std::strcmp(argv[i], "--write") == 0 && i + 1 < argc) {
            writeDir = argv[++i];
        } else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
            onlyThreads = std::atoi(argv[++i]);
            if (onlyThreads != 1 && onlyThreads != 2) {
                std::fprintf(stderr, "layout_bench: --threads takes 1 or 2\n%s", kUsage);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--time-limit") == 0 && i + 1 < argc) {
            timeLimit = std::atof(argv[++i]);
            if (!(timeLimit > 0.0)) {
                std::fprintf(stderr, "layout_bench: --time-limit takes seconds over 0\n%s", kUsage);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc) {
            sizes.clear();
            for (char* token = std::strtok(argv[++i], ","); token; token = std::strtok(nullptr, ",")) {
                JobSize size;
                if (!ParseSize(token, size)) {
                    std::fprintf(stderr, "layout_bench: bad size %s\n%s", token, kUsage);
                    return 2;
                }
                sizes.push_back(size);
            }
        } else {
            std::fputs(kUsage, std::strcmp(argv[i], "--help") == 0 ? stdout : stderr);
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    if (!writeDir.empty()) {
        for (const JobSize& size : sizes) {
            const std::string folder = writeDir + "/bench-" + size.Name;
            const Job job = Generate(size);
            if (!WriteJob(job, SettingsFor(job), folder)) {
                return 1;
            }
            std::printf("%s\n", folder.c_str());
        }
        return 0;
    }
    if (!jsonDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(jsonDir, error);
    }
    std::printf("%8s %10s %10s %7s %8s %8s %8s\n", "job", "1 thread", "2 threads", "ratio", "first", "layouts",
                "yield");
    const std::vector<int> threadCounts = onlyThreads > 0 ? std::vector<int>{onlyThreads} : std::vector<int>{1, 2};
    for (const JobSize& size : sizes) {
        const Job job = Generate(size);
        double seconds[2] = {0, 0};
        double first = 0.0;
        CRetData results[2];
        for (std::size_t t = 0; t < threadCounts.size(); ++t) {
            Settings settings = SettingsFor(job);
            settings.MaxCalNum = threadCounts[t];
            QuietPrompt prompt;
            CalcRun run(job.Parts, job.Secondary, job.Boards, settings, MakeEngine);
            if (timeLimit > 0.0) {
                run.SetTimeLimit(std::chrono::duration<double>(timeLimit));
            }
            const auto start = std::chrono::steady_clock::now();
            first = 0.0;
            run.RunToEnd(results[t], prompt, [&](CalcRun& r) {
                const CalcRun::Standing standing = r.BestSoFar();
                if (first == 0.0 && standing.GroupsWithResult == standing.Groups) {
                    first = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                }
                return false;
            });
            seconds[t] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        const bool both = threadCounts.size() == 2;
        const std::string json = ResultToJson(results[0]);
        if (both && json != ResultToJson(results[1]) && timeLimit == 0.0) {
            std::printf("  results of 1 and 2 threads differ!\n");
        }
        if (!jsonDir.empty()) {
            // As `nestrix layout --json` writes it, cuts and offcuts included.
            const Settings defaults;
            const ResultSawing sawing = SawResult({results[0], job.Parts, job.Secondary, job.Boards},
                                                  defaults.NokoHaba, MinOffcut(defaults));
            WriteFileAtomically(jsonDir + "/bench-" + size.Name + ".json",
                                ResultToJson(results[0], &sawing, nullptr, &results[0].Bound));
        }
        const std::string one = threadCounts[0] == 1 ? Format("%.3fs", seconds[0]) : "-";
        const std::string two = threadCounts.back() == 2 ? Format("%.3fs", seconds[threadCounts.size() - 1]) : "-";
        const std::string ratio = both ? Format("%.2f", seconds[1] / seconds[0]) : "-";
        std::printf("%8s %10s %10s %7s %7.3fs %8zu %7.2f%%%s\n", size.Name.c_str(), one.c_str(), two.c_str(),
                    ratio.c_str(), first, results[0].Layouts.size(), results[0].PartsYield() * 100.0,
                    results[0].StoppedEarly ? " (stopped early)" : "");
        std::fflush(stdout);
    }
    return 0;
}
