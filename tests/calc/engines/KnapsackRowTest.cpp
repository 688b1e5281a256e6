#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "calc/engines/KnapsackRow.h"

namespace {

// The knapsack step as one array updated from the top down: each cell reads the cells below it
// before they change.
void InPlaceRow(std::vector<double>& best, std::vector<std::uint8_t>& row, const std::size_t w[2],
                const double v[2], int options)
{
    for (std::size_t c = best.size(); c-- > 0;) {
        for (int o = 0; o < options; ++o) {
            if (w[o] > c) {
                continue;
            }
            const double candidate = best[c - w[o]] + v[o];
            if (candidate > best[c]) {
                best[c] = candidate;
                row[c] = static_cast<std::uint8_t>(o + 1);
            }
        }
    }
}

struct RowCase {
    const char* Name;
    std::size_t Cells;
    std::size_t W0, W1;  // W1 == 0: one option
    double V0, V1;
    int Values;  // prev drawn from 0..Values-1 (few values: many ties)
};

}  // namespace

// Every cell, both ways of taking them and many groups in turn equal the knapsack made in place:
// ties, options of equal weight, the heavier first or second, weights at and past the end, the
// cells left over from the fours.
TEST(KnapsackRowTest, EqualsTheKnapsackMadeInPlace)
{
    const RowCase cases[] = {
        {"one option", 4097, 7, 0, 3.5, 0, 1000},
        {"one option, ties", 103, 3, 0, 2.0, 0, 3},
        {"lighter first", 4097, 5, 13, 2.0, 6.0, 1000},
        {"lighter second", 4097, 13, 5, 6.0, 2.0, 1000},
        {"equal weights", 999, 9, 9, 4.0, 4.5, 1000},
        {"equal weights and values", 998, 9, 9, 4.0, 4.0, 4},
        {"ties between options", 513, 2, 4, 1.0, 2.0, 3},
        {"heavier past the end", 101, 3, 500, 1.0, 9.0, 1000},
        {"both at the end", 64, 64, 64, 1.0, 1.0, 10},
        {"weight 1", 35, 1, 2, 0.5, 1.0, 5},
        {"fewer cells than four", 3, 1, 2, 1.0, 1.5, 3},
        {"one cell", 1, 1, 0, 1.0, 0, 2},
    };
    std::mt19937 random(7);
    for (const RowCase& t : cases) {
        for (const bool wide : {false, true}) {
            SCOPED_TRACE(std::string(t.Name) + (wide ? ", wide" : ", narrow"));
            const int options = t.W1 == 0 ? 1 : 2;
            const std::size_t w[2] = {t.W0, options == 2 ? t.W1 : t.Cells};
            const double v[2] = {t.V0, t.V1};
            std::vector<double> expected(t.Cells), prev(t.Cells), next(t.Cells);
            for (double& cell : expected) {
                cell = static_cast<double>(random() % static_cast<unsigned>(t.Values)) * 0.5;
            }
            prev = expected;
            // Several groups in turn, as a strip's knapsack takes them.
            for (int group = 0; group < 5; ++group) {
                // The row as an earlier strip left it: every cell is written.
                std::vector<std::uint8_t> expectedRow(t.Cells, 0), row(t.Cells, 7);
                InPlaceRow(expected, expectedRow, w, v, options);
                boardsearch::KnapsackRow(prev.data(), next.data(), row.data(), t.Cells, w, v, wide);
                prev.swap(next);
                ASSERT_EQ(prev, expected) << "group " << group;
                ASSERT_EQ(row, expectedRow) << "group " << group;
            }
        }
    }
}
