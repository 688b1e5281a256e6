// Prints, for generated jobs of growing size, the wall time of the full default job list with
// 1 and 2 threads, the number of layouts and the yield (see kUsage).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

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
    "usage: layout_bench [--sizes N,N,...] [--json DIR] [--write DIR]\n"
    "  Times the full default job list on generated jobs of N part types (default 10,30,100;\n"
    "  add 300 with --sizes 10,30,100,300: it takes minutes) with 1 and 2 threads and prints\n"
    "  the seconds, their ratio, the number of layouts and the parts yield.\n"
    "  --json DIR   writes every result as DIR/bench-N.json, to compare two builds with cmp\n"
    "  --write DIR  writes every job as DIR/bench-N/ (boards.csv, parts.csv, settings.ini) and\n"
    "               times nothing: `nestrix layout --boards DIR/bench-N/boards.csv --parts ...\n"
    "               --settings DIR/bench-N/settings.ini --json OUT` gives the same result\n";

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
    std::vector<int> sizes = {10, 30, 100};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc) {
            jsonDir = argv[++i];
        } else if (std::strcmp(argv[i], "--write") == 0 && i + 1 < argc) {
            writeDir = argv[++i];
        } else if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc) {
            sizes.clear();
            for (char* token = std::strtok(argv[++i], ","); token; token = std::strtok(nullptr, ",")) {
                const int size = std::atoi(token);
                if (size < 1) {
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
        for (int types : sizes) {
            const std::string folder = writeDir + "/bench-" + std::to_string(types);
            if (!WriteJob(Generate(types, 1000u + static_cast<unsigned>(types)), Settings{}, folder)) {
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
    std::printf("%6s %10s %10s %7s %8s %8s\n", "types", "1 thread", "2 threads", "ratio", "layouts", "yield");
    for (int types : sizes) {
        const Job job = Generate(types, 1000u + static_cast<unsigned>(types));
        double seconds[2] = {0, 0};
        CRetData results[2];
        for (int t = 0; t < 2; ++t) {
            Settings settings;
            settings.MaxCalNum = t + 1;
            QuietPrompt prompt;
            CalcRun run(job.Parts, job.Secondary, job.Boards, settings, MakeEngine);
            const auto start = std::chrono::steady_clock::now();
            run.RunToEnd(results[t], prompt, nullptr);
            seconds[t] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        const std::string json = ResultToJson(results[0]);
        if (json != ResultToJson(results[1])) {
            std::printf("  results of 1 and 2 threads differ!\n");
        }
        if (!jsonDir.empty()) {
            WriteFileAtomically(jsonDir + "/bench-" + std::to_string(types) + ".json", json);
        }
        std::printf("%6d %9.3fs %9.3fs %7.2f %8zu %7.2f%%\n", types, seconds[0], seconds[1],
                    seconds[1] / seconds[0], results[0].Layouts.size(), results[0].PartsYield() * 100.0);
        std::fflush(stdout);
    }
    return 0;
}
