// The main window's entry boxes: a typed draw, a refused one, and a typed
// formula, each stored where it belongs.
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

class MainWindowEntryTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

private slots:
    void init() { start(); }
    void cleanup() { stop(); }

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
};

QTEST_MAIN(MainWindowEntryTest)
#include "MainWindowEntryTest.moc"
