// The main window's online update, text export and import, as the program wires them.
#include "common/AppSettings.h"
#include "common/SettingsStore.h"
#include "gui/main/MainWindow.h"
#include "gui/main/MainWindowConnections.h"
#include "gui/support/ScriptedPrompts.h"
#include "gui/support/WaitIdle.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/LocalHttpServer.h"
#include "support/ResultsPageHtml.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

namespace {

const QDate kToday(2026, 12, 8);
const LotteryTable::Entry kGuangdong = LotteryTable::entry(0);

} // namespace

class HistoryCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void onlineUpdateExportAndImportFromTheWindow()
    {
        TestEnvironment env;
        qputenv("VELMORA_NO_OPEN", "1");
        {
            Database db(env.dataDirectory());
            DrawStore(db, kGuangdong).addAll(DemoHistory::generate(kGuangdong, 1, 4, kToday.addDays(-1)));
        }
        // The page: yesterday and today, with a repeated number in today's last draw.
        auto draws = DemoHistory::generate(kGuangdong, 2, 8, kToday);
        draws.back().numbers = {1, 1, 2, 3, 4};
        LocalHttpServer server;
        server.serve(QStringLiteral("/gd11x5"), resultsPageOf(draws));

        auto settings = SettingsStore::open();
        ScriptedPrompts prompts;
        MainWindow window(std::make_unique<Database>(env.dataDirectory()), *settings, prompts, [] { return kToday; });
        MainWindowConnections::connect(window, *settings);
        window.show();
        QVERIFY(waitIdle(window));
        QCOMPARE(window.history()->size(), 84);

        // No page address yet: asked for once and kept.
        prompts.answers = {server.url(QStringLiteral("/{code}?n={rows}"))};
        window.findChild<QPushButton*>(QStringLiteral("Command21"))->click();
        QTRY_COMPARE(prompts.messages.size(), qsizetype(1));
        QVERIFY(waitIdle(window));
        QVERIFY2(prompts.messages.last().startsWith(QStringLiteral("在线更新|83 期已更新，1 期跳过\n26120884：")),
                 qPrintable(prompts.messages.last()));
        QCOMPARE(prompts.questions.first(), QStringLiteral("在线更新"));
        QCOMPARE(AppSettings(*settings).historyUrl(), server.url(QStringLiteral("/{code}?n={rows}")));
        QCOMPARE(window.history()->size(), 84 + 83);
        QCOMPARE(window.verifyIssue(), QStringLiteral("26120883"));

        // Text export: named after the latest issue, in the data directory, then opened.
        window.findChild<QPushButton*>(QStringLiteral("cmdLsdcTxt"))->click();
        QVERIFY(waitIdle(window));
        const QString exported = env.path(QStringLiteral("更新至26120883期历史号码.txt"));
        QCOMPARE(window.lastOpenedDocument(), exported);
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), qsizetype(167));

        // Import puts the same draws back into an emptied history.
        DrawStore(*window.database(), kGuangdong).deleteAll();
        prompts.files = {exported};
        window.findChild<QAction*>(QStringLiteral("mnuDrls"))->trigger();
        QVERIFY(waitIdle(window));
        QCOMPARE(prompts.messages.last(), QStringLiteral("导入历史号码|167 期已更新，0 期跳过"));
        QCOMPARE(window.history()->size(), 167);
    }

    // An outdated history: the question says how many draws the update replaces,
    // and 撤销删除 brings them back.
    void replacingAnOutdatedHistoryAsksWithTheCountAndCanBeUndone()
    {
        TestEnvironment env;
        const auto week = DemoHistory::generate(kGuangdong, 7, 9, kToday); // 12-02 .. 12-08
        {
            Database db(env.dataDirectory());
            DrawStore(db, kGuangdong).addAll({week.begin(), week.begin() + 3 * 84}); // 12-02 .. 12-04
        }
        LocalHttpServer server;
        server.serve(QStringLiteral("/page"), ResultsPageLayouts::multiGame({week.begin() + 5 * 84, week.end()}));
        auto settings = SettingsStore::open();
        AppSettings(*settings).setHistoryUrl(server.url(QStringLiteral("/page")));
        AppSettings(*settings).setSearchDays(3); // the first day fetched is 12-05
        ScriptedPrompts prompts;
        MainWindow window(std::make_unique<Database>(env.dataDirectory()), *settings, prompts, [] { return kToday; });
        MainWindowConnections::connect(window, *settings);
        window.show();
        QVERIFY(waitIdle(window));

        window.findChild<QPushButton*>(QStringLiteral("Command21"))->click();
        QTRY_COMPARE(prompts.messages.size(), qsizetype(1));
        QVERIFY(waitIdle(window));
        const int replaced = 3 * 84;
        QVERIFY2(prompts.questionTexts.last().contains(QStringLiteral("替换最早的 %1 期").arg(replaced)),
                 qPrintable(prompts.questionTexts.last()));
        QVERIFY2(prompts.messages.last().contains(QStringLiteral("最早的 %1 期已删除").arg(replaced)),
                 qPrintable(prompts.messages.last()));
        QCOMPARE(window.history()->size(), 2 * 84);

        window.findChild<QAction*>(QStringLiteral("mnuUndoDel"))->trigger();
        QVERIFY(waitIdle(window));
        QCOMPARE(window.history()->size(), 5 * 84);
        QCOMPARE(window.history()->issue(0), QStringLiteral("26120201"));
    }

    void aSlowPageLeavesTheWindowUsableAndCanBeCancelled()
    {
        TestEnvironment env;
        {
            Database db(env.dataDirectory());
            DrawStore(db, kGuangdong).addAll(DemoHistory::generate(kGuangdong, 1, 4, kToday.addDays(-1)));
        }
        LocalHttpServer server;
        server.hang(QStringLiteral("/slow"));
        auto settings = SettingsStore::open();
        ScriptedPrompts prompts;
        MainWindow window(std::make_unique<Database>(env.dataDirectory()), *settings, prompts, [] { return kToday; });
        MainWindowConnections::connect(window, *settings);
        window.show();
        QVERIFY(waitIdle(window));
        prompts.answers = {server.url(QStringLiteral("/slow"))};
        window.findChild<QAction*>(QStringLiteral("mnuLsUrl"))->trigger();

        window.findChild<QPushButton*>(QStringLiteral("Command21"))->click();
        auto* progress = window.findChild<QProgressDialog*>(QStringLiteral("dlgOnlineUpdate"));
        QVERIFY(progress);
        QTRY_VERIFY(progress->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(window.isEnabled());
        // A second start while the first runs only says so.
        window.findChild<QPushButton*>(QStringLiteral("Command21"))->click();
        QVERIFY(prompts.messages.last().startsWith(QStringLiteral("在线更新|正在在线更新")));

        const QString dir = qEnvironmentVariable("VELMORA_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QTest::qWait(100);
            QVERIFY(progress->grab().save(dir + QStringLiteral("/online-update.png")));
        }
        progress->findChild<QPushButton*>()->click();
        QTRY_VERIFY(prompts.messages.last().startsWith(QStringLiteral("在线更新|在线更新已取消")));
        QCOMPARE(window.history()->size(), 84);
    }
};

QTEST_MAIN(HistoryCommandsTest)
#include "HistoryCommandsTest.moc"
