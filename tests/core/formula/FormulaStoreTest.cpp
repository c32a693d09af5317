#include "formula/FormulaStore.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"
#include "formula/FormulaScoring.h"
#include "formula/FormulaText.h"
#include "formula/TableScorer.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

int totalFormulas(const FormulaStore& store)
{
    int total = 0;
    for (const QString& table : FormulaKind::tableNames())
        total += store.count(table);
    return total;
}

} // namespace

TEST(FormulaStore, addsToTheParsedTableAndStoresNothingOnRefusal)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    FormulaStore store(db);

    EXPECT_EQ(store.add(FormulaText::parse(s(" 第一码+1=下期杀第三直选 "))), 1);
    EXPECT_EQ(store.add(FormulaText::parse(s("第二码=下期生第三直选"))), 2);
    EXPECT_EQ(store.add(FormulaText::parse(s("[第三组选杀]和数"))), 1);
    const std::vector<int> idxs =
        store.addAll({FormulaText::parse(s("第四码=下期杀第三直选")), FormulaText::parse(s("第五码=下期杀第一组选"))});
    EXPECT_EQ(idxs, (std::vector<int>{3, 1}));

    const std::vector<FormulaRecord> direct = store.list(QStringLiteral("gongshi3d"));
    ASSERT_EQ(direct.size(), 3u);
    EXPECT_EQ(direct[0].chinese, s("第一码+1=下期杀第三直选"));
    EXPECT_EQ(direct[0].code, s("L1A+1"));
    EXPECT_TRUE(direct[0].kill);
    EXPECT_FALSE(direct[1].kill); // 生
    EXPECT_EQ(store.list(QStringLiteral("Gongshi3D"), false).size(), 1u);
    EXPECT_EQ(store.list(QStringLiteral("Gongshi3G")).front().code, s("L1L"));

    for (const char* bad : {"第一码+个位=下期杀第三直选", "下期杀第三直选", "第一码=下期杀第三三选", ""})
        EXPECT_THROW(store.add(FormulaText::parse(s(bad))), UserError) << bad;
    EXPECT_THROW(
        store.addAll({FormulaText::parse(s("第一码=下期杀第三直选")), FormulaText::parse(s("码码=下期杀第三直选"))}),
        FormulaError);
    EXPECT_EQ(totalFormulas(store), 5);
    EXPECT_THROW(store.list(QStringLiteral("Lishi")), UserError);
}

TEST(FormulaStore, removeRenumbersKillAndKeepAlikeInOneStep)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    FormulaStore store(db);
    for (const char* line :
         {"第一码=下期杀第二直选", "第二码=下期生第二直选", "第三码=下期杀第二直选", "第四码=下期杀第二直选"})
        store.add(FormulaText::parse(s(line)));

    EXPECT_EQ(store.remove(QStringLiteral("Gongshi2D"), {2, 9}), 1);
    std::vector<FormulaRecord> left = store.list(QStringLiteral("Gongshi2D"));
    ASSERT_EQ(left.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(left[static_cast<size_t>(i)].idx, i + 1);
    EXPECT_EQ(left[1].code, s("L3A"));
    EXPECT_EQ(left[2].code, s("L4A"));
    // The next formula follows the renumbered ones.
    EXPECT_EQ(store.add(FormulaText::parse(s("第五码=下期杀第二直选"))), 4);

    store.clearAll();
    EXPECT_EQ(totalFormulas(store), 0);
}

TEST(TableScorer, scoresEachFormulaIntoItsOwnRowAndMarksTheUnevaluable)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    DrawStore(db, lottery).addAll(DemoHistory::generate(lottery, 3, 11, QDate(2026, 3, 1)));
    const HistorySnapshot history = HistorySnapshot::load(db.sql());
    FormulaStore store(db);
    store.add(FormulaText::parse(s("第一码+第二码=下期杀第三组选")));
    store.add(FormulaText::parse(s("第四码*2=下期生第三组选")));
    store.add(FormulaText::parse(s("和数/2=下期杀第三组选")));
    // A row written before its code was checked, with figures from an old run.
    db.sql().exec(s("INSERT INTO Gongshi3G VALUES (4, 'L1A+个位', '第一码+个位=下期杀第三组选', 1, 55.5, 3, 4, 1, 0)"));
    // No value on any draw (division by zero), and a value of 0 on every draw.
    store.add(FormulaText::parse(s("第一码/(第二码-第二码)=下期杀第三组选")));
    store.add(FormulaText::parse(s("第一码-第一码=下期杀第三组选")));

    const ScoringWindow window{100, true, true};
    const std::vector<ScoredFormula> scored = TableScorer::scoreTable(db, history, s("Gongshi3G"), true, 11, window);
    ASSERT_EQ(scored.size(), 5u);
    EXPECT_EQ(scored[0].record.idx, 1);
    EXPECT_EQ(scored[1].record.idx, 3);
    EXPECT_EQ(scored[2].record.idx, 4);
    EXPECT_EQ(scored[3].record.idx, 5);

    const ScoringRule groupKill = FormulaKind(3, true).rule(11, true);
    for (int i = 0; i < 2; ++i) {
        const ScoredFormula& f = scored[static_cast<size_t>(i)];
        ASSERT_TRUE(f.evaluable);
        const CompiledFormula formula = CompiledFormula::compile(f.record.code);
        const FormulaStatistics expected = FormulaScoring::score(history, formula, groupKill, window);
        EXPECT_EQ(f.record.statistics.hitWeight, expected.hitWeight);
        EXPECT_EQ(f.record.statistics.totalWeight, 338350);
        EXPECT_EQ(f.rateText, FormulaScoring::rateCellText(expected));
        EXPECT_DOUBLE_EQ(f.latestValue, formula.evaluateRow(history, history.size() - 1));
        ASSERT_TRUE(f.nextNumber);
        EXPECT_EQ(*f.nextNumber, FormulaScoring::nextNumber(f.latestValue, 11));
    }
    EXPECT_FALSE(scored[2].evaluable);
    EXPECT_FALSE(scored[2].error.isEmpty());
    EXPECT_FALSE(scored[2].nextNumber);
    // An empty value names no number for the coming draw and misses every counted
    // draw; a value of 0 names 0, which a kill formula always gets right.
    EXPECT_TRUE(scored[3].evaluable);
    EXPECT_FALSE(scored[3].nextNumber);
    EXPECT_EQ(scored[3].record.statistics.hitWeight, 0);
    EXPECT_EQ(scored[3].record.statistics.totalWeight, 338350);
    ASSERT_TRUE(scored[4].nextNumber);
    EXPECT_EQ(*scored[4].nextNumber, 0);
    EXPECT_EQ(scored[4].record.statistics.hitWeight, 338350);

    // Stored: each kill formula's own figures; the keep formula untouched; the
    // unevaluable one cleared rather than left stale.
    const std::vector<FormulaRecord> rows = store.list(s("Gongshi3G"));
    EXPECT_FLOAT_EQ(rows[0].statistics.rate, scored[0].record.statistics.rate);
    EXPECT_EQ(rows[0].statistics.longestMissRun, scored[0].record.statistics.longestMissRun);
    EXPECT_FLOAT_EQ(rows[2].statistics.rate, scored[1].record.statistics.rate);
    EXPECT_EQ(rows[2].statistics.lastHitRun, scored[1].record.statistics.lastHitRun);
    EXPECT_EQ(rows[1].statistics.rate, 0.0f);
    EXPECT_TRUE(db.sql().scalar(s("SELECT sglGsRate FROM Gongshi3G WHERE idx = 4")).isNull());
}
