// The list's scoring shares a large table among threads: the scores, the grid's
// columns and the order must not depend on how many there are, and stopping
// the work from the progress report must stop it.
#include "formula/TableScorer.h"
#include "history/AttributeCatalog.h"
#include "history/DemoHistory.h"
#include "history/HistorySnapshot.h"

#include <QDate>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

HistorySnapshot history()
{
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    return DemoHistory::snapshot(lottery, DemoHistory::generate(lottery, 40, 91, QDate(2026, 10, 1)));
}

// Sums the kernels take, other formulas they leave to the plain loop, and one
// that does not compile.
std::vector<FormulaRecord> records(int count)
{
    std::mt19937_64 random(5);
    std::vector<FormulaRecord> list;
    for (int i = 0; i < count; ++i) {
        QString code;
        for (int t = 0; t < 2 + static_cast<int>(random() % 5); ++t)
            code += AttributeCatalog::code(static_cast<int>(random() % 88)) + (i % 3 == 0 ? u'*' : u'+');
        code += QString::number(random() % 11);
        if (i == 17)
            code = QStringLiteral("A01+");
        list.push_back({i + 1, code, code, i % 2 == 0, {}});
    }
    return list;
}

bool same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

} // namespace

TEST(TableScorer, scoresTheSameOnOneThreadAndOnSeveral)
{
    const HistorySnapshot draws = history();
    const std::vector<FormulaRecord> list = records(700);
    const ScoringRule rule = FormulaKind(2, false).rule(11, true);
    for (const ScoringWindow& window : {ScoringWindow{0, true, true}, ScoringWindow{300, false, true}}) {
        const TableScore one = TableScorer::score(draws, list, rule, window, ResultColumnForm::NextDraw, {}, 1);
        const TableScore three = TableScorer::score(draws, list, rule, window, ResultColumnForm::NextDraw, {}, 3);
        ASSERT_EQ(one.formulas.size(), list.size());
        ASSERT_EQ(three.formulas.size(), list.size());
        ASSERT_EQ(one.columns.size(), static_cast<size_t>(FormulaResultColumn::kMaxColumns));
        ASSERT_EQ(three.columns.size(), one.columns.size());
        EXPECT_FALSE(three.formulas[17].evaluable);
        for (size_t i = 0; i < list.size(); ++i) {
            const ScoredFormula& a = one.formulas[i];
            const ScoredFormula& b = three.formulas[i];
            const FormulaStatistics& s = a.record.statistics;
            const FormulaStatistics& t = b.record.statistics;
            ASSERT_EQ(b.record.idx, list[i].idx);
            EXPECT_EQ(a.evaluable, b.evaluable);
            EXPECT_EQ(s.hitWeight, t.hitWeight) << i;
            EXPECT_EQ(s.totalWeight, t.totalWeight);
            EXPECT_EQ(s.longestMissRun, t.longestMissRun);
            EXPECT_EQ(s.lastHitRun, t.lastHitRun);
            EXPECT_TRUE(same(s.expectedRate, t.expectedRate) && same(s.z, t.z)) << i;
            EXPECT_EQ(a.rateText, b.rateText);
            EXPECT_EQ(a.nextNumber, b.nextNumber);
        }
        for (size_t i = 0; i < one.columns.size(); ++i) {
            EXPECT_EQ(one.columns[i].header, three.columns[i].header);
            EXPECT_EQ(one.columns[i].numbers, three.columns[i].numbers);
            EXPECT_EQ(one.columns[i].hits, three.columns[i].hits);
        }
    }
}

TEST(TableScorer, progressRisesToTheTotalAndCanStopTheWork)
{
    const HistorySnapshot draws = history();
    const std::vector<FormulaRecord> list = records(2000);
    const ScoringRule rule = FormulaKind(1, true).rule(11, false);
    const ScoringWindow window{0, true, true};
    std::vector<int> heard;
    TableScorer::score(
        draws, list, rule, window, ResultColumnForm::None,
        [&](int done, int total) {
            EXPECT_EQ(total, 2000);
            heard.push_back(done);
        },
        2);
    ASSERT_GE(heard.size(), 2u);
    EXPECT_EQ(heard.front(), 0);
    EXPECT_EQ(heard.back(), 2000);
    EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));

    int reports = 0;
    EXPECT_THROW(TableScorer::score(
                     draws, list, rule, window, ResultColumnForm::None,
                     [&](int done, int) {
                         ++reports;
                         if (done > 0)
                             throw WorkCancelled();
                     },
                     2),
                 WorkCancelled);
    EXPECT_EQ(reports, 2);
}
