// Selection flags by idx, ranking of the list and the history result columns.
#include "formula/FormulaSelection.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaRanking.h"
#include "history/DrawAttributes.h"
#include "history/HistorySnapshot.h"
#include "history/IssueNumbers.h"

#include <gtest/gtest.h>

TEST(FormulaSelection, ShiftsInvertsAndFiltersByIdx)
{
    FormulaSelection selection;
    // A new selection, like a full rebuild, has every formula selected.
    EXPECT_TRUE(selection.isSelected(1));
    EXPECT_TRUE(selection.isSelected(5));
    EXPECT_FALSE(selection.isSelected(0));
    selection.toggle(2);
    selection.toggle(5);
    // Formula 3 deleted: 4 and 5 become 3 and 4 and keep their state.
    selection.removeAndShift(3);
    EXPECT_EQ(selection.selected({1, 2, 3, 4}), (std::vector<int>{1, 3}));
    EXPECT_EQ(selection.unselected({1, 2, 3, 4}), (std::vector<int>{2, 4}));
    selection.invert({1, 2, 3, 4});
    EXPECT_EQ(selection.selected({1, 2, 3, 4}), (std::vector<int>{2, 4}));
    selection.selectAll({1, 3});
    EXPECT_EQ(selection.unselected({1, 2, 3, 4}), std::vector<int>{});
    selection.invert({1, 2});
    selection.selectEverything();
    EXPECT_EQ(selection.unselected({1, 2, 3, 4}), std::vector<int>{});
}

TEST(FormulaSelection, HasNoCeilingOnIdx)
{
    FormulaSelection selection;
    const int high = 40000;
    EXPECT_TRUE(selection.isSelected(high));
    selection.setSelected(high, false);
    selection.setSelected(high + 2, false);
    EXPECT_FALSE(selection.isSelected(high));
    EXPECT_TRUE(selection.isSelected(high + 1));
    // Deleting a formula far below shifts the high entries with their formulas.
    selection.removeAndShift(7);
    EXPECT_EQ(selection.unselected({high - 1, high, high + 1}), (std::vector<int>{high - 1, high + 1}));
    EXPECT_TRUE(selection.toggle(high + 1));
    EXPECT_TRUE(selection.isSelected(2147483647));
}

TEST(FormulaRanking, SortsAscendingWithTiesInIdxOrderAndIgnoresOtherColumns)
{
    std::vector<ScoredFormula> list(4);
    const int missRuns[] = {3, 1, 3, 0};
    const float rates[] = {50.0f, 90.0f, 10.0f, 70.0f};
    for (int i = 0; i < 4; ++i) {
        list[static_cast<size_t>(i)].record.idx = 4 - i; // listed 4, 3, 2, 1
        list[static_cast<size_t>(i)].record.statistics.longestMissRun = missRuns[i];
        list[static_cast<size_t>(i)].record.statistics.rate = rates[i];
    }
    auto idxs = [&] {
        std::vector<int> r;
        for (const auto& f : list)
            r.push_back(f.record.idx);
        return r;
    };
    FormulaRanking::rank(list, 6);
    EXPECT_EQ(idxs(), (std::vector<int>{1, 3, 2, 4}));
    FormulaRanking::rank(list, 6);
    EXPECT_EQ(idxs(), (std::vector<int>{1, 3, 2, 4}));
    FormulaRanking::rank(list, 5);
    EXPECT_EQ(idxs(), (std::vector<int>{2, 4, 1, 3}));
    FormulaRanking::rank(list, 3);
    EXPECT_EQ(idxs(), (std::vector<int>{2, 4, 1, 3}));
}

TEST(FormulaEvaluator, ResultColumnsShowFoldedValuesAndMarkHitsOfThePreviousPrediction)
{
    HistorySnapshot history;
    const DrawNumbers draws[] = {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {11, 1, 2, 3, 4}, {3, 5, 7, 9, 11}};
    for (int i = 0; i < 4; ++i) {
        const AttributeValues values = DrawAttributes::compute(draws[i], i + 1, 84, QDate(2025, 3, 1), std::nullopt);
        history.append(IssueNumbers::format(QDate(2025, 3, 1), i + 1, false), values);
    }
    FormulaRecord keep;
    keep.idx = 7;
    keep.code = QStringLiteral("L1A+10"); // 11, 16→5, 21→10, 13→2
    keep.kill = false;
    FormulaRecord broken;
    broken.idx = 8;
    broken.code = QStringLiteral("L1A+");
    broken.chinese = QStringLiteral("坏公式");
    const FormulaEvaluator evaluator(history, FormulaKind(1, false), 11, ScoringWindow{0, true, false});
    const auto column = [&evaluator](const FormulaRecord& formula, ResultColumnForm form) {
        return evaluator.evaluate(formula, form).column;
    };

    const FormulaResultColumn next = column(keep, ResultColumnForm::NextDraw);
    EXPECT_EQ(next.header, QStringLiteral("7"));
    // Shown on the following draw: the first draw has none and never hits.
    EXPECT_EQ(next.numbers, (std::vector<std::int8_t>{FormulaResultColumn::kEmpty, 11, 5, 10}));
    EXPECT_EQ(next.hits, (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(column(keep, ResultColumnForm::SameDraw).numbers, (std::vector<std::int8_t>{11, 5, 10, 2}));
    EXPECT_TRUE(column(keep, ResultColumnForm::None).numbers.empty());
    // Half values: the carried value rounds to even (2.5 → 2, 12.5 → 12 → 1); a
    // draw's own value folds like the list's 计算值 (2.5 − 1 = 1.5 → 2 → 3).
    FormulaRecord half = keep;
    half.code = QStringLiteral("L1A+1.5"); // 2.5, 7.5, 12.5, 4.5
    EXPECT_EQ(column(half, ResultColumnForm::NextDraw).numbers,
              (std::vector<std::int8_t>{FormulaResultColumn::kEmpty, 2, 8, 1}));
    EXPECT_EQ(column(half, ResultColumnForm::SameDraw).numbers, (std::vector<std::int8_t>{3, 7, 2, 5}));
    // The broken formula gets an empty column that says why, and no scores.
    const FormulaEvaluation failed = evaluator.evaluate(broken, ResultColumnForm::NextDraw, true);
    EXPECT_EQ(failed.column.numbers, std::vector<std::int8_t>(4, FormulaResultColumn::kEmpty));
    EXPECT_TRUE(failed.column.toolTip.startsWith(QStringLiteral("坏公式")));
    EXPECT_FALSE(failed.scored.evaluable);
    EXPECT_TRUE(failed.values.empty());

    // A formula that names the next first number: keep hits there, kill misses;
    // the statistics are the column's hits over the counted draws.
    FormulaRecord exact;
    exact.code = QStringLiteral("L1A+5"); // 1→6 hits draw 2 (6); 6→11 hits draw 3 (11); 11→16→5 misses draw 4 (3)
    exact.kill = false;
    const FormulaEvaluation hits = evaluator.evaluate(exact, ResultColumnForm::NextDraw, true);
    EXPECT_EQ(hits.column.hits, (std::vector<std::uint8_t>{0, 1, 1, 0}));
    EXPECT_EQ(hits.scored.record.statistics.hitWeight, 2);
    EXPECT_EQ(hits.scored.record.statistics.lastMissRun, 1);
    EXPECT_EQ(hits.values, (std::vector<double>{6, 11, 16, 8}));
    exact.kill = true;
    EXPECT_EQ(column(exact, ResultColumnForm::NextDraw).hits, (std::vector<std::uint8_t>{0, 0, 0, 1}));
}
