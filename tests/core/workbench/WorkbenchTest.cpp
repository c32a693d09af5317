// The Workbench over a real database file: the refresh sequence and its
// signals, long work on the worker with cancel and shutdown, and one selection
// per formula table voting in the calculation.
#include "workbench/Workbench.h"

#include "common/SettingsStore.h"
#include "common/UserError.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "history/LotteryFolders.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"
#include "support/WorkbenchIdle.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QDate kToday(2025, 3, 2);

// Runs the event loop until the running work reports how far it is (with
// `toTheEnd`, until it reports all its steps done).
bool waitForProgress(Workbench& workbench, bool toTheEnd = false)
{
    QEventLoop loop;
    bool heard = false;
    QObject::connect(&workbench, &Workbench::progressChanged, &loop, [&](int done, int total) {
        if (total <= 0 || (toTheEnd && done < total))
            return;
        heard = true;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return heard;
}

// The stored rows of a table, statistics included, as comparable text.
QStringList dump(const QString& directory, const QString& table)
{
    Database db(directory);
    QStringList rows;
    for (const FormulaRecord& r : FormulaStore(db).list(table)) {
        const FormulaStatistics& s = r.statistics;
        rows << QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                    .arg(r.idx)
                    .arg(r.code)
                    .arg(static_cast<double>(s.rate))
                    .arg(s.longestMissRun)
                    .arg(s.longestHitRun)
                    .arg(s.lastMissRun)
                    .arg(s.lastHitRun);
    }
    return rows;
}

// A listed formula as the window names it for a deletion.
ShownFormula listedFormula(const Workbench& workbench, int idx)
{
    for (const ScoredFormula& formula : workbench.listed())
        if (formula.record.idx == idx)
            return {idx, formula.record.code};
    return {idx, QString()};
}

class WorkbenchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        m_store = SettingsStore::open();
    }

    void seed(int days, const QStringList& formulas)
    {
        Database db(m_env.dataDirectory());
        if (days > 0)
            DrawStore(db, LotteryTable::entry(0))
                .addAll(DemoHistory::generate(LotteryTable::entry(0), days, 11, kToday.addDays(-1)));
        std::vector<ParsedFormula> parsed;
        for (const QString& line : formulas)
            parsed.push_back(FormulaText::parse(line));
        FormulaStore(db).addAll(parsed);
    }

    // Enough work that scoring takes a while: many formulas over a long history.
    void seedHeavy()
    {
        QStringList lines;
        for (int i = 1; i <= 3000; ++i)
            lines << QStringLiteral("第一码*第二码+第三码*第四码+%1=下期杀第一直选").arg(i);
        seed(40, lines);
    }

    std::unique_ptr<Workbench> open()
    {
        auto workbench = std::make_unique<Workbench>(std::make_unique<Database>(m_env.dataDirectory()), *m_store,
                                                     [] { return kToday; });
        return workbench;
    }

    TestEnvironment m_env;
    std::unique_ptr<QSettings> m_store;
};

} // namespace

TEST_F(WorkbenchTest, RefreshMergesRequestsAndReportsFormulasHistoryScoresNextIssueInOrder)
{
    seed(2, {QStringLiteral("第一码+第二码=下期杀第一直选"), QStringLiteral("和数=下期杀第一直选"),
             QStringLiteral("第二码+3=下期生第一直选")});
    auto workbench = open();
    QStringList heard;
    int busyTurns = 0;
    QObject::connect(workbench.get(), &Workbench::formulasChanged, [&] { heard << QStringLiteral("formulas"); });
    QObject::connect(workbench.get(), &Workbench::historyChanged, [&] { heard << QStringLiteral("history"); });
    QObject::connect(workbench.get(), &Workbench::scoresReady, [&] { heard << QStringLiteral("scores"); });
    QObject::connect(workbench.get(), &Workbench::nextIssueReady,
                     [&](const QString& next, const QString& last) { heard << next << last; });
    QObject::connect(workbench.get(), &Workbench::busyChanged, [&](bool busy) { busyTurns += busy ? 1 : 0; });
    QObject::connect(workbench.get(), &Workbench::failed,
                     [&](const QString& title, const QString& message) { heard << title + message; });

    // Asked for backwards, one step at a time: one job, in the fixed order.
    workbench->refresh(RefreshPart::NextIssue);
    workbench->refresh(RefreshPart::Scores);
    workbench->refresh(RefreshPart::History);
    workbench->refresh(RefreshPart::Formulas);
    EXPECT_TRUE(workbench->busy());
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_EQ(heard, (QStringList{QStringLiteral("formulas"), QStringLiteral("history"), QStringLiteral("scores"),
                                  QStringLiteral("25030201"), QStringLiteral("25030184")}));
    EXPECT_EQ(busyTurns, 1);
    EXPECT_EQ(workbench->history()->size(), 168);
    ASSERT_EQ(workbench->listed().size(), 2u); // the kill formulas of Gongshi1D
    EXPECT_GT(workbench->listed()[0].record.statistics.totalWeight, 0);
    // The scores were stored in each formula's own row.
    EXPECT_NE(dump(m_env.dataDirectory(), QStringLiteral("Gongshi1D"))[0].split(u' ')[2], QStringLiteral("0"));

    // Only what was asked for runs again.
    heard.clear();
    workbench->refresh(RefreshPart::NextIssue);
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_EQ(heard, (QStringList{QStringLiteral("25030201"), QStringLiteral("25030184")}));
}

TEST_F(WorkbenchTest, ScoringRunsOnTheWorkerAndACancelStoresNothing)
{
    seedHeavy();
    const QStringList before = dump(m_env.dataDirectory(), QStringLiteral("Gongshi1D"));
    auto workbench = open();
    bool scored = false;
    QObject::connect(workbench.get(), &Workbench::scoresReady, [&] { scored = true; });
    // This thread's event loop keeps turning while the worker scores.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(1);

    // Another writer holds the file, so the finished scores wait to be stored;
    // the cancel comes after the scoring is done and before anything is written.
    Database other(m_env.dataDirectory());
    auto hold = std::make_unique<SqliteDatabase::Transaction>(other.sql());
    workbench->refresh();
    ASSERT_TRUE(waitForProgress(*workbench, true));
    workbench->cancel();
    hold.reset();
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_GE(ticks, 1);
    EXPECT_FALSE(scored);
    EXPECT_EQ(dump(m_env.dataDirectory(), QStringLiteral("Gongshi1D")), before);
    // The steps around the scoring still ran: the list and history are current.
    EXPECT_EQ(workbench->listed().size(), 3000u);
    ASSERT_TRUE(workbench->history());
    EXPECT_EQ(workbench->history()->size(), 40 * 84);

    // Not cancelled, the same refresh stores the scores.
    workbench->refresh(RefreshPart::Scores);
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_TRUE(scored);
    EXPECT_NE(dump(m_env.dataDirectory(), QStringLiteral("Gongshi1D")), before);
}

TEST_F(WorkbenchTest, GoingAwayWhileWorkRunsStopsTheWorkerAndKeepsTheFileWhole)
{
    seedHeavy();
    const QStringList before = dump(m_env.dataDirectory(), QStringLiteral("Gongshi1D"));
    QObject receiver;
    int heardAfter = 0;
    std::thread release;
    {
        auto workbench = open();
        // The scores wait for this writer, which lets go only once the workbench is going.
        auto other = std::make_shared<Database>(m_env.dataDirectory());
        auto hold = std::make_shared<SqliteDatabase::Transaction>(other->sql());
        workbench->refresh();
        ASSERT_TRUE(waitForProgress(*workbench));
        QObject::connect(workbench.get(), &Workbench::scoresReady, &receiver, [&] { ++heardAfter; });
        release = std::thread([other, hold = std::move(hold)]() mutable {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            hold.reset();
        });
    } // the destructor cancels and waits for the worker
    release.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(heardAfter, 0);
    EXPECT_EQ(dump(m_env.dataDirectory(), QStringLiteral("Gongshi1D")), before);
}

TEST_F(WorkbenchTest, EachTableKeepsItsOwnSelectionAndVotesWithItWhateverTheIdx)
{
    seed(2, {QStringLiteral("第一码+1=下期杀第一直选"), QStringLiteral("第一码+2=下期杀第一直选"),
             QStringLiteral("第一码+3=下期杀第一直选"), QStringLiteral("第二码+1=下期杀第二直选"),
             QStringLiteral("第二码+2=下期杀第二直选")});
    // A table numbered far beyond 32767.
    Database(m_env.dataDirectory()).sql().exec(QStringLiteral("UPDATE Gongshi1D SET idx = 40000 WHERE idx = 3"));
    auto workbench = open();
    workbench->refresh();
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_EQ(workbench->listedIdxs(), (std::vector<int>{1, 2, 40000}));

    workbench->toggleSelected(2); // table 1: 1 and 40000 stay selected
    workbench->setShown(FormulaTarget{2, false, true});
    workbench->refresh(RefreshPart::Formulas);
    ASSERT_TRUE(waitIdle(*workbench));
    workbench->toggleSelected(1); // table 2: only 2 stays selected
    workbench->setShown(FormulaTarget{1, false, true});
    EXPECT_EQ(workbench->selection().unselected({1, 2, 40000}), std::vector<int>{2});

    const auto used = [&workbench] {
        CalculationRequest request;
        request.leadingPositions = 2;
        std::vector<std::pair<QString, int>> result;
        workbench->calculate(request, [&result](const CalculationResult& calculation) {
            for (const UsedFormula& f : calculation.used)
                result.emplace_back(f.table, f.idx);
        });
        EXPECT_TRUE(waitIdle(*workbench));
        return result;
    };
    using Used = std::vector<std::pair<QString, int>>;
    EXPECT_EQ(used(), (Used{{QStringLiteral("Gongshi1D"), 1},
                            {QStringLiteral("Gongshi1D"), 40000},
                            {QStringLiteral("Gongshi2D"), 2}}));
    workbench->selection().setSelected(40000, false);
    EXPECT_EQ(used(), (Used{{QStringLiteral("Gongshi1D"), 1}, {QStringLiteral("Gongshi2D"), 2}}));
}

TEST_F(WorkbenchTest, ChangesWaitForTheRunningJobAndDeletionsFollowTheListedFlag)
{
    seed(1, {QStringLiteral("第一码+1=下期杀第一直选"), QStringLiteral("第一码+2=下期杀第一直选"),
             QStringLiteral("第一码+3=下期生第一直选"), QStringLiteral("第一码+4=下期杀第一直选")});
    auto workbench = open();
    workbench->refresh();
    // While the refresh runs, a typed draw is refused and nothing is stored.
    EXPECT_THROW(workbench->addDraw(QStringLiteral("25030201"), {1, 2, 3, 4, 5}), UserError);
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_EQ(DrawStore(*workbench->database(), workbench->lottery()).count(), 84);

    // "删除最后公式": the highest idx among the listed kill formulas (4), not the keep formula.
    workbench->toggleSelected(1);
    workbench->deleteLastFormula();
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_EQ(workbench->listedIdxs(), (std::vector<int>{1, 2}));
    EXPECT_EQ(dump(m_env.dataDirectory(), QStringLiteral("Gongshi1D")).size(), 3);
    EXPECT_FALSE(workbench->selection().isSelected(1)); // a single deletion keeps the selection
    EXPECT_TRUE(QFile::exists(m_env.path(QStringLiteral("formulaTmp.mdb")))); // compacted after it

    // A deletion below shifts the selection with the formulas.
    workbench->toggleSelected(2);
    workbench->toggleSelected(1);
    workbench->deleteFormula(listedFormula(*workbench, 1));
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_EQ(workbench->listedIdxs(), std::vector<int>{1});
    EXPECT_FALSE(workbench->selection().isSelected(1));

    // A cancel right away drops the refresh and the compaction waiting behind it, and says so.
    QStringList said;
    QObject::connect(workbench.get(), &Workbench::failed, [&](const QString& title) { said << title; });
    workbench->deleteFormula(listedFormula(*workbench, 1));
    workbench->cancel();
    EXPECT_FALSE(workbench->busy());
    EXPECT_EQ(said, QStringList{QStringLiteral("取消")});
    EXPECT_EQ(dump(m_env.dataDirectory(), QStringLiteral("Gongshi1D")).size(), 1); // the deletion itself stands

    workbench->addDraw(QStringLiteral("25030201"), {1, 2, 3, 4, 5});
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_EQ(workbench->history()->size(), 85);
    EXPECT_TRUE(workbench->drawTyped());
}

// Each lottery's draws live in its own folder: switching to another lottery and
// back shows each history again, untouched by the other.
TEST_F(WorkbenchTest, SwitchingLotteryAndBackKeepsBothHistories)
{
    auto workbench = std::make_unique<Workbench>(LotteryFolders::open(m_env.dataDirectory(), LotteryTable::entry(0)),
                                                 *m_store, [] { return kToday; });
    workbench->setDataDirectory(m_env.dataDirectory());
    int switches = 0;
    QObject::connect(workbench.get(), &Workbench::lotteryChanged, [&switches] { ++switches; });
    workbench->refresh();
    ASSERT_TRUE(waitIdle(*workbench));
    workbench->addDraw(QStringLiteral("25030101"), {1, 2, 3, 4, 5});
    ASSERT_TRUE(waitIdle(*workbench));

    workbench->chooseLottery(26); // 浙江快乐12: ten-digit issues, numbers up to 12
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_EQ(switches, 1);
    EXPECT_EQ(workbench->history()->size(), 0);
    EXPECT_EQ(workbench->database()->folder(), m_env.lotteryFolder(26));
    workbench->addDraw(QStringLiteral("2025030101"), {12, 1, 2, 3, 4});
    ASSERT_TRUE(waitIdle(*workbench));
    workbench->addDraw(QStringLiteral("2025030102"), {11, 1, 2, 3, 4});
    ASSERT_TRUE(waitIdle(*workbench));

    workbench->chooseLottery(0);
    ASSERT_TRUE(waitIdle(*workbench));
    ASSERT_EQ(workbench->history()->size(), 1);
    EXPECT_EQ(workbench->history()->issue(0), QStringLiteral("25030101"));
    workbench->chooseLottery(26);
    ASSERT_TRUE(waitIdle(*workbench));
    ASSERT_EQ(workbench->history()->size(), 2);
    EXPECT_EQ(workbench->history()->number(0, 1), 12);
    EXPECT_EQ(switches, 3);
    EXPECT_EQ(m_store->value(QStringLiteral("IniSetting/GsZl")).toInt(), 26);
}

// A deletion whose compaction fails is done: the window is told so, as a
// warning. Nothing deleted, nothing compacted. The latest history deletion can
// be undone until the next change.
TEST_F(WorkbenchTest, DeletionsCompactOnlyWhenSomethingWentAndCanBeUndone)
{
    seed(1, {QStringLiteral("第一码+1=下期杀第一直选")});
    auto workbench = open();
    workbench->refresh();
    ASSERT_TRUE(waitIdle(*workbench));
    QStringList said;
    QObject::connect(workbench.get(), &Workbench::failed,
                     [&](const QString& title, const QString& message) { said << title + u'|' + message; });
    const QString work = m_env.path(QStringLiteral("formulaTmp.mdb"));

    EXPECT_THROW(workbench->deleteFormula({7, QStringLiteral("L1A")}), UserError); // no such formula
    ASSERT_TRUE(waitIdle(*workbench));
    workbench->deleteDrawsAfter(QStringLiteral("25030184"));
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_FALSE(QFile::exists(work));

    ASSERT_TRUE(QDir().mkpath(work));
    workbench->deleteLastDraws(4);
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_EQ(workbench->history()->size(), 80);
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith(QStringLiteral("压缩数据库|删除已完成，但压缩数据库失败：")))
        << said[0].toStdString();

    EXPECT_EQ(workbench->undoDrawDeletion(), 4);
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_EQ(workbench->history()->size(), 84);
    EXPECT_EQ(workbench->history()->issue(83), QStringLiteral("25030184"));
    workbench->deleteLastDraw();
    ASSERT_TRUE(waitIdle(*workbench));
    workbench->addDraw(QStringLiteral("25030184"), {5, 4, 3, 2, 1});
    ASSERT_TRUE(waitIdle(*workbench));
    EXPECT_THROW(workbench->undoDrawDeletion(), UserError); // the history changed since
    EXPECT_EQ(workbench->history()->size(), 84);
}
