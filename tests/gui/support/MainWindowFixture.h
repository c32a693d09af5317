#pragma once

#include "common/SettingsStore.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "gui/main/MainWindow.h"
#include "gui/support/ScriptedPrompts.h"
#include "gui/support/WaitIdle.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QMenu>
#include <QTableView>
#include <QtTest>
#include <memory>

// What the main window tests share: a real database file and real settings for
// each test, scripted answers in place of message boxes, and the window opened
// over them once its first refresh is through.
class MainWindowFixture {
protected:
    static inline const QDate kToday{2025, 3, 2};

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<QSettings> m_store;
    ScriptedPrompts m_prompts;

    // Each test starts on an empty data directory and fresh settings.
    void start()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_store = SettingsStore::open();
        m_prompts = ScriptedPrompts();
        qputenv("VELMORA_NO_OPEN", "1");
    }
    void stop()
    {
        m_store.reset();
        m_env.reset();
    }

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
};
