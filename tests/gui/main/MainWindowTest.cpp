// The main window under the offscreen platform: what it shows on opening, its
// captions, the settings menus, and long work that leaves it usable.
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

class MainWindowTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

private slots:
    void init() { start(); }
    void cleanup() { stop(); }

    void firstStartShowsTheDefaults()
    {
        auto window = openWindow();
        QCOMPARE(window->objectName(), QStringLiteral("frmMain"));
        QVERIFY(child<QAction>(*window, "mnu11S50")->isChecked());
        QVERIFY(child<QRadioButton>(*window, "Option6_1")->isChecked());
        QVERIFY(!child<QRadioButton>(*window, "Option6_0")->isChecked());
        QVERIFY(child<QAction>(*window, "mnuYsXs0")->isChecked());
        QVERIFY(child<QAction>(*window, "mnuBuhan")->isChecked());
        QVERIFY(child<QAction>(*window, "mnuZqlJq")->isChecked());
        QVERIFY(child<QAction>(*window, "mnuQs3")->isChecked());
        QCOMPARE(window->settings().searchDays(), 3);
        QCOMPARE(window->currentTable(), QStringLiteral("Gongshi1D"));
        QVERIFY(window->shownKill());
        auto* formulas = child<QTableView>(*window, "MSFlexGrid2");
        QCOMPARE(formulas->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("正确率（加权算法）"));
        QCOMPARE(child<QLineEdit>(*window, "Text1")->text(), QStringLiteral("25030201"));
        QVERIFY(m_prompts.messages.isEmpty());
        for (int i = 0; i < 28; ++i)
            QVERIFY(window->findChild<QAction*>(QStringLiteral("mnu11S5%1").arg(i)));
        // The help buttons find the manual.
        child<QPushButton>(*window, "Command18")->click();
        QVERIFY(window->lastOpenedDocument().endsWith(QStringLiteral("manual.md")));
    }

    // Users and their notes know the controls by these names and words.
    void everyControlAndMenuCarriesItsCaption()
    {
        auto window = openWindow();
        const std::pair<const char*, const char*> captions[] = {
            {"Frame1", "位数选择"},
            {"Frame2", "玩法选择"},
            {"Frame4", "生杀"},
            {"Frame5", "计算/验算选择"},
            {"Frame6", "计算方法"},
            {"optXing1", "第一"},
            {"optXing5", "第五"},
            {"opTDG0", "直选"},
            {"opTDG1", "组选"},
            {"Option2_0", "杀"},
            {"Option2_1", "生"},
            {"Option5_0", "计算下期结果"},
            {"Option5_1", "验证历史结果"},
            {"Option6_0", "最优公式法"},
            {"Option6_1", "计算选中公式"},
            {"Command12", "公式往期位置值结果列表"},
            {"Command11", "所有类公式中文导出"},
            {"Command20", "所选类公式中文导出"},
            {"Command8", "选中所有公式"},
            {"Command2", "清空所有公式"},
            {"Command5", "反选所有公式"},
            {"Command7", "公式过滤设置"},
            {"Command18", "使用说明文档下载(&L)"},
            {"Command139", "幻灯图示说明下载(&P)"},
            {"Command6", "演示说明录像下载(&M)"},
            {"Command22", "公式搜索(&F)"},
            {"Command9", "软件设置(&T)"},
            {"Command10", "读取公式文本(N)"},
            {"cmdGsgx", "公式在线更新（&W)"},
            {"Command1", "添加所输公式(&A)"},
            {"Command23", "计算公式(&C)"},
            {"Command4", "公式参数对照说明(&I)"},
            {"cmdLsdcTxt", "历史号码导出文本文件(&X)"},
            {"Command3", "删除最后历史(&D)"},
            {"Command21", "开奖历史号在线更新(&O)"},
            {"cmdDcexl", "导出列表到Excel"},
            {"Label1", "期号："},
            {"Label12", "手工输入已经开出的历史号码记录下一期:"},
            {"Check1", "历史列表显示公式各期验算结果(时间较长，请耐性等待...)"},
            {"mnuMang", "管理"},
            {"mnuExl", "导出到EXCEL表格(&E)"},
            {"mnuCulate", "查询该公式历史计算式(&U)"},
            {"mnuDelGS", "删除该公式(&D)"},
            {"mnuDelXzGS", "删除选中所有公式(&C)"},
            {"mnuDelLst", "删除最后公式(&E)"},
            {"mnuDelNXzGS", "删除未选中公式(&X)"},
            {"mnuSetup", "设置"},
            {"mnuYsXs0", "历史列表公式验算结果显示在下期(&N)"},
            {"mnuYsXs1", "历史列表公式验算结果显示在当期(&T)"},
            {"mnuQsJs", "检索期数设置(&Q)"},
            {"mnuBuhan", "检索期数前溯不含当前期"},
            {"mnuQs0", "前所有期"},
            {"mnuQs1", "前100期"},
            {"mnuQs4", "前500期"},
            {"mnuQs9", "前3000期"},
            {"mnuZqlJq", "正确率使用期数加权算法(&A)"},
            {"mnuChance", "公式列表显示随机期望和超随机Z(&Z)"},
            {"mnuSetDay", "历史号码更新检索天数设置(&D)"},
            {"mnuDrawsPerDay", "每天期数设置(&T)..."},
            {"mnuCaizhong", "彩种选择"},
            {"mnu11S50", "广东11选5"},
            {"mnu11S524", "黑龙江11选5"},
            {"mnu11S527", "四川快乐12"},
            {"meuHfmr", "恢复默认设置(&R)"},
            {"mnuLsgl", "历史管理"},
            {"mnuDcls", "导出历史号码(&O)"},
            {"mnuDlAll", "删除所有历史(&A）"},
            {"mnuDlzd", "删除到选定期(&D)"},
            {"mnuEszhzd", "删除最后指定数量期历史(&E)"},
        };
        for (const auto& [name, caption] : captions) {
            const QObject* control = window->findChild<QObject*>(QString::fromLatin1(name));
            QVERIFY2(control, name);
            const bool titled = qobject_cast<const QGroupBox*>(control) || qobject_cast<const QMenu*>(control);
            QCOMPARE(control->property(titled ? "title" : "text").toString(), QString::fromUtf8(caption));
        }
        const std::pair<const char*, const char*> toolTips[] = {
            {"MSFlexGrid2", "双击参数列可以以该参数次序排序，单击鼠标右键可以打开此表功能扩展菜单"},
            {"Command21", "从官方服务器更新历史号码"},
            {"Option5_0", "现存历史号码的下一期"},
            {"Option5_1", "验算指定期下期结果"},
        };
        for (const auto& [name, tip] : toolTips)
            QCOMPARE(child<QWidget>(*window, name)->toolTip(), QString::fromUtf8(tip));
        for (const char* name :
             {"MSFlexGrid1", "ProgressBar1", "TabStrip1", "Text1", "Text2", "Text3", "HScroll1", "txtIpt5"})
            QVERIFY2(window->findChild<QWidget*>(QString::fromLatin1(name)), name);
    }

    void opensWithoutADatabaseOrWithABrokenTable()
    {
        {
            MainWindow window(nullptr, *m_store, m_prompts, [] { return kToday; });
            window.show();
            QCOMPARE(child<QTableView>(window, "MSFlexGrid2")->model()->rowCount(), 0);
            child<QLineEdit>(window, "Text2")->setText(QStringLiteral("第一码=下期杀第一直选"));
            child<QPushButton>(window, "Command1")->click();
            QVERIFY(m_prompts.messages.value(0).startsWith(QStringLiteral("数据库错误|")));
        }
        // The shown formula table is gone: the user is told, and the history still loads.
        m_prompts.messages.clear();
        seed(1, {});
        Database(m_env->dataDirectory()).sql().exec(QStringLiteral("DROP TABLE Gongshi1D"));
        auto window = openWindow();
        QVERIFY(!m_prompts.messages.isEmpty());
        QCOMPARE(child<QTableView>(*window, "MSFlexGrid1")->model()->rowCount(), 84);
        QCOMPARE(child<QLineEdit>(*window, "Text1")->text(), QStringLiteral("25030201"));
    }

    void rateCellsAreWholeWhenEveryDrawCountsAndHelpSaysWhereTheManualIs()
    {
        // Sixty days: with every draw weighted, the rate's weights run to eleven digits.
        seed(60, {QStringLiteral("第一码+第二码=下期杀第一直选"), QStringLiteral("第三码*7=下期杀第一直选")});
        auto window = openWindow();
        child<QAction>(*window, "mnuQs0")->trigger(); // 前所有期
        QVERIFY(waitIdle(*window));
        auto* grid = child<QTableView>(*window, "MSFlexGrid2");
        const QFontMetrics metrics(grid->font());
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            const QString rate = grid->model()->index(row, 5).data().toString();
            QVERIFY2(rate.size() > 30, qPrintable(rate));
            QVERIFY(grid->columnWidth(5) > metrics.horizontalAdvance(rate));
        }
        QVERIFY(grid->columnWidth(4) >= grid->horizontalHeader()->sectionSizeHint(4));

        // No program to show the manual: the user is told where it is.
        window->setDocumentOpener([](const QString&) { return false; });
        child<QPushButton>(*window, "Command18")->click();
        QCOMPARE(m_prompts.messages.size(), 1);
        QVERIFY(m_prompts.messages.first().startsWith(QStringLiteral("使用说明|")));
        QVERIFY(m_prompts.messages.first().contains(QDir::toNativeSeparators(window->manualPath())));
    }

    void settingsMenusPersistAcrossRestart()
    {
        {
            auto window = openWindow();
            child<QAction>(*window, "mnuQs5")->trigger();
            child<QAction>(*window, "mnuBuhan")->trigger();
            child<QAction>(*window, "mnuZqlJq")->trigger();
            child<QAction>(*window, "mnuYsXs1")->trigger();
            child<QAction>(*window, "mnu11S526")->trigger();
            child<QRadioButton>(*window, "Option6_0")->setChecked(true);
            m_prompts.answers = {QStringLiteral("1"), QStringLiteral("11"), QStringLiteral("7")};
            child<QAction>(*window, "mnuSetDay")->trigger();
            QCOMPARE(m_prompts.messages.size(), 2); // 1 and 11 refused, asked again
            QCOMPARE(m_prompts.messages.first(),
                     AppSettings::searchDaysErrorTitle() + u'|' + AppSettings::searchDaysErrorMessage());
            QCOMPARE(window->lottery().numberRange, 12);
            QCOMPARE(child<QTableView>(*window, "MSFlexGrid2")->model()->headerData(5, Qt::Horizontal).toString(),
                     QStringLiteral("正确率"));
        }
        m_store = SettingsStore::open();
        auto window = openWindow();
        QVERIFY(child<QAction>(*window, "mnuQs5")->isChecked());
        QVERIFY(!child<QAction>(*window, "mnuQs3")->isChecked());
        QVERIFY(!child<QAction>(*window, "mnuBuhan")->isChecked());
        QVERIFY(!child<QAction>(*window, "mnuZqlJq")->isChecked());
        QVERIFY(child<QAction>(*window, "mnuYsXs1")->isChecked());
        QVERIFY(child<QAction>(*window, "mnu11S526")->isChecked());
        QVERIFY(child<QRadioButton>(*window, "Option6_0")->isChecked());
        QCOMPARE(window->settings().searchDays(), 7);
        QCOMPARE(window->scoringWindow().lookBack, 600);

        // Restoring the defaults saves 6 days and 800 draws, not the first-start values.
        child<QAction>(*window, "meuHfmr")->trigger();
        QVERIFY(child<QAction>(*window, "mnuQs6")->isChecked());
        QVERIFY(child<QAction>(*window, "mnuBuhan")->isChecked());
        QVERIFY(child<QAction>(*window, "mnuYsXs0")->isChecked());
        QCOMPARE(window->settings().searchDays(), 6);
        QVERIFY(child<QAction>(*window, "mnu11S526")->isChecked()); // the lottery is not a default

        // A look-back index off the menu means the default 300 draws, and the menu says so.
        m_store->setValue(QStringLiteral("IniSetting/JSQS"), QStringLiteral("12"));
        window = openWindow();
        QVERIFY(child<QAction>(*window, "mnuQs3")->isChecked());
        QCOMPARE(window->scoringWindow().lookBack, 300);
    }

    // 每天期数 as the lottery really runs: the next issue after the day's real last
    // draw is the next day's first; the stored draws stay as they were.
    void drawsPerDayMenuMovesTheNextIssueAndKeepsTheHistory()
    {
        {
            Database db(m_env->dataDirectory());
            DrawStore(db, LotteryTable::entry(0)).add(QStringLiteral("25030142"), {1, 2, 3, 4, 5});
            DrawStore(db, LotteryTable::entry(0)).add(QStringLiteral("25030150"), {2, 3, 4, 5, 6});
        }
        auto window = openWindow();
        QCOMPARE(child<QLineEdit>(*window, "Text1")->text(), QStringLiteral("25030151"));
        m_prompts.answers = {QStringLiteral("0"), QStringLiteral("１２"), QStringLiteral("42")};
        child<QAction>(*window, "mnuDrawsPerDay")->trigger();
        QVERIFY(waitIdle(*window));
        QCOMPARE(m_prompts.messages.size(), 2); // 0 and full-width digits refused, asked again
        QVERIFY(m_prompts.messages.first().endsWith(AppSettings::drawsPerDayErrorMessage()));
        QVERIFY(m_prompts.asked.first().contains(QStringLiteral("已保存的历史号码不会改写")));
        QCOMPARE(window->settings().drawsPerDay(0), 42);
        QCOMPARE(window->lottery().drawsPerDay, 42);
        // 25030150 stays stored; what follows it is the next day's first draw.
        QCOMPARE(DrawStore(*window->database(), window->lottery()).count(), 2);
        QCOMPARE(child<QLineEdit>(*window, "Text1")->text(), QStringLiteral("25030201"));
        QCOMPARE(LotteryTable::entry(0).drawsPerDay, 84);
    }

    void longWorkLeavesTheWindowUsableAndClosingWhileItRunsIsSafe()
    {
        QStringList lines;
        for (int i = 1; i <= 3000; ++i)
            lines << QStringLiteral("第一码*第二码+第三码*第四码+%1=下期杀第一直选").arg(i);
        seed(40, {});
        {
            Database db(m_env->dataDirectory());
            std::vector<ParsedFormula> parsed;
            for (const QString& line : lines)
                parsed.push_back(FormulaText::parse(line));
            FormulaStore(db).addAll(parsed);
        }
        const auto stored = [this] {
            Database db(m_env->dataDirectory());
            QList<float> rates;
            for (const FormulaRecord& r : FormulaStore(db).list(QStringLiteral("Gongshi1D")))
                rates << r.statistics.rate;
            return rates;
        };
        const QList<float> before = stored();
        // Another writer holds the file, so finished scores wait to be stored and
        // every cancel below surely comes first.
        Database other(m_env->dataDirectory());
        auto hold = std::make_unique<SqliteDatabase::Transaction>(other.sql());

        auto window = std::make_unique<MainWindow>(std::make_unique<Database>(m_env->dataDirectory()), *m_store,
                                                   m_prompts, [] { return kToday; });
        window->show();
        auto* progress = child<QProgressBar>(*window, "ProgressBar1");
        auto* cancel = child<QPushButton>(*window, "cmdCancelWork");
        QVERIFY(window->workbench().busy());
        QVERIFY(cancel->isEnabled());
        QVERIFY(!child<QPushButton>(*window, "Command23")->isEnabled());
        QVERIFY(!child<QLineEdit>(*window, "txtIpt1")->isEnabled());
        // The bar moves while the window answers; the selection buttons stay usable.
        QVERIFY(waitForProgress(*window));
        QVERIFY(progress->maximum() > 0 && progress->value() > 0);
        child<QPushButton>(*window, "Command5")->click();
        cancel->click();
        hold.reset();
        QVERIFY(waitIdle(*window));
        QCOMPARE(stored(), before); // nothing of the stopped scoring was stored
        QCOMPARE(child<QTableView>(*window, "MSFlexGrid1")->model()->rowCount(), 40 * 84);
        QCOMPARE(child<QTableView>(*window, "MSFlexGrid2")->model()->rowCount(), 3000);
        QVERIFY(child<QPushButton>(*window, "Command23")->isEnabled());
        QCOMPARE(progress->maximum(), 1);

        // With VELMORA_SCREENSHOT=FILE, FILE-busy.png shows the window at work.
        if (const QString file = qEnvironmentVariable("VELMORA_SCREENSHOT"); !file.isEmpty()) {
            window->Yansuan();
            QVERIFY(waitForProgress(*window));
            QVERIFY(window->grab().save(QString(file).replace(QStringLiteral(".png"), QStringLiteral("-busy.png"))));
            cancel->click();
            QVERIFY(waitIdle(*window));
            return;
        }

        // Closed while scoring: the window goes at once and the worker stops with it.
        hold = std::make_unique<SqliteDatabase::Transaction>(other.sql());
        window->Yansuan();
        QVERIFY(waitForProgress(*window));
        window->close();
        hold.reset();
        window.reset();
        QCOMPARE(stored(), before);
        QVERIFY(m_prompts.messages.isEmpty());
    }

    // VELMORA_SCREENSHOT=FILE saves a picture of the window over a demo history.
    void screenshot()
    {
        const QString file = qEnvironmentVariable("VELMORA_SCREENSHOT");
        if (file.isEmpty())
            QSKIP("VELMORA_SCREENSHOT not set");
        seed(20, DemoFormulas::lines());
        auto window = openWindow();
        window->resize(1366, 768);
        child<QCheckBox>(*window, "Check1")->setChecked(true);
        QVERIFY(waitIdle(*window));
        QTest::qWait(200);
        QVERIFY(window->grab().save(file));
        // And the detail view of the first formula, beside it.
        auto* grid = child<QTableView>(*window, "MSFlexGrid2");
        rightClick(*window, grid, grid->visualRect(grid->model()->index(0, 1)).center());
        child<QAction>(*window, "mnuCulate")->trigger();
        auto* detail = window->findChild<FormulaDetailDialog*>(QStringLiteral("frmGsCulate"));
        QVERIFY(detail);
        QTest::qWait(200);
        QVERIFY(detail->grab().save(QString(file).replace(QStringLiteral(".png"), QStringLiteral("-detail.png"))));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
