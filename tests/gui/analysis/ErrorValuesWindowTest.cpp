#include "gui/analysis/ErrorValuesWindow.h"
#include "common/SettingsStore.h"
#include "gui/analysis/FilterDialog.h"
#include "gui/analysis/SortKeysDialog.h"
#include "history/Database.h"
#include "history/SqliteDatabase.h"
#include "support/TestEnvironment.h"

#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QValueAxis>
#include <QtTest>
#include <cmath>

namespace {

// Kill votes: position 1 names 1 (twice) and 3; position 2 names 5; position 3 nothing.
CalculationResult threePositions(bool bestMethod)
{
    CalculationResult result;
    result.leadingPositions = 3;
    result.kill = true;
    result.bestMethod = bestMethod;
    result.keepLimit = bestMethod ? 2 : 1;
    result.tally(1, 1) = {2, 2, 0};
    result.tally(1, 3) = {1, 1, 0};
    result.tally(2, 5) = {1, 1, 0};
    result.used = {{1, QStringLiteral("Gongshi1D"), 1, QStringLiteral("甲"), QStringLiteral("1"), 1.0, 1}};
    return result;
}

QStringList column(QTableWidget* grid, int c)
{
    QStringList texts;
    for (int r = 0; r < grid->rowCount(); ++r)
        texts << grid->item(r, c)->text();
    return texts;
}

} // namespace

class ErrorValuesWindowTest : public QObject {
    Q_OBJECT

private slots:
    void tabsVerdictsAndDetailButton()
    {
        TestEnvironment env;
        Database db(env.dataDirectory());
        ErrorValuesWindow window(db, threePositions(false));
        auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("TabStrip1"));
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("第1"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("第3"));

        auto* list = window.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1_0"));
        QVERIFY(list);
        QCOMPARE(list->rowCount(), 11);
        QCOMPARE(list->horizontalHeaderItem(5)->text(), QStringLiteral("保留/滤杀"));
        QCOMPARE(column(list, 1).first(), QStringLiteral("2"));
        QCOMPARE(column(list, 1).last(), QStringLiteral("1"));
        QCOMPARE(column(list, 5).first(), QStringLiteral("保留"));
        QCOMPARE(column(list, 5).last(), QStringLiteral("滤杀"));
        QCOMPARE(list->item(10, 0)->background().color(), QColor(0, 255, 0));

        // Position 2 keeps 1; position 3 keeps it again, so there it is shaded grey.
        auto* second = window.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1_1"));
        QCOMPARE(second->item(0, 1)->text(), QStringLiteral("1"));
        QVERIFY(second->item(0, 1)->background().color() != QColor(128, 128, 128));
        auto* third = window.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1_2"));
        QCOMPARE(third->item(0, 1)->text(), QStringLiteral("1"));
        QCOMPARE(third->item(0, 1)->background().color(), QColor(128, 128, 128));

        auto* summary = window.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid3_0"));
        QCOMPARE(summary->horizontalHeaderItem(0)->text(), QStringLiteral("杀留次数"));
        QCOMPARE(summary->rowCount(), 3);
        QCOMPARE(summary->item(2, 2)->text(), QStringLiteral("01"));
        // Counts 0, 1 and 3 occur at position 1: no line for 2.
        CalculationResult gap = threePositions(false);
        gap.tally(1, 1) = {3, 3, 0};
        ErrorValuesWindow gapWindow(db, gap);
        auto* gapSummary = gapWindow.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid3_0"));
        QCOMPARE(column(gapSummary, 0), (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("3")}));

        // ErrarrLei is left with the last tab's rows: position 3, no votes.
        QCOMPARE(db.sql().scalar(QStringLiteral("SELECT SUM(ETrrcount) FROM ErrarrLei")).toInt(), 0);
        QCOMPARE(db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM ErrarrLei")).toInt(), 11);

        auto* details = window.findChild<QPushButton*>(QStringLiteral("Command2"));
        QCOMPARE(details->text(), QStringLiteral("详细结果列表(&D)"));
        QVERIFY(!details->isHidden());
        window.prepare(threePositions(true));
        QVERIFY(details->isHidden());
        QCOMPARE(tabs->count(), 3);
    }

    void resortingFlipsTheOrder()
    {
        TestEnvironment env;
        Database db(env.dataDirectory());
        ErrorValuesWindow window(db, threePositions(false));
        auto* list = window.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1_0"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The caption says a double click sorts: a single click on a heading does not.
        emit list->horizontalHeader()->sectionClicked(2);
        QCOMPARE(column(list, 1).first(), QStringLiteral("2"));
        emit list->horizontalHeader()->sectionDoubleClicked(2);
        QCOMPARE(column(list, 1).first(), QStringLiteral("1"));
        // The longer headings take a second line and leave the verdict column in view.
        QCOMPARE(list->horizontalHeaderItem(2)->text(), QStringLiteral("杀留Err值\n（公式错误值）"));
        QTest::qWait(0);
        QVERIFY(list->columnViewportPosition(5) + list->columnWidth(5) <= list->viewport()->width());
        emit list->horizontalHeader()->sectionDoubleClicked(2);
        QCOMPARE(column(list, 1).first(), QStringLiteral("2"));
        QCOMPARE(column(list, 0).first(), QStringLiteral("1"));
        if (const QString file = qEnvironmentVariable("VELMORA_SCREENSHOT"); !file.isEmpty())
            QVERIFY(window.grab().save(file));

        CalculationResult keep = threePositions(false);
        keep.kill = false;
        keep.group = true;
        keep.tally(3, 7) = {4, 0, 4};
        window.prepare(keep);
        auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("TabStrip1"));
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->tabText(0), QStringLiteral("第3"));
        list = window.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1_0"));
        QCOMPARE(column(list, 1).first(), QStringLiteral("7"));
        QCOMPARE(column(list, 5).last(), QStringLiteral("滤杀"));
        window.resort(0, 2); // keep formulas stay descending
        QCOMPARE(column(list, 1).first(), QStringLiteral("7"));
    }

    void aVerifiedIssueShowsWhatItDrew()
    {
        TestEnvironment env;
        Database db(env.dataDirectory());
        CalculationResult result = threePositions(false);
        ErrorValuesWindow window(db, result);
        auto* label = window.findChild<QLabel*>(QStringLiteral("LabelVerified"));
        QVERIFY(label->isHidden());

        result.verifiedIssue = QStringLiteral("25030205");
        result.verifiedNumbers = std::array<int, 5>{3, 5, 9, 2, 7};
        window.prepare(result);
        QVERIFY(!label->isHidden());
        QVERIFY(label->text().contains(QStringLiteral("25030205")));
        QVERIFY(label->text().contains(QStringLiteral("03 05 09 02 07")));
        // Each position's list marks the number drawn there, and only that one.
        for (int tab = 0; tab < 3; ++tab) {
            auto* list = window.findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1_%1").arg(tab));
            QStringList marked;
            for (int r = 0; r < list->rowCount(); ++r)
                if (list->item(r, 1)->font().bold())
                    marked << list->item(r, 1)->text();
            QCOMPARE(marked, QStringList{QString::number((*result.verifiedNumbers)[static_cast<size_t>(tab)])});
        }
        if (const QString dir = qEnvironmentVariable("VELMORA_SCREENSHOT_DIR"); !dir.isEmpty()) {
            window.show();
            QVERIFY(window.grab().save(dir + QStringLiteral("/error-values-verified.png")));
        }
    }

    void exportWritesTheShownTab()
    {
        TestEnvironment env;
        qputenv("VELMORA_NO_OPEN", "1");
        Database db(env.dataDirectory());
        ErrorValuesWindow window(db, threePositions(false));
        QString shownError;
        window.setMessageSink([&shownError](const QString&, const QString& text) { shownError = text; });
        window.findChild<QTabWidget*>(QStringLiteral("TabStrip1"))->setCurrentIndex(1);
        const QString path = window.exportCurrentTab();
        QVERIFY2(shownError.isEmpty(), qPrintable(shownError));
        QCOMPARE(path, env.path(QStringLiteral("ErrarrLei.xlsx")));
        QVERIFY(QFile::exists(path));
        QCOMPARE(db.sql().scalar(QStringLiteral("SELECT ETrrcount FROM ErrarrLei WHERE num = 5")).toInt(), 1);

        // No program to show the file: the file stays and the user is told.
        QString title;
        window.setMessageSink([&](const QString& t, const QString& text) {
            title = t;
            shownError = text;
        });
        window.setFileOpener([](const QString&) { return false; });
        QCOMPARE(window.exportCurrentTab(), path);
        QCOMPARE(title, QStringLiteral("列表显示错误"));
        QVERIFY(shownError.contains(QStringLiteral("多参数列表无法显示")));
        QVERIFY(QFile::exists(path));

        // 导出后打开文件 off: nothing is opened, the user is told where the file went.
        window.setOpenExports([] { return false; });
        QCOMPARE(window.exportCurrentTab(), path);
        QCOMPARE(title, QStringLiteral("导出表格"));
        QCOMPARE(shownError, QStringLiteral("已写入 %1").arg(QDir::toNativeSeparators(path)));
    }

    void chartTicksFallOnWholeVotes()
    {
        TestEnvironment env;
        Database db(env.dataDirectory());
        for (int largest : {0, 7, 37}) {
            CalculationResult result = threePositions(false);
            result.tally(1, 4) = {largest, largest, 0};
            ErrorValuesWindow window(db, result);
            auto* chart = window.findChild<QChartView*>(QStringLiteral("VoteBarChart1"));
            QVERIFY(chart);
            const auto axes = chart->chart()->axes(Qt::Vertical);
            QCOMPARE(axes.size(), 1);
            const auto* axis = qobject_cast<QValueAxis*>(axes.first());
            const double step = axis->max() / (axis->tickCount() - 1);
            QCOMPARE(step, std::round(step));
            QVERIFY(axis->max() >= std::max(largest, 2));
            QVERIFY(axis->tickCount() <= 6);
        }
    }

    void filterDialogReportsWhatIsLeft()
    {
        std::vector<FormulaRecord> formulas(3);
        for (int i = 0; i < 3; ++i) {
            formulas[static_cast<size_t>(i)].idx = i + 1;
            formulas[static_cast<size_t>(i)].statistics.rate = 40.0f + 10.0f * static_cast<float>(i);
            formulas[static_cast<size_t>(i)].statistics.longestHitRun = i;
        }
        FilterDialog dialog(formulas, {1, 3});
        QString title;
        QString text;
        dialog.setMessageSink([&](const QString& t, const QString& m) {
            title = t;
            text = m;
        });
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("Text1_0"))->text(), QStringLiteral("40"));
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("Text1_1"))->text(), QStringLiteral("60"));
        dialog.findChild<QLineEdit*>(QStringLiteral("Text1_5"))->setText(QStringLiteral("1"));
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("Command1"));
        QCOMPARE(ok->text(), QStringLiteral("确定(&K)"));
        ok->click();
        QCOMPARE(title, QStringLiteral("公式过滤结果"));
        QCOMPARE(text, QStringLiteral("过滤后公式剩余1条"));
        QCOMPARE(dialog.selection(), std::set<int>{1});
    }

    void sortDialogRemembersTheChoice()
    {
        TestEnvironment env;
        auto store = SettingsStore::open();
        {
            SortKeysDialog dialog(*store, 11);
            dialog.findChild<QComboBox*>(QStringLiteral("Combo1_0"))->setCurrentText(QStringLiteral("最大连对"));
            dialog.findChild<QComboBox*>(QStringLiteral("Combo1_2"))->setCurrentText(QStringLiteral("正确率"));
            dialog.findChild<QSpinBox*>(QStringLiteral("Text1"))->setValue(4);
            dialog.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        const RankingChoice remembered = RankingChoice::load(*store);
        QCOMPARE(remembered.keys.size(), size_t(2));
        QVERIFY(remembered.keys[0] == StatisticKey::LongestHitRun);
        QVERIFY(remembered.keys[1] == StatisticKey::Rate);
        QCOMPARE(remembered.keepLimit, 4);
        SortKeysDialog again(*store, 11);
        QCOMPARE(again.findChild<QComboBox*>(QStringLiteral("Combo1_1"))->currentText(), QStringLiteral("正确率"));
        QCOMPARE(again.choice(), remembered);
    }
};

QTEST_MAIN(ErrorValuesWindowTest)
#include "ErrorValuesWindowTest.moc"
