// The Workbench while a real velmora-cli process changes the same formula.mdb:
// deletions name formulas by what they hold, jobs read one state, and the
// Workbench notices what the other program committed.
#include "workbench/Workbench.h"

#include "common/SettingsStore.h"
#include "common/UserError.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/CliRunner.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"
#include "support/WorkbenchIdle.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QDate kToday(2025, 3, 2);

QStringList codes(const FormulaStore& store, const QString& table)
{
    QStringList list;
    for (const FormulaRecord& r : store.list(table))
        list << QStringLiteral("%1:%2").arg(r.idx).arg(r.code);
    return list;
}

class OtherProgramsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureQtApplication();
        m_store = SettingsStore::open();
        Database db(m_env.lotteryFolder(0), m_env.dataDirectory());
        DrawStore(db, LotteryTable::entry(0))
            .addAll(DemoHistory::generate(LotteryTable::entry(0), 1, 11, kToday.addDays(-1)));
        std::vector<ParsedFormula> parsed;
        for (const char* line : {"第一码+1=下期杀第一直选", "第一码+2=下期杀第一直选", "第一码+3=下期杀第一直选",
                                 "第一码+4=下期生第一直选"})
            parsed.push_back(FormulaText::parse(QString::fromUtf8(line)));
        FormulaStore(db).addAll(parsed);
        m_workbench = std::make_unique<Workbench>(
            std::make_unique<Database>(m_env.lotteryFolder(0), m_env.dataDirectory()), *m_store, [] { return kToday; });
        m_workbench->refresh();
        ASSERT_TRUE(waitIdle(*m_workbench));
        ASSERT_EQ(m_workbench->listed().size(), 3u);
    }

    ShownFormula listedAt(size_t row) const
    {
        const FormulaRecord& r = m_workbench->listed().at(row).record;
        return {r.idx, r.code};
    }

    CliResult cli(const QStringList& args) const
    {
        return CliRunner(QStringLiteral(VELMORA_CLI_PATH), m_env.dataDirectory()).run(args);
    }

    QStringList stored() const
    {
        Database db(m_env.lotteryFolder(0));
        return codes(FormulaStore(db), QStringLiteral("Gongshi1D"));
    }

    TestEnvironment m_env;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<Workbench> m_workbench;
};

} // namespace

TEST_F(OtherProgramsTest, DeletionAfterAnotherProgramsDeletionRefusesAndDeletesNothing)
{
    const ShownFormula third = listedAt(2); // idx 3, "第一码+3"
    const std::vector<ShownFormula> all = {listedAt(0), listedAt(1), listedAt(2)};
    ASSERT_EQ(cli(cliWords({"formula", "delete", "--table", "Gongshi1D", "--idx", "1"})).exitCode, 0);
    const QStringList after = stored(); // idx 3 now holds the keep formula
    ASSERT_EQ(after.size(), 3);

    try {
        m_workbench->deleteFormula(third);
        FAIL() << "a stale idx was deleted";
    } catch (const UserError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("公式列表已被其他程序改动，请刷新后再删除"));
    }
    EXPECT_THROW(m_workbench->deleteFormulas(all), UserError); // a batch: all or nothing
    EXPECT_EQ(stored(), after);

    // The refusal read the list again: deleting what it shows now works.
    ASSERT_TRUE(waitIdle(*m_workbench));
    ASSERT_EQ(m_workbench->listed().size(), 2u);
    EXPECT_EQ(listedAt(1).second, third.second);
    m_workbench->deleteFormula(listedAt(1));
    ASSERT_TRUE(waitIdle(*m_workbench));
    EXPECT_EQ(stored().size(), 2);
    EXPECT_FALSE(stored().join(u' ').contains(third.second));
}

TEST_F(OtherProgramsTest, CalculationAfterAnotherProgramsDrawUsesTheNewDraw)
{
    ASSERT_EQ(m_workbench->history()->issue(m_workbench->history()->size() - 1), QStringLiteral("25030184"));
    ASSERT_EQ(cli(cliWords({"draw", "add", "25030201", "1", "2", "3", "4", "5"})).exitCode, 0);

    CalculationRequest request;
    request.bestMethod = false;
    std::optional<CalculationResult> result;
    QStringList failures;
    QObject::connect(m_workbench.get(), &Workbench::failed,
                     [&](const QString& title, const QString& message) { failures << title + u'|' + message; });
    m_workbench->calculate(request, [&](const CalculationResult& r) { result = r; });
    ASSERT_TRUE(waitIdle(*m_workbench));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->referenceIssue, QStringLiteral("25030201"));
    EXPECT_EQ(result->used.size(), 3u);

    // A formula added elsewhere to the listed table: the window's selection no
    // longer names what it showed, so the calculation refuses.
    ASSERT_EQ(cli(cliWords({"formula", "add", "第一码+5=下期杀第一直选"})).exitCode, 0);
    result.reset();
    m_workbench->calculate(request, [&](const CalculationResult& r) { result = r; });
    ASSERT_TRUE(waitIdle(*m_workbench));
    EXPECT_FALSE(result);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures[0], QStringLiteral("计算公式|公式列表已被其他程序改动，请刷新后再计算"));

    // The back-test reads the same way, and refuses the same.
    BackTestRequest replay;
    replay.table = QStringLiteral("Gongshi1D");
    bool replayed = false;
    m_workbench->backTest(replay, [&](std::shared_ptr<const BackTestResult>) { replayed = true; });
    ASSERT_TRUE(waitIdle(*m_workbench));
    EXPECT_FALSE(replayed);
    EXPECT_EQ(failures.size(), 2);

    // Once the list is read again, both run over four formulas.
    EXPECT_TRUE(m_workbench->checkForOtherPrograms());
    ASSERT_TRUE(waitIdle(*m_workbench));
    m_workbench->calculate(request, [&](const CalculationResult& r) { result = r; });
    m_workbench->backTest(replay, [&](std::shared_ptr<const BackTestResult>) { replayed = true; });
    ASSERT_TRUE(waitIdle(*m_workbench));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->used.size(), 4u);
    EXPECT_TRUE(replayed);
}

TEST_F(OtherProgramsTest, AnotherProgramsCommitIsReloadedKeepingTheSelectionOfTheSameFormulas)
{
    QStringList heard;
    QObject::connect(m_workbench.get(), &Workbench::changedElsewhere, [&] { heard << QStringLiteral("elsewhere"); });
    // The window's own refresh writes scores through another connection: not another program.
    m_workbench->refresh();
    ASSERT_TRUE(waitIdle(*m_workbench));
    EXPECT_FALSE(m_workbench->checkForOtherPrograms());

    const QString third = listedAt(2).second;
    m_workbench->toggleSelected(3); // "第一码+3" unselected
    ASSERT_EQ(cli(cliWords({"formula", "delete", "--table", "Gongshi1D", "--idx", "1"})).exitCode, 0);
    ASSERT_EQ(cli(cliWords({"draw", "add", "25030201", "1", "2", "3", "4", "5"})).exitCode, 0);

    // Polled while idle: the reload comes without being asked for.
    QEventLoop loop;
    QObject::connect(m_workbench.get(), &Workbench::changedElsewhere, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(heard.size(), 1);
    ASSERT_TRUE(waitIdle(*m_workbench));
    EXPECT_EQ(m_workbench->history()->size(), 85);
    ASSERT_EQ(m_workbench->listed().size(), 2u);
    EXPECT_EQ(listedAt(1), (ShownFormula{2, third}));
    EXPECT_FALSE(m_workbench->selection().isSelected(2)); // moved with its formula
    EXPECT_TRUE(m_workbench->selection().isSelected(1));
    EXPECT_FALSE(m_workbench->checkForOtherPrograms()); // once only
}
