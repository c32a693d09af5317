// The main window's formula file commands, online formula update and spreadsheet copies.
#include "common/SettingsStore.h"
#include "formula/FormulaFileCodec.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/HistoryTableModel.h"
#include "gui/main/MainWindow.h"
#include "gui/main/MainWindowConnections.h"
#include "gui/support/ScriptedPrompts.h"
#include "gui/support/WaitIdle.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/LocalHttpServer.h"
#include "support/TestEnvironment.h"
#include "support/XlsxReader.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

const QDate kToday(2025, 3, 2);

QString s(const char* text) { return QString::fromUtf8(text); }

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList listed(MainWindow& window)
{
    QStringList texts;
    for (const ScoredFormula& formula : window.listedFormulas())
        texts << formula.record.chinese;
    return texts;
}

// A window over a few days of draws and three kill formulas of Gongshi1D.
struct Bench {
    Bench()
    {
        qputenv("VELMORA_NO_OPEN", "1");
        {
            Database db(env.dataDirectory());
            DrawStore(db, LotteryTable::entry(0))
                .addAll(DemoHistory::generate(LotteryTable::entry(0), 3, 9, kToday.addDays(-1)));
            FormulaStore store(db);
            for (const char* line : {"第一码+第二码=下期杀第一直选", "第三码+3=下期杀第一直选", "和数=下期杀第一直选"})
                store.add(FormulaText::parse(s(line)));
        }
        settings = SettingsStore::open();
        window = std::make_unique<MainWindow>(std::make_unique<Database>(env.dataDirectory()), *settings, prompts,
                                              [] { return kToday; });
        MainWindowConnections::connect(*window, *settings);
        window->show();
        if (!waitIdle(*window))
            qFatal("the window's first refresh did not end");
    }
    // Each command's work (and the refresh after it) has ended when these return.
    void click(const char* name)
    {
        window->findChild<QPushButton*>(QLatin1String(name))->click();
        QVERIFY(waitIdle(*window));
    }
    void trigger(const char* name)
    {
        window->findChild<QAction*>(QLatin1String(name))->trigger();
        QVERIFY(waitIdle(*window));
    }

    TestEnvironment env;
    std::unique_ptr<QSettings> settings;
    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> window;
};

} // namespace

class FormulaFilesTest : public QObject {
    Q_OBJECT

private slots:
    void importReportsOnceAndExportWritesNamedFiles()
    {
        Bench bench;
        const QString path = bench.env.path(s("in.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(FormulaFileCodec::encode(s("第五码=下期杀第一直选　　连准：4期\r\n\r\n第九码=下期杀第一直选\r\n"
                                              "第四码=下期生第一直选\r\n"),
                                            TextEncoding::Gb18030));
        file.close();

        bench.prompts.files = {bench.env.path(s("in.csv"))};
        bench.click("Command10");
        QCOMPARE(bench.prompts.messages.size(), 1); // only .txt files are read
        QCOMPARE(listed(*bench.window).size(), 3);

        bench.prompts.files = {path};
        bench.click("Command10");
        QCOMPARE(bench.prompts.questions.last(), s("读取公式文本"));
        QCOMPARE(listed(*bench.window).last(), s("第五码=下期杀第一直选"));
        QCOMPARE(listed(*bench.window).size(), 4); // the keep formula is stored, not listed under 杀
        QCOMPARE(bench.prompts.messages.size(), 2);
        QVERIFY(bench.prompts.messages.last().startsWith(s("无法识别公式|已导入 2 条公式。")));
        QVERIFY(bench.prompts.messages.last().contains(s("2 行无法识别")));
        QCOMPARE(readFile(bench.env.path(s("无法识别公式.txt"))),
                 FormulaFileCodec::encode(s("\r\n第九码=下期杀第一直选\r\n"), TextEncoding::Gb18030));

        const QString issue = bench.window->entryIssue();
        bench.click("Command11");
        const QString all = bench.env.path(issue + s("期11选5公式.txt"));
        QVERIFY(QFile::exists(all));
        QVERIFY(bench.prompts.messages.last().endsWith(all));
        const DecodedText decoded = FormulaFileCodec::decode(readFile(all), all);
        QCOMPARE(decoded.encoding, TextEncoding::Gb18030);
        QCOMPARE(decoded.lines.size(), 2 + 5 + 10);

        bench.trigger("mnuGsUtf8");
        QVERIFY(bench.window->settings().formulaFilesUtf8());
        bench.click("Command20");
        const QString shown = bench.env.path(issue + s("期11选5第一直选公式.txt"));
        QCOMPARE(FormulaFileCodec::decode(readFile(shown), shown).encoding, TextEncoding::Utf8);
        QCOMPARE(FormulaFileCodec::decode(readFile(shown), shown).lines.size(), 2 + 5 + 1);

        // The same formulas again: a duplicate would vote twice, so none goes in and the count is said.
        QFile again(bench.env.path(s("again.txt")));
        QVERIFY(again.open(QIODevice::WriteOnly));
        again.write(s("第五码=下期杀第一直选\r\n第四码=下期生第一直选\r\n第三码=下期杀第一直选\r\n").toUtf8());
        again.close();
        bench.prompts.files = {again.fileName()};
        bench.click("Command10");
        QCOMPARE(bench.prompts.messages.last(),
                 s("读取公式文本|已导入 1 条公式。\n2 条公式与表中已有的公式相同，已跳过。"));
        QCOMPARE(listed(*bench.window).size(), 5);
        QVERIFY(!QFile::exists(bench.env.path(s("无法识别公式.txt")))); // it told of the earlier import
    }

    void spreadsheetsCopyTheGridsAsShown()
    {
        Bench bench;
        bench.window->findChild<QCheckBox*>(s("Check1"))->setChecked(true);
        QVERIFY(waitIdle(*bench.window));
        auto* historyGrid = bench.window->findChild<QTableView*>(s("MSFlexGrid1"));
        const QAbstractItemModel* history = historyGrid->model();
        QCOMPARE(history->columnCount(), 6 + 3);

        bench.prompts.confirmAnswer = false;
        bench.click("cmdDcexl");
        QCOMPARE(bench.prompts.questions.last(), s("查询等待确认"));
        QVERIFY(!QFile::exists(bench.env.path(s("lishi.xlsx"))));

        bench.prompts.confirmAnswer = true;
        bench.trigger("mnuDcls");
        const XlsxReader lishi(bench.env.path(s("lishi.xlsx")));
        QVERIFY(lishi.ok());
        QCOMPARE(lishi.rowCount(), history->rowCount() + 1);
        int green = 0;
        for (int row = 0; row < history->rowCount(); ++row)
            for (int column = 0; column < history->columnCount(); ++column) {
                const QModelIndex index = history->index(row, column);
                const QString shown = index.data().toString();
                const XlsxReader::Cell cell = lishi.cell(row + 1, column);
                QCOMPARE(cell.text.toInt(), shown.toInt()); // "05" is the number 5
                if (column == 0)
                    QCOMPARE(cell.text, shown);
                const bool painted = index.data(Qt::BackgroundRole).isValid();
                QCOMPARE(cell.fill, painted ? s("00FF00") : QString());
                green += painted;
            }
        QVERIFY(green > 0);

        auto* formulaGrid = bench.window->findChild<QTableView*>(s("MSFlexGrid2"));
        formulaGrid->setCurrentIndex(formulaGrid->model()->index(1, 1));
        QTest::mouseClick(formulaGrid->viewport(), Qt::LeftButton, {},
                          formulaGrid->visualRect(formulaGrid->model()->index(1, 1)).center()); // deselect #2
        bench.trigger("mnuExl");
        const XlsxReader gongshi(bench.env.path(s("gongshi.xlsx")));
        QVERIFY(gongshi.ok());
        const QAbstractItemModel* formulas = formulaGrid->model();
        QCOMPARE(gongshi.rowCount(), formulas->rowCount() + 1);
        for (int column = 0; column < formulas->columnCount(); ++column)
            QCOMPARE(gongshi.cell(0, column).text, formulas->headerData(column, Qt::Horizontal).toString());
        for (int row = 0; row < formulas->rowCount(); ++row)
            for (int column = 0; column < formulas->columnCount(); ++column)
                QCOMPARE(gongshi.cell(row + 1, column).text, formulas->index(row, column).data().toString());
        QCOMPARE(gongshi.cell(1, 0).fill, s("0000FF"));
        QVERIFY(gongshi.cell(2, 0).fill != s("0000FF"));
    }

    void onlineUpdateRunsWhileTheWindowWorksAndFallsBackOnTheLastFile()
    {
        LocalHttpServer server;
        const QByteArray file =
            FormulaFileCodec::encode(s("第二码*2=下期杀第一直选\r\n第三码=下期生第二组选\r\n"), TextEncoding::Gb18030);
        server.serve(s("/gs.txt"), file);
        server.hang(s("/silent"));
        Bench bench;
        const auto finished = [&bench](int messages) { return bench.prompts.messages.size() == messages; };

        bench.window->settings().setFormulaUrl(server.url(s("/gs.txt")));
        bench.prompts.confirmAnswer = false;
        bench.click("cmdGsgx");
        QCOMPARE(bench.prompts.questions.last(), s("公式在线更新"));
        QVERIFY(!bench.window->findChild<QProgressDialog*>());

        bench.prompts.confirmAnswer = true;
        bench.click("cmdGsgx");
        QTRY_COMPARE(listed(*bench.window), QStringList{s("第二码*2=下期杀第一直选")});
        QCOMPARE(readFile(bench.env.path(s("Velmora.txt"))), file);
        QVERIFY(bench.prompts.messages.isEmpty());

        // A download that hangs: the window keeps answering, and the download can be cancelled.
        bench.window->settings().setFormulaUrl(server.url(s("/silent")));
        bench.click("cmdGsgx");
        QProgressDialog* progress = nullptr;
        QTRY_VERIFY((progress = bench.window->findChild<QProgressDialog*>()) && progress->isVisible());
        bench.click("Command5"); // invert the selection while it runs
        QVERIFY(!bench.window->selection().isSelected(1));
        bench.click("cmdGsgx");
        QVERIFY(bench.prompts.messages.last().endsWith(s("公式文件正在下载，请稍候。")));
        progress->findChild<QPushButton*>()->click(); // 取消
        QTRY_VERIFY(finished(2));
        QCOMPARE(bench.prompts.messages.last(), s("公式在线更新|下载已取消，公式没有改变。"));
        QCOMPARE(listed(*bench.window), QStringList{s("第二码*2=下期杀第一直选")});

        // A failed download says why and reads the file fetched last time.
        bench.window->settings().setFormulaUrl(server.url(s("/absent")));
        FormulaStore(*bench.window->database()).add(FormulaText::parse(s("第四码=下期杀第一直选")));
        bench.click("cmdGsgx");
        QTRY_VERIFY(finished(3));
        QVERIFY(bench.prompts.messages.last().contains(s("Not Found")));
        QVERIFY(bench.prompts.messages.last().contains(s("Velmora.txt")));
        QTRY_COMPARE(listed(*bench.window), QStringList{s("第二码*2=下期杀第一直选")});
    }

    // VELMORA_SCREENSHOT_DIR=DIR saves the window with the download running.
    void screenshotOfTheDownload()
    {
        const QString dir = qEnvironmentVariable("VELMORA_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("VELMORA_SCREENSHOT_DIR not set");
        LocalHttpServer server;
        server.hang(s("/silent"));
        Bench bench;
        bench.window->resize(1400, 800);
        bench.window->settings().setFormulaUrl(server.url(s("/silent")));
        bench.click("cmdGsgx");
        QProgressDialog* progress = nullptr;
        QTRY_VERIFY((progress = bench.window->findChild<QProgressDialog*>()) && progress->isVisible());
        QTest::qWait(100);
        QVERIFY(bench.window->grab().save(dir + s("/formula-update-window.png")));
        QVERIFY(progress->grab().save(dir + s("/formula-update-progress.png")));
        progress->findChild<QPushButton*>()->click();
        QTRY_VERIFY(!bench.prompts.messages.isEmpty());
    }
};

QTEST_MAIN(FormulaFilesTest)
#include "FormulaFilesTest.moc"
