#include "kernel/SumKernels.h"

#include "common/UserError.h"
#include "kernel/SumKernelTargets.h"
#include "kernel/WindowTable.h"

#include <stdexcept>

std::vector<KernelPath> SumKernels::supported()
{
    std::vector<KernelPath> paths{KernelPath::Scalar};
    for (KernelPath path : {KernelPath::Avx2, KernelPath::Avx512})
        if (runs(path))
            paths.push_back(path);
    return paths;
}

KernelPath SumKernels::best() { return supported().back(); }

bool SumKernels::runs(KernelPath path)
{
    switch (path) {
    case KernelPath::Scalar: return true;
    case KernelPath::Avx2: return SumKernelTargets::avx2() && SumKernelTargets::runsAvx2();
    case KernelPath::Avx512: return SumKernelTargets::avx512() && SumKernelTargets::runsAvx512();
    }
    return false;
}

QString SumKernels::name(KernelPath path)
{
    switch (path) {
    case KernelPath::Scalar: return QStringLiteral("scalar");
    case KernelPath::Avx2: return QStringLiteral("avx2");
    case KernelPath::Avx512: return QStringLiteral("avx512");
    }
    return {};
}

SumKernels::SumKernels(KernelPath path)
    : m_path(path),
      m_functions(path == KernelPath::Avx2     ? SumKernelTargets::avx2()
                  : path == KernelPath::Avx512 ? SumKernelTargets::avx512()
                                               : nullptr)
{
    if (!m_functions || !runs(path))
        throw UserError(QStringLiteral("公式计算"), QStringLiteral("本机处理器不支持%1计算").arg(name(path)), false);
}

bool SumKernels::covers(const WindowTable& table, const ColumnSum& sum)
{
    return lowRowsOf(table, sum.terms.data(), sum.count, sum.constant) != LowRows::Uncovered;
}

bool SumKernels::namesEveryDraw(const WindowTable& table, const ColumnSum& sum)
{
    return lowRowsOf(table, sum.terms.data(), sum.count, sum.constant) == LowRows::None;
}

void SumKernels::score(const WindowTable& table, bool kill, const ColumnSum* sums, int count,
                       FormulaStatistics* out) const
{
    m_functions->score(table, kill, sums, count, out);
}

FormulaStatistics SumKernels::score(const WindowTable& table, bool kill, const ColumnSum& sum) const
{
    FormulaStatistics statistics;
    m_functions->score(table, kill, &sum, 1, &statistics);
    return statistics;
}

ChanceTotals SumKernels::chanceTotals(const WindowTable& table, const ColumnSum& sum) const
{
    ChanceTotals totals;
    m_functions->chance(table, sum, totals);
    return totals;
}

namespace {

void checkShares(const WindowTable& table, const ChanceShares& shares)
{
    if (!shares.exact() || shares.counted != table.rows() || table.pieces(1) == 0)
        throw std::invalid_argument("chance sums need whole shares over the table's own rows");
}

} // namespace

ChanceSums SumKernels::chanceSums(const WindowTable& table, const ColumnSum& sum, const ChanceShares& shares) const
{
    checkShares(table, shares);
    ChanceSums sums;
    m_functions->chanceSums(table, sum, shares, sums);
    return sums;
}

FormulaStatistics SumKernels::score(const WindowTable& table, bool kill, const ColumnSum& sum,
                                    const ChanceShares& shares, ChanceSums& chance) const
{
    checkShares(table, shares);
    FormulaStatistics statistics;
    m_functions->scoreWithChance(table, kill, sum, shares, statistics, chance);
    return statistics;
}

void SumKernels::predictions(const WindowTable& table, const ColumnSum& sum, int first, int count,
                             std::uint8_t* out) const
{
    if (first < 0 || count < 0 || first + count > table.rows())
        throw std::invalid_argument("predictions outside the table's counted draws");
    m_functions->predictions(table, sum, first, count, out);
}

void SumKernels::search(const WindowTable& table, bool kill, const CandidateStream& stream, const IntegerBounds& bounds,
                        std::uint64_t first, std::uint64_t count, KernelSearch& out) const
{
    m_functions->search(table, kill, stream, bounds, first, count, out);
}

void SumKernels::generate(const CandidateStream& stream, std::uint64_t first, int count, ColumnSum* out) const
{
    m_functions->generate(stream, first, count, out);
}
