// The main window's formula list: selection, ranking and deletion, the chance
// and result columns, each table's selection, and changes made by another program.
#include "gui/support/MainWindowFixture.h"

#include "common/SettingsStore.h"
#include "formula/DemoFormulas.h"
#include "gui/main/FormulaDetailDialog.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/HitStripWidget.h"
#include "support/CliRunner.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>
#include <algorithm>

class MainWindowListTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

private slots:
    void init() { start(); }
    void cleanup() { stop(); }

    // velmora-cli changes the data while the window is open on it: a deletion by
    // what the window shows is refused, and the window reloads and says so.
    void anotherProgramsChangesAreShownAndStaleDeletionsRefused()
    {
        const LotteryTable::Entry lottery = LotteryTable::entry(0);
        const QString folder = m_env->lotteryFolder(0); // where velmora-cli keeps the file
        {
            Database db(folder, m_env->dataDirectory());
            DrawStore(db, lottery).addAll(DemoHistory::generate(lottery, 1, 7, kToday.addDays(-1)));
            FormulaStore store(db);
            for (const char* line : {"第一码+1=下期杀第一直选", "第一码+2=下期杀第一直选", "第一码+3=下期杀第一直选"})
                store.add(FormulaText::parse(QString::fromUtf8(line)));
        }
        MainWindow window(std::make_unique<Database>(folder, m_env->dataDirectory()), *m_store, m_prompts,
                          [] { return kToday; });
        window.show();
        QVERIFY(waitIdle(window));
        auto* formulas = child<QTableView>(window, "MSFlexGrid2");
        auto* history = child<QTableView>(window, "MSFlexGrid1");
        QCOMPARE(formulas->model()->rowCount(), 3);
        const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), m_env->dataDirectory());

        // 删除该公式 on the third row, after another program deleted the first.
        formulas->setCurrentIndex(formulas->model()->index(2, 1));
        QCOMPARE(cli.run(cliWords({"formula", "delete", "--table", "Gongshi1D", "--idx", "1"})).exitCode, 0);
        child<QAction>(window, "mnuDelGS")->trigger();
        QCOMPARE(m_prompts.messages.last(), QStringLiteral("删除公式|公式列表已被其他程序改动，请刷新后再删除"));
        QVERIFY(waitIdle(window));
        QCOMPARE(FormulaStore(*window.database()).count(QStringLiteral("Gongshi1D")), 2);
        QCOMPARE(columnTexts(formulas, 1).last(), QStringLiteral("第一码+3=下期杀第一直选"));

        // A draw stored elsewhere: grid, next issue and list show it without being asked.
        const int rows = history->model()->rowCount();
        QCOMPARE(cli.run(cliWords({"draw", "add", "25030201", "1", "2", "3", "4", "5"})).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(window.statusBar()->currentMessage(), QStringLiteral("数据已被其他程序更新"), 10000);
        QVERIFY(waitIdle(window));
        QCOMPARE(history->model()->rowCount(), rows + 1);
        QCOMPARE(window.entryIssue(), QStringLiteral("25030202"));
    }

    void selectionRankingAndDeletion()
    {
        seed(3, {QStringLiteral("第一码+第二码=下期杀第一直选"), QStringLiteral("第一码*2=下期杀第一直选"),
                 QStringLiteral("第三码+5=下期杀第一直选"), QStringLiteral("和数=下期杀第一直选"),
                 QStringLiteral("第五码+第四码+1=下期杀第一直选")});
        auto window = openWindow();
        auto* grid = child<QTableView>(*window, "MSFlexGrid2");
        QCOMPARE(columnTexts(grid, 0), QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                                    QStringLiteral("4"), QStringLiteral("5")}));
        for (int row = 0; row < 5; ++row)
            QVERIFY(isBlue(grid, row));

        // A click on the formula text flips its selection; unselected rows have no value.
        clickCell(grid, 1, 1);
        clickCell(grid, 4, 1);
        QVERIFY(!isBlue(grid, 1));
        QVERIFY(grid->model()->index(1, 4).data().toString().isEmpty());
        // A click on a value marks every row predicting the same number.
        clickCell(grid, 0, 4);
        const QString value = grid->model()->index(0, 4).data().toString();
        for (int row = 0; row < 5; ++row) {
            const bool same = grid->model()->index(row, 4).data().toString() == value;
            QCOMPARE(grid->model()->index(row, 4).data(Qt::BackgroundRole).value<QBrush>().color(),
                     same ? QColor(0, 255, 0) : QColor(255, 255, 255));
        }

        // Ranking by 最大连错 is ascending and stable under repetition.
        const QModelIndex missRuns = grid->model()->index(0, 6);
        QMetaObject::invokeMethod(grid, "doubleClicked", Q_ARG(QModelIndex, missRuns));
        QStringList runs = columnTexts(grid, 6);
        QStringList sorted = runs;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
        QCOMPARE(runs, sorted);
        const QStringList order = columnTexts(grid, 0);
        QMetaObject::invokeMethod(grid, "doubleClicked", Q_ARG(QModelIndex, missRuns));
        QCOMPARE(columnTexts(grid, 0), order);
        QMetaObject::invokeMethod(grid, "doubleClicked", Q_ARG(QModelIndex, grid->model()->index(0, 1)));
        QCOMPARE(columnTexts(grid, 0), order); // columns 0-4 keep the order
        // A double click on the heading ranks as one on the column's cells.
        window->AddGongshiZhonglei();
        QVERIFY(waitIdle(*window));
        emit grid->horizontalHeader()->sectionDoubleClicked(6);
        QCOMPARE(columnTexts(grid, 0), order);
        // A rescore keeps the ranking, and the heading shows its column.
        window->Yansuan();
        QVERIFY(waitIdle(*window));
        QCOMPARE(columnTexts(grid, 0), order);
        QVERIFY(grid->horizontalHeader()->isSortIndicatorShown());
        QCOMPARE(grid->horizontalHeader()->sortIndicatorSection(), 6);

        // Deleting formula 3 of 5 renumbers 1..4; the selection moves with its formulas.
        window->AddGongshiZhonglei(); // back to idx order, selection kept
        QVERIFY(waitIdle(*window));
        const QStringList texts = columnTexts(grid, 1);
        // A right click below the last row leaves the menu no formula to delete,
        // whatever row was current before.
        grid->setCurrentIndex(grid->model()->index(0, 0));
        rightClick(*window, grid, QPoint(5, grid->viewport()->height() - 2));
        child<QAction>(*window, "mnuDelGS")->trigger();
        QCOMPARE(grid->model()->rowCount(), 5);
        rightClick(*window, grid, grid->visualRect(grid->model()->index(2, 1)).center());
        child<QAction>(*window, "mnuDelGS")->trigger();
        QVERIFY(waitIdle(*window));
        QCOMPARE(columnTexts(grid, 0),
                 QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}));
        QCOMPARE(columnTexts(grid, 1), QStringList({texts[0], texts[1], texts[3], texts[4]}));
        QCOMPARE(grid->currentIndex().row(), 2); // the list stays where it was
        QCOMPARE(QList<bool>({isBlue(grid, 0), isBlue(grid, 1), isBlue(grid, 2), isBlue(grid, 3)}),
                 QList<bool>({true, false, true, false}));
        QVERIFY(QFile::exists(m_env->path(QStringLiteral("formulaTmp.mdb")))); // compacted

        // Deleting the selected ones asks first; cancelling keeps everything.
        m_prompts.confirmAnswer = false;
        child<QAction>(*window, "mnuDelXzGS")->trigger();
        QCOMPARE(grid->model()->rowCount(), 4);
        m_prompts.confirmAnswer = true;
        child<QAction>(*window, "mnuDelXzGS")->trigger();
        QVERIFY(waitIdle(*window));
        QCOMPARE(m_prompts.questions, QStringList({QStringLiteral("删除公式"), QStringLiteral("删除公式")}));
        QCOMPARE(columnTexts(grid, 1), QStringList({texts[1], texts[4]}));
        QCOMPARE(columnTexts(grid, 0), QStringList({QStringLiteral("1"), QStringLiteral("2")}));
        QVERIFY(isBlue(grid, 0) && isBlue(grid, 1));

        // Invert, then select all; then the last formula goes, then everything.
        child<QPushButton>(*window, "Command5")->click();
        QVERIFY(!isBlue(grid, 0) && !isBlue(grid, 1));
        child<QPushButton>(*window, "Command8")->click();
        QVERIFY(isBlue(grid, 0) && isBlue(grid, 1));
        child<QAction>(*window, "mnuDelLst")->trigger();
        QVERIFY(waitIdle(*window));
        QCOMPARE(columnTexts(grid, 1), QStringList({texts[1]}));
        child<QPushButton>(*window, "Command2")->click();
        QVERIFY(waitIdle(*window));
        QCOMPARE(grid->model()->rowCount(), 0);
        QVERIFY(m_prompts.messages.isEmpty());
    }

    // The chance baseline beside the five statistics, ranked like them, hidden by
    // its setting; the detail view shows the same figures and the hit strip.
    void chanceColumnsRankHideAndAgreeWithTheDetailView()
    {
        seed(3, {QStringLiteral("第一码+第二码=下期杀第一直选"), QStringLiteral("第一码*2=下期杀第一直选"),
                 QStringLiteral("第三码+5=下期杀第一直选"), QStringLiteral("和数=下期杀第一直选")});
        auto window = openWindow();
        auto* grid = child<QTableView>(*window, "MSFlexGrid2");
        QCOMPARE(grid->model()->headerData(10, Qt::Horizontal).toString(), QStringLiteral("随机期望"));
        QCOMPARE(grid->model()->headerData(11, Qt::Horizontal).toString(), QStringLiteral("超随机Z"));
        QVERIFY(!grid->isColumnHidden(11));
        for (const QString& text : columnTexts(grid, 10)) {
            QVERIFY2(text.endsWith(u'%'), qPrintable(text));
            QVERIFY(text.chopped(1).toDouble() > 50.0); // a kill hits about ten times in eleven by chance
        }
        QMetaObject::invokeMethod(grid, "doubleClicked", Q_ARG(QModelIndex, grid->model()->index(0, 11)));
        QList<double> z;
        for (const QString& text : columnTexts(grid, 11))
            z << text.toDouble();
        QVERIFY(std::is_sorted(z.begin(), z.end()));

        // The detail view of a row counts the list's draws and finds the list's figures.
        rightClick(*window, grid, grid->visualRect(grid->model()->index(1, 1)).center());
        const int idx = grid->model()->index(1, 0).data().toInt();
        const auto& listed = window->listedFormulas();
        const auto row =
            std::find_if(listed.begin(), listed.end(), [idx](const ScoredFormula& f) { return f.record.idx == idx; });
        QVERIFY(row != listed.end());
        child<QAction>(*window, "mnuCulate")->trigger();
        auto* detail = window->findChild<FormulaDetailDialog*>(QStringLiteral("frmGsCulate"));
        QVERIFY(detail);
        QCOMPARE(detail->statistics().hitWeight, row->record.statistics.hitWeight);
        QCOMPARE(detail->statistics().z, row->record.statistics.z);
        QCOMPARE(detail->hitStrip().strip().size(), 84 * 3 - 1); // the 300-draw window: all but the first draw
        const QString figures = detail->findChild<QLabel*>(QStringLiteral("lblChance"))->text();
        QVERIFY2(figures.contains(grid->model()->index(1, 11).data().toString()), qPrintable(figures));
        detail->close();

        child<QAction>(*window, "mnuChance")->trigger();
        QVERIFY(grid->isColumnHidden(10) && grid->isColumnHidden(11));
        QVERIFY(!window->settings().showChance());
        m_store = SettingsStore::open();
        window = openWindow();
        QVERIFY(!child<QAction>(*window, "mnuChance")->isChecked());
        QVERIFY(child<QTableView>(*window, "MSFlexGrid2")->isColumnHidden(10));
    }

    void historyResultColumnsFollowTheList()
    {
        seed(2, {QStringLiteral("第一码+第二码=下期杀第一直选"), QStringLiteral("第二码+3=下期生第一直选")});
        auto window = openWindow();
        auto* history = child<QTableView>(*window, "MSFlexGrid1");
        QCOMPARE(history->model()->columnCount(), 6);
        child<QCheckBox>(*window, "Check1")->setChecked(true);
        QVERIFY(waitIdle(*window));
        QCOMPARE(history->model()->columnCount(), 7); // the one kill formula listed
        child<QRadioButton>(*window, "Option2_1")->setChecked(true);
        QVERIFY(waitIdle(*window));
        QVERIFY(!window->shownKill());
        QCOMPARE(child<QTableView>(*window, "MSFlexGrid2")->model()->rowCount(), 1);
        QCOMPARE(history->model()->columnCount(), 7);
        // A keep formula hits where the drawn number equals its prediction: green cells.
        int green = 0;
        for (int row = 0; row < history->model()->rowCount(); ++row)
            if (history->model()->index(row, 6).data(Qt::BackgroundRole).value<QBrush>().color() == QColor(0, 255, 0))
                ++green;
        const auto& listed = window->listedFormulas();
        QVERIFY(listed.front().record.statistics.totalWeight > 0);
        QVERIFY(green > 0 || listed.front().record.statistics.hitWeight == 0);
    }

    void eachTableKeepsItsSelectionForTheSession()
    {
        seed(1, {QStringLiteral("第一码+1=下期杀第一直选"), QStringLiteral("第一码+2=下期杀第一直选"),
                 QStringLiteral("第二码+1=下期杀第二直选"), QStringLiteral("第二码+2=下期杀第二直选")});
        auto window = openWindow();
        auto* grid = child<QTableView>(*window, "MSFlexGrid2");
        clickCell(grid, 0, 1);
        QVERIFY(!isBlue(grid, 0) && isBlue(grid, 1));
        child<QRadioButton>(*window, "optXing2")->setChecked(true);
        QVERIFY(waitIdle(*window));
        QVERIFY(isBlue(grid, 0) && isBlue(grid, 1)); // a table seen for the first time: all selected
        clickCell(grid, 1, 1);
        child<QRadioButton>(*window, "optXing1")->setChecked(true);
        QVERIFY(waitIdle(*window));
        QVERIFY(!isBlue(grid, 0) && isBlue(grid, 1));
        child<QRadioButton>(*window, "optXing2")->setChecked(true);
        QVERIFY(waitIdle(*window));
        QVERIFY(isBlue(grid, 0) && !isBlue(grid, 1));
    }
};

QTEST_MAIN(MainWindowListTest)
#include "MainWindowListTest.moc"
