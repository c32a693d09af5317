// Moving draws in: a fetch's page of ten days of the busiest lottery (read, walked
// and stored in one transaction), a 20,000-draw history text file imported into an
// empty database, and one missed draw filled in at the start of that history.
#include "common/LotteryTable.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistoryFetch.h"
#include "history/HistoryImport.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryTextFile.h"
#include "history/ResultsPage.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QDate kToday(2026, 12, 8);

QByteArray pageOf(const std::vector<StoredDraw>& draws)
{
    QByteArray html = "<html><body><table>\n";
    for (const StoredDraw& draw : draws)
        html += "<tr><td>" + draw.issue.toUtf8() + "</td><td>" +
                HistoryTextFile::line(QString(), draw.numbers).trimmed().toUtf8() + "</td></tr>\n";
    return html + "</table></body></html>";
}

void fetchStore(benchmark::State& state)
{
    const auto lottery = LotteryTable::entry(10); // 97 draws a day
    const QByteArray page = pageOf(DemoHistory::generate(lottery, 11, 1, kToday));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir directory;
        Database db(directory.path());
        state.ResumeTiming();
        const DrawBatchReport report =
            HistoryFetch(db, lottery, 10, kToday).store(ResultsPage::read(page, QString(), lottery));
        benchmark::DoNotOptimize(report.added.size());
    }
    state.counters["draws"] = 11 * 97;
}

void importTwentyThousand(benchmark::State& state)
{
    const auto lottery = LotteryTable::entry(0);
    QTemporaryDir source;
    Database db(source.path());
    DrawStore(db, lottery).addAll(DemoHistory::generate(lottery, 20000 / 84 + 1, 2, kToday));
    const QString file = source.filePath(QStringLiteral("history.txt"));
    HistoryTextFile::write(file, HistorySnapshot::load(db.sql()));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir directory;
        Database target(directory.path());
        state.ResumeTiming();
        benchmark::DoNotOptimize(HistoryImport(target, lottery).importFile(file).added.size());
    }
}

void fillMissedDraw(benchmark::State& state)
{
    const auto lottery = LotteryTable::entry(0);
    const auto draws = DemoHistory::generate(lottery, 20000 / 84 + 1, 3, kToday);
    QTemporaryDir directory;
    Database db(directory.path());
    DrawStore store(db, lottery);
    store.addAll(std::vector<StoredDraw>(draws.begin() + 1, draws.end()));
    for (auto _ : state) {
        store.add(draws.front().issue, draws.front().numbers);
        state.PauseTiming();
        SqliteStatement remove = db.sql().prepare(QStringLiteral("DELETE FROM Lishi WHERE strQQH = ?1"));
        remove.bind(1, draws.front().issue);
        remove.run();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(fetchStore)->Unit(benchmark::kMillisecond);
BENCHMARK(importTwentyThousand)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(fillMissedDraw)->Unit(benchmark::kMillisecond);
