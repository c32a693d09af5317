// The main window under the offscreen platform, with a real database file and
// real settings, and scripted answers in place of message boxes.
#include "support/TestEnvironment.h"
#include "app/FormulaTableModel.h"
#include "app/MainWindow.h"
#include "app/SettingsStore.h"
#include "app/UserPrompts.h"
#include "formula/DemoFormulas.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>
#include <deque>

namespace {

class ScriptedPrompts : public UserPrompts {
public:
    void inform(const QString& title, const QString& message) override { messages << title + u'|' + message; }
    void warn(const QString& title, const QString& message) override { messages << title + u'|' + message; }
    bool confirm(const QString& title, const QString&) override
    {
        questions << title;
        return confirmAnswer;
    }
    std::optional<QString> askText(const QString&, const QString&, const QString&) override
    {
        if (answers.empty())
            return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QStringList messages;
    QStringList questions;
    bool confirmAnswer = true;
    std::deque<QString> answers;
};

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
        window->show();
        QApplication::setActiveWindow(window.get());
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(window.get());
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
        // Every control a user reaches by name exists with its caption.
        QCOMPARE(child<QPushButton>(*window, "Command23")->text(), QStringLiteral("计算公式(&C)"));
        QCOMPARE(child<QCheckBox>(*window, "Check1")->text(), QStringLiteral("历史列表显示公式各期验算结果(时间较长，请耐性等待...)"));
        for (int i = 0; i < 28; ++i)
            QVERIFY(window->findChild<QAction*>(QStringLiteral("mnu11S5%1").arg(i)));
        // The help buttons find the manual.
        child<QPushButton>(*window, "Command18")->click();
        QVERIFY(window->lastOpenedDocument().endsWith(QStringLiteral("manual.md")));
    }

    void opensWithoutADatabase()
    {
        MainWindow window(nullptr, *m_store, m_prompts, [] { return kToday; });
        window.show();
        QCOMPARE(child<QTableView>(window, "MSFlexGrid2")->model()->rowCount(), 0);
        child<QLineEdit>(window, "Text2")->setText(QStringLiteral("第一码=下期杀第一直选"));
        child<QPushButton>(window, "Command1")->click();
        QVERIFY(m_prompts.messages.value(0).startsWith(QStringLiteral("数据库错误|")));
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
        QCOMPARE(child<QLineEdit>(*window, "Text3")->text(), QStringLiteral("25030201"));
        QCOMPARE(child<QLineEdit>(*window, "Text1")->text(), QStringLiteral("25030202"));
        auto* history = child<QTableView>(*window, "MSFlexGrid1");
        QCOMPARE(history->model()->rowCount(), 1);
        QCOMPARE(history->model()->index(0, 3).data().toString(), QStringLiteral("11"));
        for (int i = 1; i <= 5; ++i)
            QVERIFY(child<QLineEdit>(*window, QString::fromLatin1("txtIpt%1").arg(i).toLatin1().constData())->text().isEmpty());
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
        QVERIFY(m_prompts.messages.last().startsWith(QStringLiteral("无法识别公式|公式文本文件中含有无法识别公式，无法添加到软件")));
        QCOMPARE(FormulaStore(*window->database()).count(QStringLiteral("Gongshi3G")), 1);
    }

    void selectionRankingAndDeletion()
    {
        seed(3, {QStringLiteral("第一码+第二码=下期杀第一直选"), QStringLiteral("第一码*2=下期杀第一直选"),
                 QStringLiteral("第三码+5=下期杀第一直选"), QStringLiteral("和数=下期杀第一直选"),
                 QStringLiteral("第五码+第四码+1=下期杀第一直选")});
        auto window = openWindow();
        auto* grid = child<QTableView>(*window, "MSFlexGrid2");
        QCOMPARE(columnTexts(grid, 0), QStringList({"1", "2", "3", "4", "5"}));
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
        std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
        QCOMPARE(runs, sorted);
        const QStringList order = columnTexts(grid, 0);
        QMetaObject::invokeMethod(grid, "doubleClicked", Q_ARG(QModelIndex, missRuns));
        QCOMPARE(columnTexts(grid, 0), order);
        QMetaObject::invokeMethod(grid, "doubleClicked", Q_ARG(QModelIndex, grid->model()->index(0, 1)));
        QCOMPARE(columnTexts(grid, 0), order); // columns 0-4 keep the order

        // Deleting formula 3 of 5 renumbers 1..4; the selection moves with its formulas.
        window->AddGongshiZhonglei(); // back to idx order, selection kept
        const QStringList texts = columnTexts(grid, 1);
        grid->setCurrentIndex(grid->model()->index(2, 0));
        child<QAction>(*window, "mnuDelGS")->trigger();
        QCOMPARE(columnTexts(grid, 0), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(columnTexts(grid, 1), QStringList({texts[0], texts[1], texts[3], texts[4]}));
        QCOMPARE(QList<bool>({isBlue(grid, 0), isBlue(grid, 1), isBlue(grid, 2), isBlue(grid, 3)}),
                 QList<bool>({true, false, true, false}));
        QVERIFY(QFile::exists(m_env->path(QStringLiteral("formulaTmp.mdb")))); // compacted

        // Deleting the selected ones asks first; cancelling keeps everything.
        m_prompts.confirmAnswer = false;
        child<QAction>(*window, "mnuDelXzGS")->trigger();
        QCOMPARE(grid->model()->rowCount(), 4);
        m_prompts.confirmAnswer = true;
        child<QAction>(*window, "mnuDelXzGS")->trigger();
        QCOMPARE(m_prompts.questions, QStringList({"删除公式", "删除公式"}));
        QCOMPARE(columnTexts(grid, 1), QStringList({texts[1], texts[4]}));
        QCOMPARE(columnTexts(grid, 0), QStringList({"1", "2"}));
        QVERIFY(isBlue(grid, 0) && isBlue(grid, 1));

        // Invert, then select all; then the last formula goes, then everything.
        child<QPushButton>(*window, "Command5")->click();
        QVERIFY(!isBlue(grid, 0) && !isBlue(grid, 1));
        child<QPushButton>(*window, "Command8")->click();
        QVERIFY(isBlue(grid, 0) && isBlue(grid, 1));
        child<QAction>(*window, "mnuDelLst")->trigger();
        QCOMPARE(columnTexts(grid, 1), QStringList({texts[1]}));
        child<QPushButton>(*window, "Command2")->click();
        QCOMPARE(grid->model()->rowCount(), 0);
        QVERIFY(m_prompts.messages.isEmpty());
    }

    void historyResultColumnsFollowTheList()
    {
        seed(2, {QStringLiteral("第一码+第二码=下期杀第一直选"), QStringLiteral("第二码+3=下期生第一直选")});
        auto window = openWindow();
        auto* history = child<QTableView>(*window, "MSFlexGrid1");
        QCOMPARE(history->model()->columnCount(), 6);
        child<QCheckBox>(*window, "Check1")->setChecked(true);
        QCOMPARE(history->model()->columnCount(), 7); // the one kill formula listed
        child<QRadioButton>(*window, "Option2_1")->setChecked(true);
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
            QCOMPARE(m_prompts.messages.first(), AppSettings::searchDaysErrorTitle() + u'|' + AppSettings::searchDaysErrorMessage());
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
        QTest::qWait(200);
        QVERIFY(window->grab().save(file));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
