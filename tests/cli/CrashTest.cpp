// velmora-cli killed (SIGKILL) at random moments while it writes: after every
// kill the file passes SQLite's integrity check and each table holds either its
// whole old or its whole new content, never a part of a change.
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistoryTextFile.h"
#include "support/KillRunner.h"
#include "support/ResultsPageHtml.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace {

const LotteryTable::Entry kLottery = LotteryTable::entry(0);
const QDate kToday(2026, 12, 8);

// VELMORA_KILL_SEED and VELMORA_KILL_RUNS replay or widen a run.
std::uint64_t killSeed()
{
    bool ok = false;
    const qulonglong seed = qEnvironmentVariable("VELMORA_KILL_SEED").toULongLong(&ok);
    return ok ? seed : 20261209;
}

int killRuns()
{
    bool ok = false;
    const int runs = qEnvironmentVariableIntValue("VELMORA_KILL_RUNS", &ok);
    return ok && runs > 0 ? runs : 6;
}

// `days` days of draws ending the day before `lastDay` and `formulas` column-sum
// kill formulas, as a search leaves them, spread over the first `tables` kinds.
void prepare(const QString& folder, int days, int formulas, int tables)
{
    Database db(folder);
    db.recordLottery(kLottery); // as velmora-cli does when it first opens the folder
    if (days > 0)
        DrawStore(db, kLottery).addAll(DemoHistory::generate(kLottery, days, 5, kToday.addDays(-1)));
    std::vector<ParsedFormula> list;
    for (int f = 0; f < formulas; ++f) {
        const QString code = QStringLiteral("[%1]+[%2]+%3")
                                 .arg(AttributeCatalog::code(f % AttributeCatalog::kCount),
                                      AttributeCatalog::code((f / AttributeCatalog::kCount) % AttributeCatalog::kCount))
                                 .arg(f);
        const FormulaTarget target(FormulaKind::fromSearchIndex(1 + f % tables), true);
        list.push_back({code + QStringLiteral("=下期杀") + target.label(), code, target});
    }
    FormulaStore(db).addAll(list);
}

struct Scenario {
    const char* name;
    int days;
    int formulas;
    std::function<QStringList(const TestEnvironment& inputs)> args;
    int tables = 1; // of the formulas prepared
};

QStringList words(const char* line) { return QString::fromUtf8(line).split(u' '); }

} // namespace

TEST(Crash, aKilledWriteLeavesEachTableWholeOldOrWholeNew)
{
    TestEnvironment inputs;
    // 30 more days for the import; a results page of the last 11 days for the fetch.
    {
        std::vector<StoredDraw> later = DemoHistory::generate(kLottery, 30, 8, kToday.addDays(29));
        QFile file(inputs.path(QStringLiteral("later.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const StoredDraw& draw : later) {
            QByteArray line = draw.issue.toUtf8();
            for (int n : draw.numbers)
                line += ' ' + QByteArray::number(n).rightJustified(2, '0');
            file.write(line + '\n');
        }
        QFile page(inputs.path(QStringLiteral("page.html")));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write(resultsPageOf(DemoHistory::generate(kLottery, 11, 3, kToday)));
    }
    const QString search =
        QStringLiteral("search --table gongshi1d --flag kill --operands 3 --candidates 4000 --seed 11 --threads 1 "
                       "--bounds 0,100,0,32768,0,32768,0,32768,0,32768 --store");
    const Scenario scenarios[] = {
        {"add draws (import)", 10, 100,
         [](const TestEnvironment& in) { return words("draw import") << in.path(QStringLiteral("later.txt")); }},
        {"store found formulas, append", 10, 20000,
         [&search](const TestEnvironment&) { return search.split(u' ') << QStringLiteral("append"); }},
        {"store found formulas, replace", 10, 20000,
         [&search](const TestEnvironment&) { return search.split(u' ') << QStringLiteral("replace"); }},
        // Every kind of the plan stores into its own table, all of them in one transaction.
        {"store a plan, replace", 10, 20000,
         [](const TestEnvironment&) {
             return words("search --plan --flag kill --operands 3 --candidates 3000 --seed 11 --threads 1 "
                          "--store replace");
         },
         10},
        {"delete and renumber", 10, 20000,
         [](const TestEnvironment&) { return words("formula delete --table gongshi1d --idx 1"); }},
        {"delete draws and compact", 10, 20000, [](const TestEnvironment&) { return words("draw delete-last 100"); }},
        {"store a fetch", 0, 100,
         [](const TestEnvironment& in) {
             return words("draw fetch --days 10 --today 2026-12-08 --url")
                    << QStringLiteral("file://") + in.path(QStringLiteral("page.html"));
         }},
    };

    const std::uint64_t seed = killSeed();
    RecordProperty("seed", std::to_string(seed));
    int killedWhileWriting = 0;
    std::uint64_t scenarioSeed = seed;
    for (const Scenario& scenario : scenarios) {
        TestEnvironment prepared;
        prepare(prepared.dataDirectory(), scenario.days, scenario.formulas, scenario.tables);
        KillRunner runner(prepared.dataDirectory(), scenario.args(inputs), ++scenarioSeed);
        ASSERT_TRUE(runner.calibrate()) << scenario.name << ": " << runner.error().toStdString();
        for (int run = 0; run < killRuns(); ++run)
            ASSERT_TRUE(runner.killOnce())
                << scenario.name << ", run " << run << " (seed " << seed << "): " << runner.error().toStdString();
        killedWhileWriting += runner.killedWhileWriting();
        const std::string summary = std::to_string(runner.killed()) + " of " + std::to_string(killRuns()) +
                                    " killed after the first write (" + std::to_string(runner.killedWhileWriting()) +
                                    " with the journal present; " + std::to_string(runner.writeSpan().count() / 1000) +
                                    " ms from first write to end), " + std::to_string(runner.leftOld()) +
                                    " left old, " + std::to_string(runner.leftNew()) + " new";
        RecordProperty(scenario.name, summary);
        std::printf("[ kill     ] %s: %s\n", scenario.name, summary.c_str());
    }
    EXPECT_GT(killedWhileWriting, 0);
}
