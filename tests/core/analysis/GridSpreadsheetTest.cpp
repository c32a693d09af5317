// The spreadsheet copies of the formula grid and the history grid, read back.
#include "analysis/FormulaGridSheet.h"
#include "analysis/HistoryGridSheet.h"
#include "common/UserError.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaSelection.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/TestEnvironment.h"
#include "support/XlsxReader.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

} // namespace

TEST(GridSpreadsheet, formulaGridKeepsTextsAndSelectionColours)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    DrawStore(db, lottery).addAll(DemoHistory::generate(lottery, 2, 3, QDate(2026, 6, 1)));
    FormulaStore(db).addAll({FormulaText::parse(s("第一码+第二码=下期杀第二组选")),
                             FormulaText::parse(s("第三码*3=下期杀第二组选")),
                             FormulaText::parse(s("和数=下期杀第二组选"))});
    db.sql().exec(QStringLiteral("UPDATE Gongshi2G SET gongshi = 'L1A+' WHERE idx = 3")); // damaged by hand
    const HistorySnapshot history = HistorySnapshot::load(db.sql());
    const std::vector<ScoredFormula> rows =
        TableScorer::scoreTable(db, history, QStringLiteral("Gongshi2G"), true, 11, ScoringWindow{});
    FormulaSelection selection; // every formula selected
    selection.setSelected(2, false);
    FormulaGridView view;
    view.kindLabel = s("第二组选");
    view.selection = &selection;
    view.highlight = std::make_pair(s("第二组选"), QString::number(*rows[0].nextNumber));

    const QString path = env.path(FormulaGridSheet::fileName());
    GridSpreadsheet::write(path, FormulaGridSheet(rows, view), QStringLiteral("t"));
    const XlsxReader sheet(path);
    ASSERT_TRUE(sheet.ok());
    EXPECT_EQ(sheet.rowCount(), 4);
    EXPECT_EQ(sheet.columnCount(), 12);
    EXPECT_EQ(sheet.cell(0, 10).text, s("随机期望"));
    EXPECT_EQ(sheet.cell(1, 11).text, FormulaGridSheet::zText(rows[0].record.statistics));
    EXPECT_FALSE(sheet.cell(1, 11).text.isEmpty());
    EXPECT_TRUE(sheet.cell(3, 10).text.isEmpty()); // not evaluable, not measured
    EXPECT_EQ(sheet.cell(0, 5).text, s("正确率（加权算法）"));
    EXPECT_EQ(sheet.cell(0, 9).text, s("最后连对"));
    EXPECT_EQ(sheet.cell(1, 0).text, s("1"));
    EXPECT_EQ(sheet.cell(1, 1).text, s("第一码+第二码=下期杀第二组选"));
    EXPECT_EQ(sheet.cell(1, 2).text, s("第二组选"));
    EXPECT_EQ(sheet.cell(1, 3).text, s("杀"));
    EXPECT_EQ(sheet.cell(1, 5).text, rows[0].rateText);
    EXPECT_EQ(sheet.cell(1, 9).text, QString::number(rows[0].record.statistics.lastHitRun));
    EXPECT_EQ(sheet.cell(3, 5).text, s("无法计算"));
    // 序号 blue when selected; 计算值 only for selected formulas, green where it matches.
    EXPECT_EQ(sheet.cell(1, 0).fill, s("0000FF"));
    EXPECT_EQ(sheet.cell(2, 0).fill, s("F0F0F0"));
    EXPECT_EQ(sheet.cell(1, 4).fill, s("00FF00"));
    EXPECT_EQ(sheet.cell(1, 4).text, QString::number(*rows[0].nextNumber));
    EXPECT_TRUE(sheet.cell(2, 4).text.isEmpty());
    EXPECT_EQ(sheet.cell(2, 4).fill, s("FFFFFF"));
    // Hidden in the list, the chance columns stay out of the copy too.
    view.showChance = false;
    EXPECT_EQ(FormulaGridSheet(rows, view).columnCount(), 10);
}

TEST(GridSpreadsheet, historyGridPaintsExactlyTheHitsGreen)
{
    TestEnvironment env;
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    const HistorySnapshot history =
        DemoHistory::snapshot(lottery, DemoHistory::generate(lottery, 1, 9, QDate(2026, 6, 1)));
    FormulaRecord formula;
    formula.idx = 1;
    formula.code = QStringLiteral("L1A+L2A");
    formula.chinese = s("第一码+第二码=下期杀第一直选");
    const std::vector<FormulaResultColumn> columns =
        FormulaEvaluator(history, FormulaKind(1, false), 11, ScoringWindow{})
            .resultColumns({formula}, ResultColumnForm::NextDraw);
    ASSERT_EQ(columns.size(), 1u);

    const QString path = env.path(HistoryGridSheet::fileName());
    GridSpreadsheet::write(path, HistoryGridSheet(history, columns), QStringLiteral("t"));
    const XlsxReader sheet(path);
    ASSERT_TRUE(sheet.ok());
    EXPECT_EQ(sheet.rowCount(), history.size() + 1);
    EXPECT_EQ(sheet.cell(0, 0).text, s("期号"));
    EXPECT_EQ(sheet.cell(0, 6).text, columns[0].header);
    int hits = 0;
    for (int row = 0; row < history.size(); ++row) {
        EXPECT_EQ(sheet.cell(row + 1, 0).text, history.issue(row));
        EXPECT_EQ(sheet.cell(row + 1, 3).text.toInt(), history.number(row, 3));
        const auto r = static_cast<size_t>(row);
        const bool empty = columns[0].numbers[r] == FormulaResultColumn::kEmpty;
        EXPECT_EQ(sheet.cell(row + 1, 6).text, empty ? QString() : QString::number(columns[0].numbers[r]));
        const bool hit = !empty && columns[0].hits[r];
        EXPECT_EQ(sheet.cell(row + 1, 6).fill, hit ? s("00FF00") : QString()) << row;
        hits += hit;
    }
    EXPECT_GT(hits, 0);
    EXPECT_LT(hits, history.size() - 1);
}

TEST(GridSpreadsheet, aFileThatCannotBeWrittenSaysWhereAndLeavesTheOldOne)
{
    TestEnvironment env;
    const HistorySnapshot history;
    const std::vector<FormulaResultColumn> none;
    const QString missingFolder = env.path(QStringLiteral("no/such/folder/lishi.xlsx"));
    try {
        GridSpreadsheet::write(missingFolder, HistoryGridSheet(history, none), QStringLiteral("导出列表到Excel"));
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const UserError& e) {
        EXPECT_EQ(e.title(), s("导出列表到Excel"));
        EXPECT_TRUE(e.message().contains(missingFolder));
    }
    // A target that is a folder cannot be replaced: the folder stays.
    const QString folder = env.path(QStringLiteral("taken.xlsx"));
    QDir().mkpath(folder + QStringLiteral("/inside"));
    EXPECT_THROW(GridSpreadsheet::write(folder, HistoryGridSheet(history, none), QStringLiteral("t")), UserError);
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/inside")).isDir());
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral(".part")));
}
