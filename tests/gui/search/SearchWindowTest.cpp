// The search window offscreen: manual start, pause, resume, store; a plan to its end.
#include "gui/search/SearchWindow.h"
#include "common/LotteryTable.h"
#include "gui/support/ScriptedPrompts.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "history/SqliteDatabase.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

class SearchWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<Database> m_db;
    HistorySnapshot m_history;
    ScriptedPrompts m_prompts;
    std::unique_ptr<SearchWindow> m_window;

    template <typename T>
    T* child(const char* name) const
    {
        T* widget = m_window->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    void click(const char* name) { child<QPushButton>(name)->click(); }
    int rowsOf(const char* table)
    {
        return m_db->sql().scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table))).toInt();
    }
    void setBounds(const QStringList& texts)
    {
        for (int i = 0; i < texts.size(); ++i)
            child<QLineEdit>(QStringLiteral("Text1_%1").arg(i).toLatin1().constData())->setText(texts[i]);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_store = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                                              QStringLiteral("Velmora"));
        m_db = std::make_unique<Database>(m_env->dataDirectory());
        const LotteryTable::Entry lottery = LotteryTable::entry(0);
        DrawStore(*m_db, lottery).addAll(DemoHistory::generate(lottery, 4, 11, QDate(2026, 11, 30)));
        m_history = HistorySnapshot::load(m_db->sql());
        m_prompts.messages.clear();
        m_window = std::make_unique<SearchWindow>(*m_db, m_history, lottery, ScoringWindow{300, true, true}, *m_store,
                                                  m_prompts, 2024);
        m_window->show();
    }

    void cleanup() { m_window.reset(); }

    void opensWithItsCaptionsAndTheSavedDefaults()
    {
        QCOMPARE(m_window->objectName(), QStringLiteral("frmGSGL"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("公式搜索设置以及搜索结果"));
        const std::pair<const char*, const char*> captions[] = {
            {"Command1", "开始搜索(&F)"},
            {"Command2", "暂停搜索(&E)"},
            {"Command3", "公式追加到数据库(&A)"},
            {"Command4", "公式更新到数据库(&N)"},
            {"Command5", "确定搜索方案开始搜索"},
            {"Command6", "继续"},
            {"Command7", "暂停"},
            {"Command8", "保存当前种类参数设置"},
            {"Command9", "保存设置"},
            {"Command10", "调用设置"},
            {"Command11", "当前公式类在指定范围内检索最优参数设置"},
            {"Command12", "所有公式类在指定范围内检索最优参数设置并保存"},
            {"Command20", "公式中文导出"},
            {"Option4_0", "公式保有数量"},
            {"Option4_1", "公式新增数量"},
            {"Option6_0", "[Xxx类]A+B"},
            {"Option6_1", "A+B=下期杀xx"},
            {"Option5_0", "指定"},
            {"Option5_1", "随机"},
            {"Check1", "自动中止"},
            {"chkAutApd_0", "搜索完毕公式自动追加到数据库"},
            {"chkAutApd_1", "搜索完毕公式自动更新到数据库"},
            {"opTDG0", "直选"},
            {"opTDG1", "组选"},
            {"Option2_0", "杀"},
            {"Option2_1", "生"},
            {"optXing5", "第五"}};
        for (const auto& [name, caption] : captions)
            QCOMPARE(child<QAbstractButton>(name)->text(), QString::fromUtf8(caption));
        QCOMPARE(child<QPushButton>("Command3")->toolTip(),
                 QStringLiteral("保留软件现有公式然后将所有合格公式追加到软件数据库。"));
        QCOMPARE(child<QPushButton>("Command4")->toolTip(),
                 QStringLiteral("删除软件现有公式然后将所有合格公式添加到软件数据库。"));
        QStringList labels;
        for (const QLabel* label : m_window->findChildren<QLabel*>())
            labels << label->text();
        for (const char* caption : {"公式运算元数", "正确率", "最大连错", "最大连对", "最后连错", "最后连对"})
            QVERIFY2(labels.contains(QString::fromUtf8(caption)), caption);
        QStringList frames;
        for (const QGroupBox* box : m_window->findChildren<QGroupBox*>())
            frames << box->title();
        QVERIFY(frames.contains(QStringLiteral("公式参数智能设置")));
        QVERIFY(child<QRadioButton>("Option4_1")->isChecked());
        QCOMPARE(child<QLineEdit>("Text6")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLineEdit>("Text7")->text(), QStringLiteral("20"));
        QCOMPARE(child<QLineEdit>("Text1_0")->text(), QStringLiteral("93.8"));
        QCOMPARE(child<QLineEdit>("Text2")->text(), QStringLiteral("8"));
        QCOMPARE(child<QLineEdit>("Text5_3")->text(), QStringLiteral("80"));
        QCOMPARE(child<QLabel>("Label4_7")->text(), QStringLiteral("第二组选"));
        for (const char* timer : {"Timer1", "Timer2", "Timer3"})
            QVERIFY(!child<QTimer>(timer)->isActive());
    }

    void boundsFollowTheChosenKind()
    {
        const auto shown = [this] {
            QStringList texts;
            for (int i = 0; i < 10; ++i)
                texts << child<QLineEdit>(QStringLiteral("Text1_%1").arg(i).toLatin1().constData())->text();
            return texts;
        };
        const DefaultBounds builtIn = DefaultBounds::builtIn();
        QCOMPARE(shown(), builtIn.bounds(FormulaKind::fromSearchIndex(1), true).texts());
        // A keep search after the switch from kill searches under keep bounds.
        child<QRadioButton>("Option2_1")->setChecked(true);
        QCOMPARE(shown(), builtIn.bounds(FormulaKind::fromSearchIndex(1), false).texts());
        click("Command1");
        click("Command2");
        QCOMPARE(m_window->session().bounds().texts(), builtIn.bounds(FormulaKind::fromSearchIndex(1), false).texts());

        // Play and position choose the kind too; a kind's saved bounds come back with it.
        child<QRadioButton>("opTDG1")->setChecked(true);
        child<QRadioButton>("optXing3")->setChecked(true);
        QCOMPARE(shown(), builtIn.bounds(FormulaKind::fromSearchIndex(8), false).texts());
        child<QLineEdit>("Text1_0")->setText(QStringLiteral("55"));
        click("Command8");
        child<QRadioButton>("Option2_0")->setChecked(true);
        QCOMPARE(shown(), builtIn.bounds(FormulaKind::fromSearchIndex(8), true).texts());
        child<QRadioButton>("Option2_1")->setChecked(true);
        QCOMPARE(shown().first(), QStringLiteral("55"));
        // Group 第一 searches as direct 第一 does.
        child<QRadioButton>("optXing1")->setChecked(true);
        QCOMPARE(shown(), builtIn.bounds(FormulaKind::fromSearchIndex(1), false).texts());
    }

    void manualSearchPausesResumesAndStores()
    {
        // Bounds are typed after the kind is chosen: choosing a kind loads its own.
        child<QRadioButton>("optXing3")->setChecked(true);
        child<QRadioButton>("opTDG1")->setChecked(true);
        setBounds({QStringLiteral("0"), QStringLiteral("100"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("x"), QStringLiteral("32768")});
        child<QLineEdit>("Text6")->setText(QStringLiteral("3.7"));
        click("Command1");
        QVERIFY(child<QTimer>("Timer1")->isActive());
        QCOMPARE(child<QLineEdit>("Text1_8")->text(), QStringLiteral("0"));
        QTRY_VERIFY(m_window->session().found().size() >= 50);
        click("Command2");
        QVERIFY(!child<QTimer>("Timer1")->isActive());
        const auto verified = m_window->session().verifiedCount();
        const auto next = m_window->session().nextIndex();
        QTest::qWait(100);
        QCOMPARE(m_window->session().verifiedCount(), verified);
        QCOMPARE(child<QLineEdit>("Text3")->text(), QString::number(verified));
        QVERIFY(child<QLabel>("lblRate")->text().contains(QStringLiteral("个/秒")));
        // The typed constant 3.7 ends every candidate as its integer part.
        QVERIFY2(child<QLineEdit>("Text11")->text().endsWith(QStringLiteral("+3=下期杀第三组选")),
                 qPrintable(child<QLineEdit>("Text11")->text()));

        // Resuming carries on from the next candidate and keeps the list.
        const size_t before = m_window->session().found().size();
        child<QCheckBox>("Check1")->setChecked(true);
        // A fractional target is reached at the next whole formula, and the search then stops.
        child<QLineEdit>("Text1_15")->setText(QString::number(static_cast<double>(before) + 19.5));
        click("Command1");
        QTRY_VERIFY(!child<QTimer>("Timer1")->isActive());
        QCOMPARE(m_window->session().found().size(), before + 20);
        QVERIFY(m_window->session().nextIndex() > next);
        QCOMPARE(child<QListWidget>("List1")->count(), static_cast<int>(before + 20));
        // Asked again with the target reached, it says why nothing starts.
        click("Command1");
        QVERIFY(!child<QTimer>("Timer1")->isActive());
        QVERIFY2(m_prompts.messages.last().startsWith(QStringLiteral("开始搜索|已找到 %1 个公式").arg(before + 20)),
                 qPrintable(m_prompts.messages.last()));
        QCOMPARE(m_window->session().found().size(), before + 20);

        QSignalSpy stored(m_window.get(), &SearchWindow::formulasStored);
        click("Command3");
        click("Command3");
        QCOMPARE(stored.count(), 2);
        QCOMPARE(m_prompts.messages.last(), QStringLiteral("追加公式|公式追加完毕！"));
        // Stored twice, held once; the manual list stays for another store.
        QCOMPARE(rowsOf("Gongshi3G"), static_cast<int>(before + 20));
        QCOMPARE(child<QLabel>("Label5_8")->text(), QString::number(before + 20));
        QCOMPARE(m_window->session().found().size(), before + 20);

        // "公式更新到数据库" asks first; a no changes nothing. A yes removes only the
        // searched flag's formulas: a keep formula of the same table stays.
        m_db->sql().exec(QStringLiteral("INSERT INTO Gongshi3G (idx, gongshi, gongshiCN, bolKill) VALUES "
                                        "(9999, 'L1A', 'keep', 0)"));
        m_db->sql().exec(QStringLiteral("DELETE FROM Gongshi3G WHERE idx = 1"));
        const int held = rowsOf("Gongshi3G");
        m_prompts.confirmAnswer = false;
        click("Command4");
        QCOMPARE(m_prompts.questions.last(), QStringLiteral("公式更新到数据库"));
        QCOMPARE(rowsOf("Gongshi3G"), held);
        QCOMPARE(stored.count(), 2);
        m_prompts.confirmAnswer = true;
        click("Command4");
        QCOMPARE(stored.count(), 3);
        QCOMPARE(m_prompts.messages.last(), QStringLiteral("替换公式|公式已替换"));
        QCOMPARE(rowsOf("Gongshi3G"), static_cast<int>(before + 20) + 1);
        QCOMPARE(m_db->sql().scalar(QStringLiteral("SELECT gongshiCN FROM Gongshi3G WHERE bolKill = 0")).toString(),
                 QStringLiteral("keep"));
    }

    void planColoursItsKindsAndStoresAtTheEnd()
    {
        for (int k = 1; k <= 10; ++k)
            child<QLineEdit>(QStringLiteral("Text5_%1").arg(k).toLatin1().constData())->setText(QString());
        child<QLineEdit>("Text5_2")->setText(QStringLiteral("3"));
        child<QRadioButton>("Option2_1")->setChecked(true);
        child<QCheckBox>("chkAutApd_1")->setChecked(true);
        // Loose keep bounds for direct 第二, saved as that kind's defaults.
        child<QRadioButton>("optXing2")->setChecked(true);
        setBounds({QStringLiteral("0"), QStringLiteral("100"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768")});
        click("Command8");
        QSignalSpy stored(m_window.get(), &SearchWindow::formulasStored);
        click("Command5");
        QCOMPARE(child<QLabel>("Label4_1")->styleSheet(), QStringLiteral("color: #ff0000;"));
        QTRY_VERIFY(m_window->plan().finished());
        QVERIFY(!child<QTimer>("Timer2")->isActive());
        QCOMPARE(child<QLabel>("Label4_2")->styleSheet(), QStringLiteral("color: #0000ff;"));
        QCOMPARE(child<QLabel>("Label4_10")->styleSheet(), QStringLiteral("color: #0000ff;"));
        QCOMPARE(stored.count(), 1);
        QCOMPARE(rowsOf("Gongshi2D"), 3);
        QCOMPARE(m_db->sql().scalar(QStringLiteral("SELECT COUNT(*) FROM Gongshi2D WHERE bolKill = 0")).toInt(), 3);
        QCOMPARE(child<QListWidget>("List1")->count(), 0);

        // Paused before its first tick, the plan waits; resumed, it runs to the end.
        child<QLineEdit>("Text5_2")->setText(QStringLiteral("400"));
        click("Command5");
        click("Command7");
        QVERIFY(!child<QTimer>("Timer2")->isActive());
        QTest::qWait(60);
        QCOMPARE(m_window->plan().currentKind(), 1);
        QCOMPARE(m_window->session().found().size(), size_t{0});
        click("Command6");
        QTRY_VERIFY(m_window->plan().finished());
        QCOMPARE(rowsOf("Gongshi2D"), 400);
    }

    void holdOutSearchesTheOlderDrawsAndShowsTheHeldOutFigures()
    {
        auto* hold = child<QCheckBox>("chkHoldOut");
        auto* draws = child<QSpinBox>("txtHoldOut");
        QVERIFY(!draws->isEnabled());
        QCOMPARE(draws->value(), 60); // a fifth of the 300-draw window
        setBounds({QStringLiteral("0"), QStringLiteral("100"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768")});
        hold->setChecked(true);
        draws->setValue(40);
        // Tuning already works on the older draws only: the split comes first.
        click("Command11");
        QCOMPARE(m_window->session().heldOut(), 40);
        QTRY_VERIFY(!child<QTimer>("Timer3")->isActive());
        setBounds({QStringLiteral("0"), QStringLiteral("100"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768")});
        click("Command1");
        QTRY_VERIFY(m_window->session().found().size() >= 10);
        click("Command2");
        QCOMPARE(m_window->session().heldOut(), 40);
        QCOMPARE(m_window->session().searched().size(), m_history.size() - 40);
        auto* list = child<QListWidget>("List1");
        QVERIFY2(list->item(0)->text().contains(QStringLiteral("留出")), qPrintable(list->item(0)->text()));
        QVERIFY2(child<QLabel>("lblHoldOut")->text().contains(QStringLiteral("留出 40 期平均正确率")),
                 qPrintable(child<QLabel>("lblHoldOut")->text()));

        // Another split would empty the list: the user is asked first, and a no changes nothing.
        const size_t found = m_window->session().found().size();
        draws->setValue(30);
        m_prompts.confirmAnswer = false;
        click("Command1");
        QCOMPARE(m_prompts.questions.last(), QStringLiteral("公式搜索"));
        QVERIFY(!child<QTimer>("Timer1")->isActive());
        QCOMPARE(m_window->session().found().size(), found);
        QCOMPARE(m_window->session().heldOut(), 40);
        m_prompts.confirmAnswer = true;
        hold->setChecked(false);
        click("Command1");
        click("Command2");
        QCOMPARE(m_window->session().heldOut(), 0);
        QCOMPARE(m_window->session().found().size(), size_t{0});
        QCOMPARE(list->count(), 0);
        QVERIFY(child<QLabel>("lblHoldOut")->text().isEmpty());
    }

    // With "打乱顺序对照" ticked, pausing the search repeats it on shuffled copies and says what chance found.
    void nullRunsFollowAPausedSearch()
    {
        setBounds({QStringLiteral("92"), QStringLiteral("100"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768")});
        // Unticked, a paused search shows its best z beside the best z chance gives.
        click("Command1");
        QTRY_VERIFY(m_window->session().found().size() >= 5);
        click("Command2");
        auto* line = child<QLabel>("lblNullRuns");
        QVERIFY2(line->text().contains(QStringLiteral("个候选中随机最好的 z 约为")), qPrintable(line->text()));
        QVERIFY(!line->text().contains(QStringLiteral("打乱")));

        // Ticked, a search that stops at its target is repeated on a shuffled copy.
        child<QCheckBox>("chkNullRuns")->setChecked(true);
        child<QSpinBox>("txtNullRuns")->setValue(1);
        child<QCheckBox>("Check1")->setChecked(true);
        child<QLineEdit>("Text1_15")->setText(QString::number(m_window->session().found().size() + 3));
        click("Command1");
        QTRY_VERIFY_WITH_TIMEOUT(line->text().contains(QStringLiteral("在打乱顺序的历史上，同样的搜索平均找到")),
                                 120000);
        QVERIFY2(line->text().contains(QStringLiteral("（1 次，p = ")), qPrintable(line->text()));
        QCOMPARE(child<QPushButton>("cmdNullRuns")->text(), QStringLiteral("对照"));
    }

    // VELMORA_SCREENSHOT=FILE saves a picture of the window after a held-out search.
    void screenshot()
    {
        const QString file = qEnvironmentVariable("VELMORA_SCREENSHOT");
        if (file.isEmpty())
            QSKIP("VELMORA_SCREENSHOT not set");
        setBounds({QStringLiteral("88"), QStringLiteral("100"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768"), QStringLiteral("0"), QStringLiteral("32768"),
                   QStringLiteral("0"), QStringLiteral("32768")});
        child<QCheckBox>("chkHoldOut")->setChecked(true);
        click("Command1");
        QTRY_VERIFY(m_window->session().found().size() >= 20);
        click("Command2");
        QTest::qWait(200);
        QVERIFY(m_window->grab().save(file));
    }

    void tuningWritesTheBoundBoxesAndSavesEveryKind()
    {
        child<QRadioButton>("optXing4")->setChecked(true);
        click("Command11");
        QTRY_VERIFY(!child<QTimer>("Timer3")->isActive());
        QCOMPARE(child<QLineEdit>("Text3")->text(), QStringLiteral("20"));
        QVERIFY(m_prompts.messages.last().startsWith(QStringLiteral("参数调整|第四直选杀公式的搜索参数已调整完毕")));
        QVERIFY(child<QLineEdit>("Text1_8")->text().toInt() >= 1);
        QVERIFY(child<QLineEdit>("Text1_0")->text() != QStringLiteral("93.8"));

        // Cancelling the question changes no default.
        m_prompts.confirmAnswer = false;
        click("Command12");
        m_prompts.confirmAnswer = true;
        QVERIFY(!m_store->contains(QStringLiteral("3/8")));
        click("Command12");
        QCOMPARE(m_prompts.questions.last(), QStringLiteral("更新参数默认设置"));
        // Every kind but group 第一 got its own saved kill bounds.
        for (int section : {0, 1, 2, 3, 4, 6, 7, 8, 9})
            QVERIFY2(m_store->contains(QStringLiteral("%1/8").arg(section)), qPrintable(QString::number(section)));
        QVERIFY(!m_store->contains(QStringLiteral("5/0")));
        QCOMPARE(m_prompts.messages.last(), QStringLiteral("更新参数默认设置|各类公式的搜索默认值已更新完毕。"));
    }
};

QTEST_MAIN(SearchWindowTest)
#include "SearchWindowTest.moc"
