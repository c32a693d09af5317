// The main window and the search window on a screen of 1024 × 700: they open
// inside it and every control keeps its full size.
#include "common/SettingsStore.h"
#include "formula/DemoFormulas.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "gui/main/MainWindow.h"
#include "gui/search/SearchWindow.h"
#include "gui/support/ScriptedPrompts.h"
#include "gui/support/WaitIdle.h"
#include "gui/widgets/ScreenFit.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollArea>
#include <QTableView>
#include <QTemporaryFile>
#include <QtTest>

namespace {

const QDate kToday(2025, 3, 2);

void dump(QWidget* top)
{
    qDebug() << top->objectName() << top->geometry() << top->frameGeometry() << "min" << top->minimumSizeHint()
             << top->minimumSize();
    for (auto* w : top->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(top) || w->objectName().isEmpty())
            continue;
        const QRect r(w->mapTo(top, QPoint(0, 0)), w->size());
        qDebug() << "  " << w->metaObject()->className() << w->objectName() << r << "hint" << w->sizeHint();
    }
}

} // namespace

class SmallScreenTest : public QObject {
    Q_OBJECT

private slots:
    void measure()
    {
        TestEnvironment env;
        auto store = SettingsStore::open();
        ScriptedPrompts prompts;
        {
            Database db(env.dataDirectory());
            DrawStore(db, LotteryTable::entry(0)).addAll(DemoHistory::generate(LotteryTable::entry(0), 3, 7, kToday));
            FormulaStore formulas(db);
            for (const QString& line : DemoFormulas::lines())
                formulas.add(FormulaText::parse(line));
        }
        qDebug() << QGuiApplication::primaryScreen()->availableGeometry();
        MainWindow window(std::make_unique<Database>(env.dataDirectory()), *store, prompts, [] { return kToday; });
        window.show();
        QVERIFY(waitIdle(window));
        dump(&window);
        window.grab().save(QStringLiteral("/tmp/ux-main-1024.png"));
        Database db(env.dataDirectory());
        const HistorySnapshot history = HistorySnapshot::load(db.sql());
        SearchWindow search(db, history, LotteryTable::entry(0), ScoringWindow{}, *store, prompts, 1);
        search.show();
        QTest::qWait(50);
        dump(&search);
        search.grab().save(QStringLiteral("/tmp/ux-search-1024.png"));
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
