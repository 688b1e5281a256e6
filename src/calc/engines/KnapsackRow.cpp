#include "calc/engines/KnapsackRow.h"

#include <algorithm>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace boardsearch {

namespace {

struct KnapsackGroup {
    std::size_t W0, W1;
    double V0, V1;
    std::size_t Lighter;  // weight, value and row mark of the lighter option
    double LighterValue;
    std::uint8_t LighterMark;
    std::size_t Alone;  // below it only the lighter option fits
};

inline void KnapsackCellsAlone(const double* __restrict prev, double* __restrict next,
                               std::uint8_t* __restrict row, const KnapsackGroup& g, std::size_t c, std::size_t end)
{
    for (; c < end; ++c) {
        const double keep = prev[c], take = prev[c - g.Lighter] + g.LighterValue;
        const bool better = take > keep;
        next[c] = better ? take : keep;
        row[c] = better ? g.LighterMark : 0;
    }
}

inline void KnapsackCellsBoth(const double* __restrict prev, double* __restrict next,
                              std::uint8_t* __restrict row, const KnapsackGroup& g, std::size_t c, std::size_t end)
{
    for (; c < end; ++c) {
        const double keep = prev[c], a = prev[c - g.W0] + g.V0, b = prev[c - g.W1] + g.V1;
        const bool firstBetter = a > keep;
        const double cur = firstBetter ? a : keep;
        const bool secondBetter = b > cur;
        next[c] = secondBetter ? b : cur;
        row[c] = secondBetter ? 2 : (firstBetter ? 1 : 0);
    }
}

#if defined(__x86_64__)
// The four bits of a comparison's mask as four bytes of 0 or 0xff.
constexpr std::uint32_t kSpread[16] = {
    0x00000000, 0x000000ff, 0x0000ff00, 0x0000ffff, 0x00ff0000, 0x00ff00ff, 0x00ffff00, 0x00ffffff,
    0xff000000, 0xff0000ff, 0xff00ff00, 0xff00ffff, 0xffff0000, 0xffff00ff, 0xffffff00, 0xffffffff};

__attribute__((target("avx2"))) void Knapsack4(const double* __restrict prev, double* __restrict next,
                                               std::uint8_t* __restrict row, const KnapsackGroup& g,
                                               std::size_t c, std::size_t cells)
{
    const __m256d lv = _mm256_set1_pd(g.LighterValue);
    const std::uint32_t lo = 0x01010101u * g.LighterMark;
    for (; c + 4 <= g.Alone; c += 4) {
        const __m256d keep = _mm256_loadu_pd(prev + c);
        const __m256d take = _mm256_add_pd(_mm256_loadu_pd(prev + c - g.Lighter), lv);
        const __m256d better = _mm256_cmp_pd(take, keep, _CMP_GT_OQ);
        _mm256_storeu_pd(next + c, _mm256_blendv_pd(keep, take, better));
        const std::uint32_t bytes = kSpread[_mm256_movemask_pd(better)] & lo;
        std::memcpy(row + c, &bytes, sizeof bytes);
    }
    KnapsackCellsAlone(prev, next, row, g, c, g.Alone);
    c = std::max(c, g.Alone);
    const __m256d v0 = _mm256_set1_pd(g.V0), v1 = _mm256_set1_pd(g.V1);
    for (; c + 4 <= cells; c += 4) {
        const __m256d keep = _mm256_loadu_pd(prev + c);
        const __m256d a = _mm256_add_pd(_mm256_loadu_pd(prev + c - g.W0), v0);
        const __m256d b = _mm256_add_pd(_mm256_loadu_pd(prev + c - g.W1), v1);
        const __m256d firstBetter = _mm256_cmp_pd(a, keep, _CMP_GT_OQ);
        const __m256d cur = _mm256_blendv_pd(keep, a, firstBetter);
        const __m256d secondBetter = _mm256_cmp_pd(b, cur, _CMP_GT_OQ);
        _mm256_storeu_pd(next + c, _mm256_blendv_pd(cur, b, secondBetter));
        const std::uint32_t second = kSpread[_mm256_movemask_pd(secondBetter)];
        const std::uint32_t first = kSpread[_mm256_movemask_pd(firstBetter)];
        const std::uint32_t bytes = (second & 0x02020202u) | (~second & first & 0x01010101u);
        std::memcpy(row + c, &bytes, sizeof bytes);
    }
    KnapsackCellsBoth(prev, next, row, g, c, cells);
}
#endif

}  // namespace

bool WideKnapsackRows()
{
#if defined(__x86_64__)
    static const bool wide = __builtin_cpu_supports("avx2");
    return wide;
#else
    return false;
#endif
}

void KnapsackRow(const double* __restrict prev, double* __restrict next, std::uint8_t* __restrict row,
                 std::size_t cells, const std::size_t w[2], const double v[2], bool wide)
{
    KnapsackGroup g{w[0], w[1], v[0], v[1], 0, 0.0, 0, 0};
    const bool firstLighter = g.W0 <= g.W1;
    g.Lighter = firstLighter ? g.W0 : g.W1;
    g.LighterValue = firstLighter ? g.V0 : g.V1;
    g.LighterMark = firstLighter ? 1 : 2;
    g.Alone = std::min(std::max(g.W0, g.W1), cells);
    const std::size_t start = std::min(g.Lighter, cells);
    std::memcpy(next, prev, start * sizeof(double));
    std::memset(row, 0, start);
#if defined(__x86_64__)
    if (wide && WideKnapsackRows()) {
        Knapsack4(prev, next, row, g, start, cells);
        return;
    }
#endif
    KnapsackCellsAlone(prev, next, row, g, start, g.Alone);
    KnapsackCellsBoth(prev, next, row, g, std::max(start, g.Alone), cells);
}

}  // namespace boardsearch
