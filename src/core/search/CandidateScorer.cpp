#include "search/CandidateScorer.h"

#include "common/UserError.h"
#include "formula/FormulaScoring.h"
#include "history/AttributeCatalog.h"
#include "history/HistorySnapshot.h"
#include "scoring/HitRule.h"
#include "scoring/RunTally.h"

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {
// Rows summed per pass; small enough to stay in the first-level cache.
constexpr int kChunk = 512;
} // namespace

void CandidateScorer::sumColumns(const Candidate& candidate, int base, int len, std::int32_t* sums) const
{
    const std::int32_t* columns[Candidate::kMaxTerms];
    for (int t = 0; t < candidate.termCount; ++t)
        columns[t] = m_columns[candidate.terms[static_cast<size_t>(t)]] + base;
    int k = 0;
#ifdef __SSE2__
    // Four rows at a time, summed in a register across all terms.
    const __m128i constant = _mm_set1_epi32(candidate.constant);
    for (; k + 4 <= len; k += 4) {
        __m128i acc = constant;
        for (int t = 0; t < candidate.termCount; ++t)
            acc = _mm_add_epi32(acc, _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns[t] + k)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k), acc);
    }
#endif
    // Stored values keep these sums far inside int32 (at most 24 terms below 2^14
    // plus a constant of at most 10^6); the arithmetic wraps like the vector
    // path above rather than overflowing on values a snapshot built in memory holds.
    for (; k < len; ++k) {
        auto v = static_cast<std::uint32_t>(candidate.constant);
        for (int t = 0; t < candidate.termCount; ++t)
            v += static_cast<std::uint32_t>(columns[t][k]);
        sums[k] = static_cast<std::int32_t>(v);
    }
}

CandidateScorer::CandidateScorer(const HistorySnapshot& history, const ScoringRule& rule, const ScoringWindow& window,
                                 KernelPath path)
    : m_rule(rule)
{
    if (rule.range != 11 && rule.range != 12)
        throw UserError(QStringLiteral("公式搜索"), QStringLiteral("号码范围只能是11或12"), false);
    auto [first, end] = FormulaScoring::countedRows(history.size(), window);
    // The first draw has no prediction, so it never counts.
    first = std::max(first, 1);
    m_first = first;
    m_count = std::max(0, end - first);

    m_present = HitRule(history, rule).presentMasks(first, first + m_count);
    m_weights.resize(static_cast<size_t>(m_count));
    for (int j = 1; j <= m_count; ++j) {
        const std::int64_t weight = window.weighted ? static_cast<std::int64_t>(j) * j : 1;
        m_weights[static_cast<size_t>(j - 1)] = weight;
        m_totalWeight += weight;
    }

    m_columns.resize(AttributeCatalog::kCount);
    for (int a = 0; a < AttributeCatalog::kCount; ++a)
        m_columns[static_cast<size_t>(a)] = m_count > 0 ? history.column(a).data() + (first - 1) : nullptr;

    if (path != KernelPath::Scalar && WindowTable::covers(rule.range, m_count)) {
        m_kernels.emplace(path);
        m_table = std::make_shared<const WindowTable>(history, rule.kind, rule.range, window);
    }
}

ColumnSum CandidateScorer::columnSum(const Candidate& candidate)
{
    ColumnSum sum;
    sum.count = candidate.termCount;
    std::copy_n(candidate.terms.begin(), candidate.termCount, sum.terms.begin());
    sum.constant = candidate.constant;
    return sum;
}

Candidate CandidateScorer::candidate(const ColumnSum& sum)
{
    Candidate candidate;
    candidate.termCount = std::min(sum.count, Candidate::kMaxTerms);
    std::copy_n(sum.terms.begin(), candidate.termCount, candidate.terms.begin());
    candidate.constant = sum.constant;
    return candidate;
}

FormulaStatistics CandidateScorer::score(const Candidate& candidate) const
{
    if (m_kernels) {
        const ColumnSum sum = columnSum(candidate);
        if (SumKernels::covers(*m_table, sum))
            return m_kernels->score(*m_table, m_rule.kill, sum);
    }
    return scoreScalar(candidate);
}

FormulaStatistics CandidateScorer::scoreScalar(const Candidate& candidate) const
{
    return m_rule.range == 12 ? scoreIn<12>(candidate) : scoreIn<11>(candidate);
}

template <int Range>
FormulaStatistics CandidateScorer::scoreIn(const Candidate& candidate) const
{
    const std::uint32_t killBit = m_rule.kill ? 1u : 0u;
    std::int32_t sums[kChunk];
    RunTally tally;
    for (int base = 0; base < m_count; base += kChunk) {
        const int len = std::min(kChunk, m_count - base);
        sumColumns(candidate, base, len, sums);
        const std::uint16_t* present = m_present.data() + base;
        const std::int64_t* weights = m_weights.data() + base;
        for (int k = 0; k < len; ++k) {
            // A sum of columns is never empty: its fold is always judged.
            tally.add(HitRule::judgeBit(present[k], HitRule::foldedBit<Range>(sums[k]), killBit), weights[k]);
        }
    }
    return tally.finish(m_totalWeight);
}
