#include "gui/analysis/TrendWindow.h"
#include "analysis/TrendChart.h"
#include "common/SettingsStore.h"
#include "gui/analysis/OmissionTableModel.h"
#include "gui/analysis/TrendChartView.h"
#include "gui/main/MainWindow.h"
#include "gui/main/MainWindowConnections.h"
#include "gui/support/ScriptedPrompts.h"
#include "gui/support/WaitIdle.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "history/IssueNumbers.h"
#include "support/TestEnvironment.h"
#include "support/XlsxReader.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <numeric>

namespace {

const QDate kLastDay(2025, 3, 1);

std::shared_ptr<const HistorySnapshot> demoHistory(int lottery, int days)
{
    const LotteryTable::Entry entry = LotteryTable::entry(lottery);
    return std::make_shared<const HistorySnapshot>(
        DemoHistory::snapshot(entry, DemoHistory::generate(entry, days, 23, kLastDay)));
}

template <typename T>
T* child(const QObject& owner, const char* name)
{
    return owner.findChild<T*>(QString::fromLatin1(name));
}

// The figures of the omission table as the window shows them, column by column.
std::vector<int> shownRow(const OmissionTableModel& model, int row)
{
    std::vector<int> values;
    for (int c = 0; c < model.columnCount(); ++c)
        values.push_back(model.index(row, c).data().toInt());
    return values;
}

std::vector<int> currentOmissions(const TrendChart& chart)
{
    std::vector<int> values;
    for (const OmissionStats& s : chart.omissionTable())
        values.push_back(s.current);
    return values;
}

} // namespace

class TrendWindowTest : public QObject {
    Q_OBJECT

private slots:
    void choicesRebuildTheChartAndTheTable()
    {
        const auto history = demoHistory(0, 4);
        TrendWindow window;
        window.setHistory(history, 11);
        window.show();
        const OmissionTableModel& model = *window.omissionModel();
        TrendChartView& view = *window.chartView();

        // Every draw, position 1, one column per number, scrolled to the latest draw.
        QCOMPARE(window.windowTitle(), QStringLiteral("走势图"));
        QCOMPARE(view.chart()->rowCount(), history->size());
        QCOMPARE(model.columnCount(), 11);
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("01"));
        QCOMPARE(model.headerData(OmissionTableModel::Current, Qt::Vertical, Qt::DisplayRole).toString(),
                 QStringLiteral("当前遗漏"));
        QCOMPARE(view.lastVisibleRow(), history->size() - 1);
        const TrendClasses numbers = TrendClasses::of(TrendView::Numbers, 11);
        QCOMPARE(shownRow(model, OmissionTableModel::Current),
                 currentOmissions(TrendChart::build(*history, 1, 0, numbers)));
        // The number of the latest draw has no omission.
        QCOMPARE(model.index(OmissionTableModel::Current, history->number(history->size() - 1, 1) - 1).data().toInt(),
                 0);

        child<QRadioButton>(window, "optTrendPos4")->setChecked(true);
        auto* range = child<QComboBox>(window, "cboTrendWindow");
        QCOMPARE(range->currentText(), QStringLiteral("全部"));
        range->setCurrentIndex(range->findText(QStringLiteral("最近100期")));
        QCOMPARE(window.chosenWindow(), 100);
        QCOMPARE(view.chart()->rowCount(), 100);
        QCOMPARE(view.chart()->issue(99), history->issue(history->size() - 1));
        QCOMPARE(shownRow(model, OmissionTableModel::Current),
                 currentOmissions(TrendChart::build(*history, 4, 100, numbers)));
        QVERIFY(child<QLabel>(window, "lblTrendSummary")
                    ->text()
                    .startsWith(QStringLiteral("第四位号码，最近100期：100 期")));
        QVERIFY(child<QLabel>(window, "lblTrendFit")->text().contains(QStringLiteral("这张表与随机开奖相符的程度")));

        // 大小: two columns, the frequencies add up to the draws shown.
        auto* views = child<QComboBox>(window, "cboTrendView");
        views->setCurrentIndex(1);
        QCOMPARE(model.columnCount(), 2);
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("大"));
        const std::vector<int> frequency = shownRow(model, OmissionTableModel::Frequency);
        QCOMPARE(frequency[0] + frequency[1], 100);
        QVERIFY(child<QLabel>(window, "lblTrendSummary")->text().contains(QStringLiteral("大：06 07 08 09 10 11")));
        // The table's columns stand under the chart's.
        auto* table = child<QTableView>(window, "OmissionTable");
        QCOMPARE(table->columnWidth(0), view.columnWidth());
        QCOMPARE(table->verticalHeader()->width(), view.labelWidth());

        auto* lines = child<QCheckBox>(window, "chkTrendLines");
        QVERIFY(view.linesShown());
        lines->setChecked(false);
        QVERIFY(!view.linesShown());

        // A new history (another lottery) keeps the choices; an empty one shows nothing.
        window.setHistory(demoHistory(26, 2), 12, true);
        QCOMPARE(window.chosenPosition(), 4);
        QCOMPARE(model.columnCount(), 2);
        views->setCurrentIndex(0);
        QCOMPARE(model.columnCount(), 12);

        // Whole-draw views leave the position aside; 任二 marks ten pairs per draw.
        views->setCurrentIndex(static_cast<int>(TrendView::Pairs));
        QVERIFY(!child<QRadioButton>(window, "optTrendPos1")->isEnabled());
        QCOMPARE(model.columnCount(), 66);
        QCOMPARE(view.chart()->hitsPerDraw(), 10);
        const std::vector<int> pairFrequency = shownRow(model, OmissionTableModel::Frequency);
        QCOMPARE(std::accumulate(pairFrequency.begin(), pairFrequency.end(), 0), 10 * view.chart()->rowCount());
        QVERIFY(!window.grab().isNull());
        // The day choices count by the issues' dates: the demo's last day is kLastDay.
        window.setClock([] { return kLastDay; });
        range->setCurrentIndex(range->findText(QStringLiteral("今天")));
        QCOMPARE(view.chart()->rowCount(), LotteryTable::entry(26).drawsPerDay);
        range->setCurrentIndex(range->findText(QStringLiteral("最近3天")));
        QCOMPARE(view.chart()->rowCount(), 2 * LotteryTable::entry(26).drawsPerDay);
        window.setClock([] { return kLastDay.addDays(2); });
        range->setCurrentIndex(range->findText(QStringLiteral("昨天")));
        QCOMPARE(view.chart()->rowCount(), 0);
        QVERIFY(child<QLabel>(window, "lblTrendSummary")->text().contains(QStringLiteral("所选范围内没有开奖号码")));
        views->setCurrentIndex(0);
        range->setCurrentIndex(range->findText(QStringLiteral("全部")));
        window.setHistory(std::make_shared<const HistorySnapshot>(), 11);
        QCOMPARE(view.chart()->rowCount(), 0);
        QCOMPARE(model.index(OmissionTableModel::Current, 0).data().toInt(), 0);
        QCOMPARE(child<QLabel>(window, "lblTrendSummary")->text(), QStringLiteral("没有历史开奖号码。"));
        QVERIFY(!window.grab().isNull()); // paints with no rows
        // A history with a number the range does not hold (twelve numbers read as eleven) is named, not drawn.
        window.setHistory(demoHistory(26, 2), 11);
        QVERIFY(child<QLabel>(window, "lblTrendSummary")->text().startsWith(QStringLiteral("无法绘制走势图")));
        QCOMPARE(view.chart()->rowCount(), 0);
    }

    void scrollsThroughTwentyThousandDraws()
    {
        const auto history = demoHistory(0, 250); // 84 draws a day
        QVERIFY(history->size() > 20000);
        TrendWindow window;
        window.setHistory(history, 11);
        window.resize(760, 820);
        window.show();
        TrendChartView& view = *window.chartView();
        QScrollBar* bar = view.verticalScrollBar();
        QCOMPARE(view.lastVisibleRow(), history->size() - 1);
        const int shown = view.lastVisibleRow() - view.firstVisibleRow() + 1;
        QVERIFY(shown > 10);
        // One step of the wheel moves by a row, and the rows in sight follow any position.
        bar->setValue(bar->maximum() / 2);
        const int middle = view.firstVisibleRow();
        QCOMPARE(middle, bar->value() / view.rowHeight());
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view.firstVisibleRow(), middle + 1);
        QVERIFY(!view.viewport()->grab().isNull());
        // The row under a point of the viewport, below the heading.
        QCOMPARE(view.rowAt(view.headerHeight()), view.firstVisibleRow());
        QCOMPARE(view.rowAt(1), -1);
        QCOMPARE(view.columnAt(view.labelWidth() + view.columnWidth() * 3 + 1), 3);
        bar->setValue(0);
        QCOMPARE(view.firstVisibleRow(), 0);
    }

    void openedFromTheMainWindowFollowsTheHistory()
    {
        TestEnvironment env;
        {
            Database db(env.dataDirectory());
            DrawStore(db, LotteryTable::entry(0)).addAll(DemoHistory::generate(LotteryTable::entry(0), 2, 9, kLastDay));
        }
        auto settings = SettingsStore::open();
        ScriptedPrompts prompts;
        MainWindow main(std::make_unique<Database>(env.dataDirectory()), *settings, prompts,
                        [] { return kLastDay.addDays(1); });
        MainWindowConnections::connect(main, *settings);
        main.show();
        QVERIFY(waitIdle(main));
        auto* button = child<QPushButton>(main, "cmdTrend");
        QVERIFY(button);
        button->click();
        auto* trend = main.findChild<TrendWindow*>();
        QVERIFY(trend);
        QVERIFY(trend->isVisible());
        const int draws = main.history()->size();
        QCOMPARE(trend->chartView()->chart()->rowCount(), draws);

        // The menu entry raises the same window; deleting the last draw shows at once.
        child<QAction>(main, "mnuTrend")->trigger();
        QCOMPARE(main.findChildren<TrendWindow*>().size(), qsizetype(1));
        main.workbench().deleteLastDraw();
        QVERIFY(waitIdle(main));
        QCOMPARE(trend->chartView()->chart()->rowCount(), draws - 1);
        // A view only: it stays usable while work runs.
        main.workbench().refresh();
        QVERIFY(!child<QPushButton>(main, "Command12")->isEnabled());
        QVERIFY(button->isEnabled());
        QVERIFY(waitIdle(main));
    }

    void columnsFarFromChanceAreMarkedWithTheReminder()
    {
        // Thirty draws with 01 always first: far above its 30/11.
        const LotteryTable::Entry lottery = LotteryTable::entry(0);
        std::vector<StoredDraw> draws;
        for (int i = 0; i < 30; ++i) {
            auto other = [i](int k) { return 2 + (i + k) % 10; }; // four different numbers of 2..11
            draws.push_back(
                {IssueNumbers::format(kLastDay, i + 1, false), {1, other(0), other(1), other(2), other(3)}});
        }
        TrendWindow window;
        window.setHistory(std::make_shared<const HistorySnapshot>(DemoHistory::snapshot(lottery, draws)), 11);
        const OmissionTableModel& model = *window.omissionModel();
        QCOMPARE(model.index(OmissionTableModel::Frequency, 0).data().toInt(), 30);
        QCOMPARE(model.index(OmissionTableModel::MaxRun, 0).data().toInt(), 30);
        QVERIFY(model.index(OmissionTableModel::Frequency, 0).data(Qt::BackgroundRole).isValid());
        QVERIFY(!model.index(OmissionTableModel::Frequency, 1).data(Qt::BackgroundRole).isValid());
        const QString fit = child<QLabel>(window, "lblTrendFit")->text();
        QVERIFY(fit.contains(QStringLiteral("这张表与随机开奖相符的程度")));
        QVERIFY(fit.contains(QStringLiteral("纯随机开奖也常有几列如此")));
    }

    void exportsTheShownChartOffTheWindowThread()
    {
        QTemporaryDir folder;
        TrendWindow window;
        QStringList messages;
        window.setMessageSink([&messages](const QString&, const QString& text) { messages << text; });
        QString opened;
        window.setFileOpener([&opened](const QString& path) {
            opened = path;
            return true;
        });
        window.setHistory(demoHistory(0, 1), 11);
        window.setExportFolder(folder.path());
        child<QComboBox>(window, "cboTrendView")->setCurrentIndex(static_cast<int>(TrendView::Sum));
        QString written;
        bool finished = false;
        window.exportSheet([&](const QString& path) {
            written = path;
            finished = true;
        });
        QTRY_VERIFY(finished);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(u'\n')));
        QCOMPARE(opened, written);
        const XlsxReader sheet(written);
        QVERIFY(sheet.ok());
        const TrendChart& chart = *window.chartView()->chart();
        QCOMPARE(sheet.columnCount(), 1 + 31);
        QCOMPARE(sheet.cell(0, 1).text, QStringLiteral("15"));
        QCOMPARE(sheet.cell(1, 0).text, chart.issue(0));
        QCOMPARE(sheet.cell(1, 1 + chart.drawnColumn(0)).text, chart.classes().labels.at(chart.drawnColumn(0)));
        QCOMPARE(sheet.cell(chart.rowCount() + 4, 0).text, QStringLiteral("出现次数"));

        // Nowhere to write: said, not done.
        window.setExportFolder(QString());
        window.exportSheet();
        QCOMPARE(messages.size(), 1);
    }

    // VELMORA_SCREENSHOT_DIR=DIR saves pictures of the window over 20 demo days.
    void screenshot()
    {
        const QString dir = qEnvironmentVariable("VELMORA_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("VELMORA_SCREENSHOT_DIR not set");
        TrendWindow window;
        window.setHistory(demoHistory(0, 20), 11);
        window.resize(760, 820);
        window.show();
        QTest::qWait(100);
        QVERIFY(window.grab().save(dir + QStringLiteral("/trend.png")));
        auto* views = child<QComboBox>(window, "cboTrendView");
        auto* range = child<QComboBox>(window, "cboTrendWindow");
        views->setCurrentIndex(1);
        range->setCurrentIndex(range->findText(QStringLiteral("最近100期")));
        QTest::qWait(50);
        QVERIFY(window.grab().save(dir + QStringLiteral("/trend-big-small.png")));
        // Every other view over the latest 100 draws.
        const char* const names[] = {
            "number", "big-small",    "odd-even",    "prime-composite", "route012",       "distribution",
            "sum",    "sum-tail",     "span",        "ratio-big-small", "ratio-odd-even", "ratio-prime-composite",
            "pairs",  "front2-group", "front3-group"};
        for (int v = 4; v < TrendClasses::kViewCount; ++v) {
            views->setCurrentIndex(v);
            QTest::qWait(50);
            QVERIFY(window.grab().save(dir + QStringLiteral("/trend-%1.png").arg(QString::fromLatin1(names[v]))));
        }
        window.setHistory(demoHistory(26, 20), 12, true);
        views->setCurrentIndex(0);
        child<QRadioButton>(window, "optTrendPos3")->setChecked(true);
        QTest::qWait(50);
        QVERIFY(window.grab().save(dir + QStringLiteral("/trend-kl12.png")));
    }
};

QTEST_MAIN(TrendWindowTest)
#include "TrendWindowTest.moc"
