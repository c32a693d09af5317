// The main window under the offscreen platform, with a real database file and
// real settings, and scripted answers in place of message boxes.
#include "gui/main/MainWindow.h"
#include "common/SettingsStore.h"
#include "formula/DemoFormulas.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "gui/main/FormulaDetailDialog.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/HitStripWidget.h"
#include "gui/support/ScriptedPrompts.h"
#include "gui/support/WaitIdle.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

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

namespace {

const QDate kToday(2025, 3, 2);

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<QSettings> m_store;
    ScriptedPrompts m_prompts;

    std::unique_ptr<MainWindow> openWindow()
    {
        auto window = std::make_unique<MainWindow>(std::make_unique<Database>(m_env->dataDirectory()), *m_store,
                                                   m_prompts, [] { return kToday; });
        // The test screen is small; the grids get the room of a common laptop screen.
        window->resize(1366, 728);
        window->show();
        QApplication::setActiveWindow(window.get());
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(window.get());
        if (!waitIdle(*window))
            qFatal("the window's first refresh did not end");
        return window;
    }
    template <typename T>
    static T* child(QWidget& window, const char* name)
    {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    void seed(int days, const QStringList& formulas)
    {
        Database db(m_env->dataDirectory());
        if (days > 0) {
            DrawStore draws(db, LotteryTable::entry(0));
            draws.addAll(DemoHistory::generate(LotteryTable::entry(0), days, 7, kToday.addDays(-1)));
        }
        FormulaStore store(db);
        for (const QString& line : formulas)
            store.add(FormulaText::parse(line));
    }
    static QStringList columnTexts(QTableView* grid, int column)
    {
        QStringList texts;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            texts << grid->model()->index(row, column).data().toString();
        return texts;
    }
    static void clickCell(QTableView* grid, int row, int column)
    {
        const QModelIndex index = grid->model()->index(row, column);
        QMetaObject::invokeMethod(grid, "clicked", Q_ARG(QModelIndex, index));
    }
    static void rightClick(QWidget& window, QTableView* grid, QPoint at)
    {
        QMetaObject::invokeMethod(grid, "customContextMenuRequested", Q_ARG(QPoint, at));
        child<QMenu>(window, "mnuMang")->hide();
    }
    // Runs the event loop until the window's running work reports how far it is.
    static bool waitForProgress(MainWindow& window)
    {
        QEventLoop loop;
        bool heard = false;
        QObject::connect(&window.workbench(), &Workbench::progressChanged, &loop, [&] {
            heard = true;
            loop.quit();
        });
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        return heard;
    }
    static bool isBlue(QTableView* grid, int row)
    {
        return grid->model()->index(row, 0).data(Qt::BackgroundRole).value<QBrush>().color() == QColor(0, 0, 255);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_store = SettingsStore::open();
        m_prompts = ScriptedPrompts();
        qputenv("VELMORA_NO_OPEN", "1");
    }
    void cleanup()
    {
        m_store.reset();
        m_env.reset();
    }

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

    void typedDrawIsStoredAndTheNextIssueProposed()
    {
        auto window = openWindow();
        auto* first = child<QLineEdit>(*window, "txtIpt1");
        first->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), first);
        // Two digits per box; each second digit moves on, the fifth box saves.
        for (const char* pair : {"03", "05", "11", "07", "09"})
            QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(pair));
        QCOMPARE(DrawStore(*window->database(), window->lottery()).count(), 1);
        QVERIFY(waitIdle(*window));
        QCOMPARE(child<QLineEdit>(*window, "Text3")->text(), QStringLiteral("25030201"));
        QCOMPARE(child<QLineEdit>(*window, "Text1")->text(), QStringLiteral("25030202"));
        auto* history = child<QTableView>(*window, "MSFlexGrid1");
        QCOMPARE(history->model()->rowCount(), 1);
        QCOMPARE(history->model()->index(0, 3).data().toString(), QStringLiteral("11"));
        for (int i = 1; i <= 5; ++i)
            QVERIFY(child<QLineEdit>(*window, QString::fromLatin1("txtIpt%1").arg(i).toLatin1().constData())
                        ->text()
                        .isEmpty());
        QVERIFY(m_prompts.messages.isEmpty());

        // A repeated number is refused with a message and nothing is stored.
        first->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), first);
        for (const char* pair : {"01", "01", "02", "03", "04"})
            QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(pair));
        QCOMPARE(m_prompts.messages.size(), 1);
        QVERIFY(m_prompts.messages.first().startsWith(QStringLiteral("号码输入有误|")));
        QCOMPARE(DrawStore(*window->database(), window->lottery()).count(), 1);
        QCOMPARE(child<QLineEdit>(*window, "Text1")->text(), QStringLiteral("25030202"));
    }

    void entryBoxesRecoverFromARefusedDraw()
    {
        auto window = openWindow();
        QLineEdit* boxes[6] = {child<QLineEdit>(*window, "Text1")};
        for (int i = 1; i <= 5; ++i)
            boxes[i] = child<QLineEdit>(*window, QString::fromLatin1("txtIpt%1").arg(i).toLatin1().constData());
        const auto type = [](const QStringList& pairs) {
            for (const QString& pair : pairs)
                QTest::keyClicks(QApplication::focusWidget(), pair);
        };
        boxes[1]->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), boxes[1]);

        // 01 repeats in box 2: the draw is refused, box 2 gets the focus with its
        // text selected, and every box shows two digits.
        type({QStringLiteral("01"), QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"),
              QStringLiteral("04")});
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(QApplication::focusWidget(), boxes[2]);
        QCOMPARE(boxes[2]->selectedText(), QStringLiteral("01"));
        QCOMPARE(boxes[5]->text(), QStringLiteral("04"));
        // Typing over the selection replaces it, and the box waits for its second digit.
        QTest::keyClicks(boxes[2], QStringLiteral("0"));
        QCOMPARE(boxes[2]->text(), QStringLiteral("0"));
        QCOMPARE(QApplication::focusWidget(), boxes[2]);
        QTest::keyClicks(boxes[2], QStringLiteral("5"));
        QCOMPARE(QApplication::focusWidget(), boxes[3]);
        type({QStringLiteral("06"), QStringLiteral("07"), QStringLiteral("08")});
        QVERIFY(waitIdle(*window));
        QCOMPARE(m_prompts.messages.size(), 1);
        const auto stored = DrawStore(*window->database(), window->lottery()).last();
        QVERIFY(stored.has_value());
        QCOMPARE(stored->numbers, (DrawNumbers{1, 5, 6, 7, 8}));

        // 12 is out of range: box 1 is selected, not emptied; a click on it starts afresh.
        boxes[1]->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), boxes[1]);
        type({QStringLiteral("12"), QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"),
              QStringLiteral("04")});
        QCOMPARE(m_prompts.messages.size(), 2);
        QCOMPARE(QApplication::focusWidget(), boxes[1]);
        QCOMPARE(boxes[1]->selectedText(), QStringLiteral("12"));
        QTest::mouseClick(boxes[1], Qt::LeftButton);
        for (int i = 1; i <= 5; ++i)
            QVERIFY(boxes[i]->text().isEmpty());
        // A box left with one digit shows two.
        QTest::keyClicks(boxes[1], QStringLiteral("3"));
        boxes[2]->setFocus();
        QCOMPARE(boxes[1]->text(), QStringLiteral("03"));

        // A wrong issue puts the user in the issue box.
        const QString proposed = boxes[0]->text();
        boxes[0]->setText(proposed.left(7));
        boxes[1]->setFocus();
        type({QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"), QStringLiteral("04"),
              QStringLiteral("05")});
        QCOMPARE(m_prompts.messages.size(), 3);
        QCOMPARE(QApplication::focusWidget(), boxes[0]);
        QCOMPARE(boxes[0]->selectedText(), proposed.left(7));
        QCOMPARE(DrawStore(*window->database(), window->lottery()).count(), 1);
        // Corrected, the issue is saved with Enter (Tab does the same) and the boxes empty.
        QTest::keyClicks(boxes[0], proposed);
        QTest::keyClick(boxes[0], Qt::Key_Return);
        QVERIFY(waitIdle(*window));
        QCOMPARE(m_prompts.messages.size(), 3);
        QCOMPARE(DrawStore(*window->database(), window->lottery()).count(), 2);
        QVERIFY(boxes[5]->text().isEmpty());

        // A letter is not a number: it is named as such, never read as a 0.
        const QString next = boxes[0]->text();
        QVERIFY(!next.isEmpty());
        for (int i = 1; i <= 4; ++i)
            boxes[i]->setText(QStringLiteral("0%1").arg(i));
        boxes[3]->setText(QStringLiteral("a"));
        boxes[5]->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), boxes[5]);
        type({QStringLiteral("09")});
        QCOMPARE(m_prompts.messages.size(), 4);
        QVERIFY2(m_prompts.messages.last().contains(QStringLiteral("第3个号码不是数字：a")),
                 qPrintable(m_prompts.messages.last()));
        QCOMPARE(QApplication::focusWidget(), boxes[3]);
        QCOMPARE(DrawStore(*window->database(), window->lottery()).count(), 2);

        // Numbers typed for one lottery are gone once another is chosen.
        QTest::keyClicks(boxes[1], QStringLiteral("07"));
        child<QAction>(*window, "mnu11S524")->trigger();
        QVERIFY(waitIdle(*window));
        for (int i = 1; i <= 5; ++i)
            QVERIFY(boxes[i]->text().isEmpty());
    }

    void formulaInputAddsToItsTargetTable()
    {
        seed(2, {});
        auto window = openWindow();
        auto* input = child<QLineEdit>(*window, "Text2");
        auto* add = child<QPushButton>(*window, "Command1");
        add->click();
        QCOMPARE(m_prompts.messages.value(0), QStringLiteral("添加公式失败|请在左边文本框输入需要添加的公式"));
        input->setText(QStringLiteral("第一码+第二码=下期杀第三组选"));
        add->click();
        QVERIFY(waitIdle(*window));
        QVERIFY(child<QRadioButton>(*window, "optXing3")->isChecked());
        QVERIFY(child<QRadioButton>(*window, "opTDG1")->isChecked());
        QCOMPARE(window->currentTable(), QStringLiteral("Gongshi3G"));
        auto* grid = child<QTableView>(*window, "MSFlexGrid2");
        QCOMPARE(grid->model()->rowCount(), 1);
        QCOMPARE(grid->model()->index(0, 2).data().toString(), QStringLiteral("第三组选"));
        QVERIFY(!grid->model()->index(0, 4).data().toString().isEmpty()); // selected, so it has a value
        QVERIFY(input->text().isEmpty());
        input->setText(QStringLiteral("第一码+某某=下期杀第三组选"));
        add->click();
        // The reason, not the import's message about a formula file.
        QVERIFY(m_prompts.messages.last().startsWith(QStringLiteral("无法识别公式|无法识别公式：")));
        QVERIFY(!m_prompts.messages.last().contains(QStringLiteral("公式文本文件")));
        QCOMPARE(FormulaStore(*window->database()).count(QStringLiteral("Gongshi3G")), 1);

        // A keep formula added while kill formulas are shown: the list follows it, and says so.
        input->setText(QStringLiteral("第二码+1=下期生第三组选"));
        add->click();
        QVERIFY(waitIdle(*window));
        QVERIFY(child<QRadioButton>(*window, "Option2_1")->isChecked());
        QCOMPARE(grid->model()->rowCount(), 1);
        QCOMPARE(grid->model()->index(0, 3).data().toString(), QStringLiteral("生"));
        QVERIFY(window->statusBar()->currentMessage().contains(QStringLiteral("列表已切换到“生”")));

        // A formula that divides by zero on every draw says why it never predicts.
        input->setText(QStringLiteral("第一码/0=下期生第三组选"));
        add->click();
        QVERIFY(waitIdle(*window));
        QCOMPARE(grid->model()->rowCount(), 2);
        QVERIFY(grid->model()->index(1, 5).data(Qt::ToolTipRole).toString().contains(QStringLiteral("算不出值")));
        QVERIFY(grid->model()->index(1, 0).data(Qt::ToolTipRole).toString().contains(QStringLiteral("除数为零")));
        QVERIFY(grid->model()->index(0, 5).data(Qt::ToolTipRole).isNull());
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
