// The chance totals and chance sums of the vector kernels against the tally of
// the plain values, on every path this processor runs.
#include "core/kernel/KernelFixtures.h"

using namespace KernelFixtures;

TEST(SumKernels, chanceTotalsMatchTheTallyOfThePlainValues)
{
    if (vectorPaths().empty())
        GTEST_SKIP() << "this processor runs no vector path";
    std::mt19937 random(17);
    const auto column = [&] { return AttributeCatalog::code(static_cast<int>(random() % 88)); };
    // Constants that leave every sum positive, sums of columns that are 0 on
    // some draws, small negative ones and ones deep below zero: the rows that
    // name no number (and those that fold to number 1 from below) all appear.
    QStringList codes;
    for (int i = 0; i < 8; ++i) {
        codes << QStringLiteral("%1+%2+%3").arg(column(), column()).arg(static_cast<int>(random() % 11));
        codes << QStringLiteral("%1+%2").arg(column(), column());
        codes << QStringLiteral("%1+%2-%3").arg(column(), column()).arg(static_cast<int>(random() % 12));
        codes << QStringLiteral("%1+%2+%3-%4").arg(column(), column(), column()).arg(static_cast<int>(random() % 400));
    }
    int compared = 0;
    int withoutNumber = 0;
    for (KernelPath path : vectorPaths()) {
        const SumKernels kernels(path);
        for (int range : {11, 12}) {
            const HistorySnapshot& h = history(range);
            for (int lookBack : {0, 300}) {
                for (bool weighted : {true, false}) {
                    const ScoringWindow window{lookBack, true, weighted};
                    const auto [first, end] = FormulaScoring::countedRows(h.size(), window);
                    for (const FormulaKind& kind : {FormulaKind(2, false), FormulaKind(3, true)}) {
                        const WindowTable table(h, kind, range, window);
                        for (const QString& code : codes) {
                            const CompiledFormula compiled = CompiledFormula::compile(code);
                            const std::optional<ColumnSum> sum = compiled.asColumnSum();
                            ASSERT_TRUE(sum && SumKernels::covers(table, *sum)) << code.toStdString();
                            std::vector<double> values(static_cast<size_t>(end - first));
                            compiled.evaluate(h, first - 1, end - 1, values.data());
                            const ChanceTotals expected =
                                ChanceBaseline::tally(values.data(), first, end, range, weighted);
                            const ChanceTotals actual = kernels.chanceTotals(table, *sum);
                            ASSERT_TRUE(actual == expected)
                                << code.toStdString() << " " << SumKernels::name(path).toStdString() << " R" << range
                                << " W" << lookBack << (weighted ? " weighted" : "");
                            std::uint64_t total = 0;
                            for (std::uint64_t w : actual.weight)
                                total += w;
                            ASSERT_EQ(static_cast<std::int64_t>(total), table.totalWeight());
                            withoutNumber += actual.weight[HitRule::kNoNumberBit] > 0;
                            ++compared;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(withoutNumber, compared / 10);
}

TEST(SumKernels, chanceSumsAreTheExactWeighedSharesOfEveryDraw)
{
    if (vectorPaths().empty())
        GTEST_SKIP() << "this processor runs no vector path";
    // Past 65,535 counted draws a single w² no longer fits 64 bits.
    static const HistorySnapshot longHistory = demoHistory(840, 11, 0);
    ASSERT_GT(longHistory.size(), 70000);
    std::mt19937 random(23);
    const auto column = [&] { return AttributeCatalog::code(static_cast<int>(random() % 88)); };
    QStringList codes;
    for (int i = 0; i < 3; ++i) {
        codes << QStringLiteral("%1+%2+%3").arg(column(), column()).arg(static_cast<int>(random() % 11));
        codes << QStringLiteral("%1+%2-%3").arg(column(), column()).arg(static_cast<int>(random() % 12));
    }
    int compared = 0;
    for (KernelPath path : vectorPaths()) {
        const SumKernels kernels(path);
        for (const auto& [h, lookBack] : {std::pair{&longHistory, 0}, std::pair{&history(12), 63},
                                          std::pair{&history(12), 0}, std::pair{&longHistory, 1}}) {
            const int range = h == &longHistory ? 11 : 12;
            for (bool weighted : {true, false}) {
                const ScoringWindow window{lookBack, true, weighted};
                const auto [first, end] = FormulaScoring::countedRows(h->size(), window);
                const FormulaKind kind(3, lookBack != 0);
                const WindowTable table(*h, kind, range, window);
                const ChanceBaseline baseline(HitRule(*h, kind.rule(range, true)), first, end);
                for (const QString& code : codes) {
                    const CompiledFormula compiled = CompiledFormula::compile(code);
                    std::vector<double> values(static_cast<size_t>(end - first));
                    compiled.evaluate(*h, first - 1, end - 1, values.data());
                    for (bool kill : {true, false}) {
                        // Each draw's weight times the share its prediction reads, written out.
                        const ChanceShares& shares = baseline.shares(kill);
                        ChanceSums plain;
                        for (int k = 0; k < end - first; ++k) {
                            const auto j = static_cast<WideCount>(k + 1);
                            const WideCount w = weighted ? j * j : 1;
                            const WideCount share =
                                shares.share[HitRule::predictedBit<0>(values[static_cast<size_t>(k)], range)];
                            plain.expected += w * share;
                            plain.variance += w * w * share * (static_cast<WideCount>(end - first) - share);
                        }
                        const ChanceTotals totals = ChanceBaseline::tally(values.data(), first, end, range, weighted);
                        ASSERT_TRUE(ChanceSums::of(totals, shares) == plain) << code.toStdString();
                        ASSERT_TRUE(kernels.chanceSums(table, *compiled.asColumnSum(), shares) == plain)
                            << code.toStdString() << " " << SumKernels::name(path).toStdString() << " W" << lookBack
                            << (weighted ? " weighted" : "") << (kill ? " kill" : " keep");
                        ++compared;
                    }
                }
            }
        }
    }
    EXPECT_GT(compared, 0);
}
