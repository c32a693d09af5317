#include "analysis/MethodVerdict.h"

#include "analysis/HistoryList.h"
#include "analysis/RankHistogram.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

QString percent(double v) { return QString::number(v, 'f', 1) + u'%'; }
QString pText(double p) { return p < 0.001 ? QStringLiteral("p < 0.001") : QStringLiteral("p = %1").arg(p, 0, 'f', 3); }

bool beatsChance(const VoteCheck& c) { return c.lowestGroupP < 0.05 && c.lowestGroupHits > c.lowestGroupExpected; }

QString voteLine(const VoteCheck& c)
{
    return QStringLiteral("最少票组命中 %1/%2（%3，随机期望 %4，%5）")
        .arg(c.lowestGroupHits)
        .arg(c.rows)
        .arg(percent(c.hitShare()), percent(c.expectedShare()), pText(c.lowestGroupP));
}

} // namespace

const QString& MethodVerdict::title()
{
    static const QString text = QStringLiteral("方法检验");
    return text;
}

BackTestResult MethodVerdict::rowsFrom(const BackTestResult& result, int firstRow)
{
    BackTestResult out = result;
    const auto first = static_cast<std::ptrdiff_t>(std::clamp(firstRow, 0, result.drawCount()));
    const auto range = static_cast<std::ptrdiff_t>(result.range);
    out.issues.erase(out.issues.begin(), out.issues.begin() + first);
    out.numbers.erase(out.numbers.begin(), out.numbers.begin() + first);
    out.tallies.erase(out.tallies.begin(), out.tallies.begin() + first * range);
    out.ranking.erase(out.ranking.begin(), out.ranking.begin() + first * range);
    return out;
}

VoteCheck MethodVerdict::check(const BackTestResult& result, int position, int firstRow)
{
    const auto rows = std::make_shared<const BackTestResult>(rowsFrom(result, firstRow));
    const HistoryList list(rows, position);
    const RankHistogram histogram = RankHistogram::of(list);
    VoteCheck c;
    c.rows = histogram.rows;
    c.lowestGroupHits = histogram.lowestGroupHits;
    c.lowestGroupExpected = histogram.lowestGroupExpected;
    if (histogram.uniformity)
        c.chiSquareP = histogram.uniformity->pValue;
    // Each row hits the lowest group with chance size / R: the variance of the
    // hit count is Σ q(1 − q) over the ranked rows.
    double variance = 0.0;
    for (int r = 0; r < list.rowCount(); ++r) {
        if (!list.row(r).rank)
            continue;
        const int draw = list.row(r).draw;
        const int lowest = rows->tally(draw, rows->rankedNumber(draw, 1)).vote;
        int size = 0;
        for (int n = 1; n <= rows->range; ++n)
            size += rows->tally(draw, n).vote == lowest ? 1 : 0;
        const double q = static_cast<double>(size) / rows->range;
        variance += q * (1.0 - q);
    }
    if (variance > 0.0) {
        // Continuity-corrected: P(X ≥ hits) ≈ P(Z ≥ (hits − ½ − E) / σ).
        const double z = (c.lowestGroupHits - 0.5 - c.lowestGroupExpected) / std::sqrt(variance);
        c.lowestGroupP = 0.5 * std::erfc(z / std::sqrt(2.0));
    }
    return c;
}

QString MethodVerdict::backTestText(const VoteCheck& plain, const VoteCheck& walkForward)
{
    QString conclusion;
    if (beatsChance(walkForward))
        conclusion = QStringLiteral("逐期回测胜过随机。若这些公式本身是在这段历史上搜出来的，优势仍可能来自挑选，"
                                    "请再用搜索时留出的新开奖检验。");
    else if (beatsChance(plain))
        conclusion = QStringLiteral("逐期回测与随机没有显著差别：全历史回测的好成绩来自用同一段历史挑选公式。");
    else
        conclusion = QStringLiteral("两种回测都与随机没有显著差别。");
    return QStringLiteral("%1：全历史回测%2；逐期回测（每一期只用它之前的开奖数据）%3。%4")
        .arg(title(), voteLine(plain), voteLine(walkForward), conclusion);
}

QString MethodVerdict::searchText(int found, const std::optional<double>& bestZ, double chanceBestZ,
                                  std::uint64_t candidates, int nullRuns, double nullMeanFound, double nullP)
{
    QString text = QStringLiteral("%1：找到 %2 条").arg(title()).arg(found);
    if (nullRuns > 0) {
        text += QStringLiteral("；在打乱顺序的历史上，同样的搜索平均找到 %1条（%2 次，%3）")
                    .arg(nullMeanFound, 0, 'f', 1)
                    .arg(nullRuns)
                    .arg(pText(nullP));
    }
    text += QStringLiteral("；%1 个候选中随机最好的 z 约为 %2，找到的最好 z 为 %3。")
                .arg(candidates)
                .arg(chanceBestZ, 0, 'f', 2)
                .arg(bestZ ? QString::number(*bestZ, 'f', 2) : QStringLiteral("—"));
    return text;
}
