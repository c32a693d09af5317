// The main window, the search window and the windows they open on a screen of
// 1024 × 700: they open inside it, nothing is cut off, and the grids keep room
// for their rows. Qt's own buttons speak Chinese.
// VELMORA_SCREENSHOT_DIR=DIR saves both windows at 1024 × 700 and 1366 × 768.
#include "analysis/BackTest.h"
#include "common/QtTranslation.h"
#include "common/SettingsStore.h"
#include "formula/DemoFormulas.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "gui/analysis/HistoryListWindow.h"
#include "gui/analysis/TrendWindow.h"
#include "gui/main/FormulaDetailDialog.h"
#include "gui/main/MainWindow.h"
#include "gui/search/SearchWindow.h"
#include "gui/support/ScriptedPrompts.h"
#include "gui/support/WaitIdle.h"
#include "gui/widgets/ScreenFit.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaKind.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryFile>
#include <QtTest>

namespace {

const QDate kToday(2025, 3, 2);

// Every button and group shows whole inside `window` (or inside the part of
// the window its scroll area scrolls), with its caption at full width.
void verifyNothingCut(QWidget* window, QWidget* area)
{
    for (QWidget* w : area->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !(qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w)))
            continue;
        const QRect inArea(w->mapTo(area, QPoint(0, 0)), w->size());
        QVERIFY2(area->rect().contains(inArea), qPrintable(w->objectName()));
        QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(w->objectName()));
    }
}

void saveShot(QWidget* window, const QString& name)
{
    const QString dir = qEnvironmentVariable("VELMORA_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QTest::qWait(100);
    QVERIFY(window->grab().save(QDir(dir).filePath(name)));
}

} // namespace

class SmallScreenTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<QSettings> m_store;
    ScriptedPrompts m_prompts;

    QRect available() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

    // Shown, inside the screen, with `part` whole inside the window and at least `height` tall.
    void verifyFits(QWidget& window, QWidget* part, int height)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(0);
        QVERIFY2(available().contains(window.frameGeometry()), qPrintable(window.objectName()));
        QVERIFY(part && part->isVisible());
        const QRect inWindow(part->mapTo(&window, QPoint(0, 0)), part->size());
        QVERIFY2(window.rect().contains(inWindow), qPrintable(part->objectName()));
        QVERIFY2(part->height() >= height, qPrintable(part->objectName()));
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_store = SettingsStore::open();
        Database db(m_env->dataDirectory());
        DrawStore(db, LotteryTable::entry(0)).addAll(DemoHistory::generate(LotteryTable::entry(0), 3, 7, kToday));
        FormulaStore formulas(db);
        for (const QString& line : DemoFormulas::lines())
            formulas.add(FormulaText::parse(line));
    }
    void cleanup()
    {
        m_store.reset();
        m_env.reset();
    }

    void placementKeepsWindowsInsideTheAvailableArea()
    {
        const QMargins frame(4, 30, 4, 4);
        // A panel at the top of a 1366 × 768 screen leaves 728 pixels.
        const QRect panelled(0, 40, 1366, 728);
        const QRect tall = ScreenFit::place(panelled, QSize(1180, 760), QSize(600, 400), frame);
        QVERIFY(panelled.contains(tall.marginsAdded(frame)));
        QCOMPARE(tall.width(), 1180);
        QCOMPARE(tall.height(), 728 - 34);
        // Room to spare: the wanted size, centred.
        const QRect small = ScreenFit::place(QRect(0, 0, 1920, 1080), QSize(800, 600), QSize(), frame);
        QCOMPARE(small.size(), QSize(800, 600));
        QCOMPARE(small.center().x(), 959);
    }

    void mainWindowFits()
    {
        QCOMPARE(available().size(), QSize(1024, 700));
        MainWindow window(std::make_unique<Database>(m_env->dataDirectory()), *m_store, m_prompts,
                          [] { return kToday; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(waitIdle(window));
        QTest::qWait(0);
        QVERIFY(available().contains(window.frameGeometry()));
        QVERIFY(window.width() > 900);
        verifyNothingCut(&window, &window);
        // The grids keep room for ten rows and more.
        for (const char* name : {"MSFlexGrid1", "MSFlexGrid2"})
            QVERIFY2(window.findChild<QTableView*>(QString::fromLatin1(name))->height() >= 11 * 22, name);
        saveShot(&window, QStringLiteral("main-1024x700.png"));
        window.resize(1366, 768 - 40);
        saveShot(&window, QStringLiteral("main-1366x768.png"));
    }

    void analysisWindowsFit()
    {
        Database db(m_env->dataDirectory());
        const auto history = std::make_shared<const HistorySnapshot>(HistorySnapshot::load(db.sql()));
        BackTestRequest request;
        request.table = QStringLiteral("Gongshi1D");
        request.formulas = FormulaStore(db).list(request.table, true);
        for (const FormulaRecord& formula : request.formulas)
            request.selected.insert(formula.idx);
        QVERIFY(!request.formulas.empty());

        // 历史开奖列表: the list and the chi-square line under the chart.
        HistoryListWindow list(m_env->dataDirectory());
        list.showResult(std::make_shared<const BackTestResult>(*BackTest::run(*history, request)), 1);
        QLabel* chiSquare = nullptr;
        for (QLabel* label : list.findChildren<QLabel*>())
            if (label->text().contains(QStringLiteral("χ²")))
                chiSquare = label;
        verifyFits(list, list.findChild<QTableView*>(QStringLiteral("MSFlexGrid1")), 8 * 22);
        verifyFits(list, chiSquare, 1);
        saveShot(&list, QStringLiteral("history-list-1024x700.png"));

        TrendWindow trend;
        trend.setHistory(history, 11);
        verifyFits(trend, trend.findChild<QTableView*>(), 3 * 22);
        saveShot(&trend, QStringLiteral("trend-1024x700.png"));

        // 查询该公式历史计算式
        FormulaDetailDialog detail(history, request.formulas.front(),
                                   FormulaKind::ofTable(request.table).rule(11, true), ScoringWindow{});
        verifyFits(detail, detail.findChild<QTableView*>(), 8 * 22);
        saveShot(&detail, QStringLiteral("formula-detail-1024x700.png"));
    }

    void qtButtonsSpeakChinese()
    {
        QVERIFY(QtTranslation::install(*QCoreApplication::instance()));
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    }

    void searchWindowFits()
    {
        Database db(m_env->dataDirectory());
        const HistorySnapshot history = HistorySnapshot::load(db.sql());
        SearchWindow window(db, history, LotteryTable::entry(0), ScoringWindow{}, *m_store, m_prompts, 1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(0);
        QVERIFY(available().contains(window.frameGeometry()));
        auto* scroll = window.findChild<QScrollArea*>(QStringLiteral("scrContent"));
        QVERIFY(scroll);
        // Nothing needs a sideways scroll; what does not fit below scrolls there.
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        verifyNothingCut(&window, scroll->widget());
        QVERIFY(window.findChild<QListWidget*>(QStringLiteral("List1"))->height() >= 100);
        saveShot(&window, QStringLiteral("search-1024x700.png"));
        window.resize(1366, 768 - 40);
        saveShot(&window, QStringLiteral("search-1366x768.png"));
    }
};

int main(int argc, char** argv)
{
    // One screen of 1024 × 700, the smallest the windows are made for.
    QTemporaryFile config;
    if (!config.open())
        return 1;
    config.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1024, "height": 700,
                      "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.flush();
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.fileName().toLocal8Bit());
    qputenv("VELMORA_NO_OPEN", "1");
    QApplication app(argc, argv);
    SmallScreenTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SmallScreenTest.moc"
