#include "gui/analysis/HistoryListWindow.h"
#include "analysis/BackTest.h"
#include "analysis/HistoryList.h"
#include "analysis/RankHistogram.h"
#include "formula/DemoFormulas.h"
#include "formula/FormulaText.h"
#include "gui/analysis/RankChart.h"
#include "history/DemoHistory.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

namespace {

// The demo history and the demo formulas of Gongshi1D with the given flag.
std::shared_ptr<const BackTestResult> demoBackTest(int days, bool kill, HistorySnapshot& history)
{
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    history = DemoHistory::snapshot(lottery, DemoHistory::generate(lottery, days, 9, QDate(2025, 3, 1)));
    BackTestRequest request;
    request.table = QStringLiteral("Gongshi1D");
    request.kill = kill;
    int idx = 0;
    for (const QString& line : DemoFormulas::lines()) {
        const ParsedFormula parsed = FormulaText::parse(line);
        FormulaRecord record;
        record.idx = ++idx;
        record.code = parsed.code;
        record.kill = parsed.target.kill;
        // Every formula of the demo list votes here, whatever its target.
        if (record.kill == kill) {
            request.formulas.push_back(record);
            request.selected.insert(record.idx);
        }
    }
    return std::make_shared<const BackTestResult>(*BackTest::run(history, request));
}

} // namespace

class HistoryListWindowTest : public QObject {
    Q_OBJECT

private slots:
    void listPositionsExportsAndChart()
    {
        TestEnvironment env;
        qputenv("VELMORA_NO_OPEN", "1");
        HistorySnapshot history;
        const auto result = demoBackTest(2, true, history);
        HistoryListWindow window(env.dataDirectory());
        QStringList messages;
        window.setMessageSink([&messages](const QString& title, const QString&) { messages << title; });
        window.showResult(result, 2);
        QCOMPARE(window.windowTitle(), QStringLiteral("历史开奖列表"));
        QVERIFY(window.findChild<QRadioButton*>(QStringLiteral("Option2_1"))->isChecked());

        auto* grid = window.findChild<QTableView*>(QStringLiteral("MSFlexGrid1"));
        QAbstractItemModel* model = grid->model();
        QCOMPARE(model->rowCount(), history.size() - 1);
        QCOMPARE(model->headerData(6, Qt::Horizontal).toString(), QStringLiteral("位码数"));
        QCOMPARE(model->index(0, 1).data().toString(), QString::number(history.number(1, 2)));
        // The actual number's 排列 cell is painted blue.
        const int rank = window.list()->row(0).rank.value();
        QCOMPARE(model->index(0, 6 + rank).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::blue));
        QVERIFY(!model->index(0, 7 + (rank % 11)).data(Qt::ForegroundRole).isValid());

        // Choosing another position changes nothing until Command2.
        window.findChild<QRadioButton*>(QStringLiteral("Option2_3"))->setChecked(true);
        QCOMPARE(window.list()->position(), 2);
        window.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
        QCOMPARE(window.list()->position(), 4);
        QCOMPARE(model->index(5, 1).data().toString(), QString::number(history.number(6, 4)));
        QVERIFY(
            window.findChild<RankChart*>()->summaryText().contains(QStringLiteral("共 %1 期").arg(history.size() - 1)));

        window.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QVERIFY(QFile::exists(env.path(QStringLiteral("Print.xlsx"))));
        emit grid->doubleClicked(model->index(3, 3));
        QVERIFY(QFile::exists(env.path(QStringLiteral("Jieguo.xlsx"))));
        QVERIFY(messages.isEmpty());
        // 导出后打开文件 off: the window says where it wrote instead.
        window.setOpenExports([] { return false; });
        window.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QCOMPARE(messages, QStringList{QStringLiteral("查询结果导出")});
        messages.clear();

        // A file that cannot be written is reported, not passed over.
        HistoryListWindow nowhere(env.path(QStringLiteral("missing-folder")));
        nowhere.setMessageSink([&messages](const QString& title, const QString&) { messages << title; });
        nowhere.showResult(result, 1);
        QVERIFY(nowhere.exportList(QStringLiteral("Print.xlsx")).isEmpty());
        QCOMPARE(messages, QStringList{QStringLiteral("列表显示错误")});
    }

    // The line under the chart: the chi-square, its p-value, and a caution for few rows.
    void significanceLine()
    {
        RankHistogram histogram;
        histogram.counts = {9, 1, 2, 0};
        histogram.rows = 12;
        histogram.uniformity = ChiSquareTest::againstUniform(histogram.counts);
        const QString few = RankChart::significance(histogram);
        QVERIFY(few.contains(QStringLiteral("χ² = 16.67，自由度 3，p = 0.0008")));
        QVERIFY(few.contains(QStringLiteral("明显差别（p < 0.05）")));
        QVERIFY(few.contains(QStringLiteral("只作参考")));
        histogram.counts = {60, 61, 59, 60};
        histogram.uniformity = ChiSquareTest::againstUniform(histogram.counts);
        const QString many = RankChart::significance(histogram);
        QVERIFY(many.contains(QStringLiteral("没有明显差别")));
        QVERIFY(!many.contains(QStringLiteral("只作参考")));
        QCOMPARE(RankChart::pText(3.2e-7), QStringLiteral("3.2e-07"));
        histogram.uniformity.reset();
        QCOMPARE(RankChart::significance(histogram), QStringLiteral("卡方检验：没有可比较的期数。"));
    }

    // The walk-forward box asks for a replay with its settings; the verdict line shows only with text.
    void walkForwardBox()
    {
        TestEnvironment env;
        HistoryListWindow window(env.dataDirectory());
        ReplayChoice defaults;
        defaults.lookBack = 120;
        window.setReplayDefaults(defaults);
        auto* box = window.findChild<QCheckBox*>(QStringLiteral("CheckWalkForward"));
        QCOMPARE(box->text(), QStringLiteral("每一期只用它之前的开奖数据"));
        auto* top = window.findChild<QSpinBox*>(QStringLiteral("SpinTop"));
        QVERIFY(!top->isEnabled());
        box->setChecked(true);
        QVERIFY(top->isEnabled());
        top->setValue(7);
        window.findChild<QComboBox*>(QStringLiteral("ComboRankBy"))->setCurrentIndex(6);
        std::optional<ReplayChoice> asked;
        connect(&window, &HistoryListWindow::replayRequested, this, [&asked](const ReplayChoice& c) { asked = c; });
        window.findChild<QPushButton*>(QStringLiteral("CommandReplay"))->click();
        QVERIFY(asked);
        QVERIFY(asked->walkForward);
        QCOMPARE(asked->lookBack, 120);
        QCOMPARE(asked->top, 7);
        QVERIFY(asked->rankBy == StatisticKey::Z);

        window.show();
        auto* verdict = window.findChild<QLabel*>(QStringLiteral("LabelVerdict"));
        QVERIFY(!verdict->isVisible());
        window.setVerdict(QStringLiteral("方法检验：…"));
        QVERIFY(verdict->isVisible());
        window.setVerdict({});
        QVERIFY(!verdict->isVisible());
    }

    // VELMORA_SCREENSHOT_DIR=DIR saves a picture of the window over 20 demo days.
    void screenshot()
    {
        const QString dir = qEnvironmentVariable("VELMORA_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("VELMORA_SCREENSHOT_DIR not set");
        TestEnvironment env;
        HistorySnapshot history;
        HistoryListWindow window(env.dataDirectory());
        window.showResult(demoBackTest(20, true, history), 1);
        window.resize(1280, 720);
        window.show();
        QTest::qWait(100);
        QVERIFY(window.grab().save(dir + QStringLiteral("/history-list.png")));
        // The count columns at the right end of the list.
        auto* grid = window.findChild<QTableView*>(QStringLiteral("MSFlexGrid1"));
        grid->scrollTo(grid->model()->index(0, grid->model()->columnCount() - 1));
        QTest::qWait(50);
        QVERIFY(grid->grab().save(dir + QStringLiteral("/history-list-counts.png")));
        // The walk-forward box ticked and a verdict under it.
        window.findChild<QCheckBox*>(QStringLiteral("CheckWalkForward"))->setChecked(true);
        window.setVerdict(QStringLiteral("方法检验：全历史回测最少票组命中 194/300（64.7%，随机期望 9.8%，p < 0.001）；"
                                         "逐期回测（每一期只用它之前的开奖数据）最少票组命中 92/300（30.7%，随机期望 "
                                         "19.8%，p < 0.001）。"));
        QTest::qWait(50);
        QVERIFY(window.grab().save(dir + QStringLiteral("/history-list-walk-forward.png")));
    }
};

QTEST_MAIN(HistoryListWindowTest)
#include "HistoryListWindowTest.moc"
