// Two velmora-cli processes on one formula.mdb at the same time, as a script
// beside the open window: nothing committed is lost and no stored row is
// computed from a draw another process was storing at that moment.
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QSet>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

const LotteryTable::Entry kLottery = LotteryTable::entry(0);

struct Outcome {
    int failed = 0;
    QString errors;
};

// Runs `count` commands one after another; returns how many exited non-zero.
Outcome runAll(const CliRunner& cli, int count, const std::function<QStringList(int)>& command)
{
    Outcome outcome;
    for (int i = 0; i < count; ++i) {
        const CliResult result = cli.run(command(i));
        if (result.exitCode != 0) {
            ++outcome.failed;
            outcome.errors += QString::fromUtf8(result.err);
        }
    }
    return outcome;
}

// Both at once, each on a thread of its own.
std::pair<Outcome, Outcome> race(const std::function<Outcome()>& first, const std::function<Outcome()>& second)
{
    Outcome a;
    Outcome b;
    std::thread one([&] { a = first(); });
    std::thread two([&] { b = second(); });
    one.join();
    two.join();
    return {a, b};
}

QStringList drawAdd(const StoredDraw& draw)
{
    QStringList args{QStringLiteral("draw"), QStringLiteral("add"), draw.issue};
    for (int n : draw.numbers)
        args << QString::number(n);
    return args;
}

} // namespace

// Two processes add alternating issues of one day. Every stored draw carries the
// attributes of its real predecessor, whichever process stored which first.
TEST(Race, twoDrawAddsAtOnceStoreEveryDrawAgainstItsRealPredecessor)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({QStringLiteral("init")}).exitCode, 0);
    std::vector<StoredDraw> draws = DemoHistory::generate(kLottery, 1, 21, QDate(2026, 12, 1));
    draws.resize(48);
    const auto [odd, even] =
        race([&] { return runAll(cli, 24, [&](int i) { return drawAdd(draws[static_cast<size_t>(2 * i)]); }); },
             [&] { return runAll(cli, 24, [&](int i) { return drawAdd(draws[static_cast<size_t>(2 * i + 1)]); }); });
    EXPECT_EQ(odd.failed + even.failed, 0) << odd.errors.toStdString() << even.errors.toStdString();

    Database db(env.lotteryFolder());
    EXPECT_EQ(db.sql().scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    const HistorySnapshot stored = HistorySnapshot::load(db.sql());
    const HistorySnapshot expected = DemoHistory::snapshot(kLottery, draws);
    ASSERT_EQ(stored.size(), expected.size());
    int wrong = 0;
    for (int row = 0; row < stored.size(); ++row) {
        EXPECT_EQ(stored.issue(row), expected.issue(row));
        for (int column = 0; column < AttributeCatalog::kCount; ++column)
            if (stored.value(row, column) != expected.value(row, column)) {
                ++wrong;
                ADD_FAILURE() << stored.issue(row).toStdString() << " " << AttributeCatalog::code(column).toStdString();
            }
    }
    RecordProperty("draws", stored.size());
    RecordProperty("wrong_attributes", wrong);
}

// One process adds formulas while another deletes draws, each deletion followed
// by a compaction; a connection kept open all the while (as the window keeps one)
// writes afterwards. Every formula whose add succeeded is stored.
TEST(Race, compactionByOneProcessLosesNoWriteOfAnother)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({QStringLiteral("init"), QStringLiteral("--demo"), QStringLiteral("--days"), QStringLiteral("2")})
                  .exitCode,
              0);
    Database window(env.lotteryFolder());
    const int kept = window.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM Gongshi2D")).toInt();
    constexpr int kAdds = 40;
    const auto [adds, deletions] = race(
        [&] {
            return runAll(cli, kAdds, [](int i) {
                return QStringList{QStringLiteral("formula"), QStringLiteral("add"),
                                   QStringLiteral("[第一码]+%1=下期杀第二直选").arg(1000 + i)};
            });
        },
        [&] {
            return runAll(cli, 20, [](int) {
                return QStringList{QStringLiteral("draw"), QStringLiteral("delete-last"), QStringLiteral("2")};
            });
        });
    EXPECT_EQ(adds.failed, 0) << adds.errors.toStdString();
    EXPECT_EQ(deletions.failed, 0) << deletions.errors.toStdString();

    window.sql().exec(QStringLiteral("INSERT INTO Gongshi2D (idx, gongshi, gongshiCN, bolKill) VALUES (900, 'L1A', "
                                     "'window', 1)"));
    Database fresh(env.lotteryFolder());
    EXPECT_EQ(fresh.sql().scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    QSet<QString> codes;
    SqliteStatement rows = fresh.sql().prepare(QStringLiteral("SELECT gongshiCN FROM Gongshi2D"));
    while (rows.next())
        codes.insert(rows.text(0));
    for (int i = 0; i < kAdds; ++i)
        EXPECT_TRUE(codes.contains(QStringLiteral("[第一码]+%1=下期杀第二直选").arg(1000 + i))) << i;
    EXPECT_TRUE(codes.contains(QStringLiteral("window")));
    EXPECT_EQ(codes.size(), kept + kAdds + 1);
    EXPECT_EQ(DrawStore(fresh, kLottery).count(), 2 * 84 - 40);
    RecordProperty("formulas_added", kAdds - adds.failed);
}
