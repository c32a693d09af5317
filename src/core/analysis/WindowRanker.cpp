#include "analysis/WindowRanker.h"

#include "formula/ChanceBaseline.h"
#include "scoring/RunTally.h"

#include <algorithm>

namespace {

bool isRunKey(StatisticKey key)
{
    return key == StatisticKey::LongestMissRun || key == StatisticKey::LongestHitRun ||
           key == StatisticKey::LastMissRun || key == StatisticKey::LastHitRun;
}

// Σ j² for j = 1..n: the total weight of n weighted rows.
std::uint64_t squareSum(std::uint64_t n) { return n * (n + 1) * (2 * n + 1) / 6; }

} // namespace

WindowRanker::WindowRanker(int formulas, int rows, StatisticKey key, bool weighted)
    : m_formulas(formulas),
      m_rows(rows),
      m_key(key),
      m_weighted(weighted)
{
    const auto count = static_cast<size_t>(formulas);
    m_hits.assign(static_cast<size_t>((rows + 63) / 64) * count, 0);
    m_h0.assign(count, 0);
    if (weighted) {
        m_h1.assign(count, 0);
        m_h2.assign(count, 0);
    }
    if (isRunKey(key))
        m_runStart.assign(count, 1);
    if (tracksLongest())
        m_longest.resize(count);
    if (needsBits()) {
        m_bits.assign(static_cast<size_t>(rows) * count, 0);
        m_moments.assign(count * ChanceTotals::kBits, {});
    }
}

bool WindowRanker::tracksLongest() const
{
    return m_key == StatisticKey::LongestMissRun || m_key == StatisticKey::LongestHitRun;
}

void WindowRanker::closeRun(int f, int end)
{
    const int start = m_runStart[static_cast<size_t>(f)];
    if (end <= start)
        return;
    const bool hits = hit(f, start);
    if (hits != (m_key == StatisticKey::LongestHitRun))
        return;
    RunQueue& queue = m_longest[static_cast<size_t>(f)];
    // An earlier run no longer than this one never again decides the longest.
    while (queue.runs.size() > queue.head && queue.runs.back().end - queue.runs.back().start <= end - start)
        queue.runs.pop_back();
    if (queue.head > 0 && queue.head * 2 >= queue.runs.size()) {
        queue.runs.erase(queue.runs.begin(), queue.runs.begin() + static_cast<std::ptrdiff_t>(queue.head));
        queue.head = 0;
    }
    queue.runs.push_back({start, end});
}

void WindowRanker::add(int row)
{
    const size_t base = block(row);
    const int shift = row & 63;
    const auto k = static_cast<std::uint64_t>(row);
    const std::uint64_t k2 = k * k;
    for (int f = 0; f < m_formulas; ++f) {
        const auto i = static_cast<size_t>(f);
        const std::uint64_t h = (m_hits[base + i] >> shift) & 1u;
        m_h0[i] += h;
        if (m_weighted) {
            m_h1[i] += h * k;
            m_h2[i] += h * k2;
        }
    }
    if (!m_runStart.empty()) {
        for (int f = 0; f < m_formulas; ++f) {
            int& start = m_runStart[static_cast<size_t>(f)];
            if (row > m_first && start < row && hit(f, row) != hit(f, row - 1)) {
                if (tracksLongest())
                    closeRun(f, row);
                start = row;
            } else if (row == m_first) {
                start = row;
            }
        }
    }
    if (!m_moments.empty()) {
        const WideCount power[5] = {1, k, k2, static_cast<WideCount>(k2) * k, static_cast<WideCount>(k2) * k2};
        for (int f = 0; f < m_formulas; ++f) {
            auto& sums =
                m_moments[static_cast<size_t>(f) * ChanceTotals::kBits +
                          m_bits[static_cast<size_t>(row) * static_cast<size_t>(m_formulas) + static_cast<size_t>(f)]];
            for (size_t p = 0; p < 5; ++p)
                sums[p] += power[p];
        }
    }
}

void WindowRanker::remove(int row)
{
    const size_t base = block(row);
    const int shift = row & 63;
    const auto k = static_cast<std::uint64_t>(row);
    const std::uint64_t k2 = k * k;
    for (int f = 0; f < m_formulas; ++f) {
        const auto i = static_cast<size_t>(f);
        const std::uint64_t h = (m_hits[base + i] >> shift) & 1u;
        m_h0[i] -= h;
        if (m_weighted) {
            m_h1[i] -= h * k;
            m_h2[i] -= h * k2;
        }
    }
    if (!m_moments.empty()) {
        const WideCount power[5] = {1, k, k2, static_cast<WideCount>(k2) * k, static_cast<WideCount>(k2) * k2};
        for (int f = 0; f < m_formulas; ++f) {
            auto& sums =
                m_moments[static_cast<size_t>(f) * ChanceTotals::kBits +
                          m_bits[static_cast<size_t>(row) * static_cast<size_t>(m_formulas) + static_cast<size_t>(f)]];
            for (size_t p = 0; p < 5; ++p)
                sums[p] -= power[p];
        }
    }
}

void WindowRanker::slideHits(int in, int out)
{
    // The usual step, one row in and one out: one pass over the counts.
    const size_t inBase = block(in);
    const size_t outBase = block(out);
    const int inShift = in & 63;
    const int outShift = out & 63;
    const auto kIn = static_cast<std::uint64_t>(in);
    const auto kOut = static_cast<std::uint64_t>(out);
    const std::uint64_t kIn2 = kIn * kIn;
    const std::uint64_t kOut2 = kOut * kOut;
    for (size_t i = 0; i < static_cast<size_t>(m_formulas); ++i) {
        const std::uint64_t hIn = (m_hits[inBase + i] >> inShift) & 1u;
        const std::uint64_t hOut = (m_hits[outBase + i] >> outShift) & 1u;
        m_h0[i] += hIn - hOut;
        m_h1[i] += hIn * kIn - hOut * kOut;
        m_h2[i] += hIn * kIn2 - hOut * kOut2;
    }
}

void WindowRanker::flush()
{
    if (m_pendingIn < 0)
        return;
    slideHits(m_pendingIn, m_pendingOut);
    m_pendingIn = -1;
    m_pendingOut = -1;
}

void WindowRanker::moveTo(int first, int end)
{
    flush();
    first = std::max(first, 1);
    end = std::min(end, m_rows);
    if (m_end <= m_first) {
        // Nothing counted yet: start afresh at `first`.
        m_first = first;
        m_end = first;
    }
    if (end == m_end + 1 && first == m_first + 1 && m_first < m_end && m_weighted && m_runStart.empty() &&
        m_moments.empty()) {
        m_pendingIn = m_end;
        m_pendingOut = m_first;
        m_end = end;
        m_first = first;
        return;
    }
    for (int row = m_end; row < end; ++row)
        add(row);
    m_end = std::max(m_end, end);
    for (int row = m_first; row < first && row < m_end; ++row)
        remove(row);
    m_first = std::max(m_first, first);
    for (RunQueue& queue : m_longest)
        while (queue.head < queue.runs.size() && queue.runs[queue.head].start < m_first) {
            queue.leftEnd = std::max(queue.leftEnd, queue.runs[queue.head].end);
            ++queue.head;
        }
}

namespace {

// Keeps the `top` best of the positions offered in ascending order: a heap whose
// front is the worst kept. A later position with the same key loses the tie.
class TopKeys {
public:
    TopKeys(int top, std::vector<int>& chosen, std::vector<double>& keys) : m_top(top), m_chosen(chosen), m_keys(keys)
    {
        m_chosen.clear();
    }
    bool full() const { return static_cast<int>(m_chosen.size()) >= m_top; }
    double worst() const { return m_keys[static_cast<size_t>(m_chosen.front())]; }
    int worstPosition() const { return m_chosen.front(); }
    void offer(int f, double key)
    {
        m_keys[static_cast<size_t>(f)] = key;
        if (!full()) {
            m_chosen.push_back(f);
            std::push_heap(m_chosen.begin(), m_chosen.end(), better());
        } else if (key > worst()) {
            std::pop_heap(m_chosen.begin(), m_chosen.end(), better());
            m_chosen.back() = f;
            std::push_heap(m_chosen.begin(), m_chosen.end(), better());
        }
    }
    void finish() { std::sort(m_chosen.begin(), m_chosen.end()); }

private:
    struct Better {
        const std::vector<double>* keys;
        bool operator()(int a, int b) const
        {
            const double ka = (*keys)[static_cast<size_t>(a)];
            const double kb = (*keys)[static_cast<size_t>(b)];
            return ka > kb || (ka == kb && a < b);
        }
    };
    Better better() const { return Better{&m_keys}; }

    int m_top;
    std::vector<int>& m_chosen;
    std::vector<double>& m_keys;
};

} // namespace

void WindowRanker::best(int top, const ChanceBaseline* chance, bool kill, std::vector<int>& chosen)
{
    thread_local std::vector<double> keys;
    if (m_key != StatisticKey::Rate || !m_weighted)
        flush();
    if (m_key != StatisticKey::Rate) {
        this->keys(keys, chance, kill);
        TopKeys kept(top, chosen, keys);
        for (int f = 0; f < m_formulas; ++f)
            kept.offer(f, keys[static_cast<size_t>(f)]);
        kept.finish();
        return;
    }
    // The rate never falls as the hit weight grows, so a formula with less hit
    // weight than the worst kept one cannot beat it: only the others need a rate.
    keys.resize(static_cast<size_t>(m_formulas));
    const auto n = static_cast<std::uint64_t>(std::max(0, m_end - m_first));
    const auto total = static_cast<std::int64_t>(m_weighted ? squareSum(n) : n);
    const auto c = static_cast<std::uint64_t>(m_first - 1);
    TopKeys kept(top, chosen, keys);
    std::uint64_t worstWeight = 0;
    const bool sliding = m_pendingIn >= 0;
    const size_t inBase = sliding ? block(m_pendingIn) : 0;
    const size_t outBase = sliding ? block(m_pendingOut) : 0;
    const int inShift = m_pendingIn & 63;
    const int outShift = m_pendingOut & 63;
    const auto kIn = static_cast<std::uint64_t>(m_pendingIn);
    const auto kOut = static_cast<std::uint64_t>(m_pendingOut);
    for (size_t i = 0; i < static_cast<size_t>(m_formulas); ++i) {
        if (sliding) {
            // The pending slide, applied in this same pass (as slideHits does it).
            const std::uint64_t hIn = (m_hits[inBase + i] >> inShift) & 1u;
            const std::uint64_t hOut = (m_hits[outBase + i] >> outShift) & 1u;
            m_h0[i] += hIn - hOut;
            m_h1[i] += hIn * kIn - hOut * kOut;
            m_h2[i] += hIn * kIn * kIn - hOut * kOut * kOut;
        }
        const std::uint64_t hw = m_weighted ? m_h2[i] - 2 * c * m_h1[i] + c * c * m_h0[i] : m_h0[i];
        if (kept.full() && hw < worstWeight)
            continue;
        kept.offer(static_cast<int>(i), static_cast<double>(RunTally::rateOf(static_cast<std::int64_t>(hw), total)));
        if (kept.full()) {
            const auto w = static_cast<size_t>(kept.worstPosition());
            worstWeight = m_weighted ? m_h2[w] - 2 * c * m_h1[w] + c * c * m_h0[w] : m_h0[w];
        }
    }
    m_pendingIn = -1;
    m_pendingOut = -1;
    kept.finish();
}

void WindowRanker::keys(std::vector<double>& out, const ChanceBaseline* chance, bool kill)
{
    flush();
    out.resize(static_cast<size_t>(m_formulas));
    const int counted = std::max(0, m_end - m_first);
    const auto n = static_cast<std::uint64_t>(counted);
    const std::uint64_t total = m_weighted ? squareSum(n) : n;
    const auto c = static_cast<std::uint64_t>(m_first - 1);
    const auto hitWeight = [&](size_t i) { return m_weighted ? m_h2[i] - 2 * c * m_h1[i] + c * c * m_h0[i] : m_h0[i]; };
    switch (m_key) {
    case StatisticKey::Rate:
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<double>(
                RunTally::rateOf(static_cast<std::int64_t>(hitWeight(i)), static_cast<std::int64_t>(total)));
        return;
    case StatisticKey::LastHitRun:
    case StatisticKey::LastMissRun: {
        const bool hits = m_key == StatisticKey::LastHitRun;
        for (int f = 0; f < m_formulas; ++f) {
            const int start = std::max(m_runStart[static_cast<size_t>(f)], m_first);
            out[static_cast<size_t>(f)] = counted > 0 && hit(f, m_end - 1) == hits ? m_end - start : 0;
        }
        return;
    }
    case StatisticKey::LongestHitRun:
    case StatisticKey::LongestMissRun: {
        const bool hits = m_key == StatisticKey::LongestHitRun;
        for (int f = 0; f < m_formulas; ++f) {
            const RunQueue& queue = m_longest[static_cast<size_t>(f)];
            int longest = std::max(0, queue.leftEnd - m_first);
            if (queue.head < queue.runs.size())
                longest = std::max(longest, queue.runs[queue.head].end - queue.runs[queue.head].start);
            if (counted > 0 && hit(f, m_end - 1) == hits)
                longest = std::max(longest, m_end - std::max(m_runStart[static_cast<size_t>(f)], m_first));
            out[static_cast<size_t>(f)] = longest;
        }
        return;
    }
    case StatisticKey::ExpectedRate:
    case StatisticKey::Z: {
        const auto wc = static_cast<WideCount>(c);
        for (size_t i = 0; i < out.size(); ++i) {
            FormulaStatistics s;
            s.hitWeight = static_cast<std::int64_t>(hitWeight(i));
            s.totalWeight = static_cast<std::int64_t>(total);
            ChanceTotals totals;
            for (size_t bit = 0; bit < ChanceTotals::kBits; ++bit) {
                const auto& m = m_moments[i * ChanceTotals::kBits + bit];
                if (!m_weighted) {
                    totals.weight[bit] = static_cast<std::uint64_t>(m[0]);
                    totals.squares[bit] = m[0];
                    continue;
                }
                // Σ(k − c)² and Σ(k − c)⁴ by the binomial expansion of the power sums.
                totals.weight[bit] = static_cast<std::uint64_t>(m[2] - 2 * wc * m[1] + wc * wc * m[0]);
                totals.squares[bit] =
                    m[4] - 4 * wc * m[3] + 6 * wc * wc * m[2] - 4 * wc * wc * wc * m[1] + wc * wc * wc * wc * m[0];
            }
            if (counted > 0 && chance)
                chance->measure(s, totals, kill);
            out[i] = s.value(m_key);
        }
        return;
    }
    }
}
