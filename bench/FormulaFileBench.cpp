// Formula text files and spreadsheet copies at the sizes people reach: a file of
// 100,000 formula lines imported into an empty database, and a table of 40,000
// formulas over 20,000 draws exported as text and copied to a spreadsheet.
#include "analysis/FormulaGridSheet.h"
#include "analysis/HistoryGridSheet.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaExport.h"
#include "formula/FormulaFile.h"
#include "formula/FormulaImport.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "formula/TableScorer.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

constexpr int kDraws = 20000;
constexpr int kTableFormulas = 40000;
const QString kTable = QStringLiteral("Gongshi3D");

// Lines as the search writes them: sums of bracketed attribute words and a
// constant, "=下期", a verb and a target, then the hit run; every tenth line a
// typed form with Mod and a product. Targets go round the ten tables.
QStringList searchLikeLines(int count, bool oneTable)
{
    std::mt19937_64 random(7);
    std::uniform_int_distribution<int> attribute(0, AttributeCatalog::kCount - 1);
    std::uniform_int_distribution<int> termCount(2, 8);
    const QStringList kinds = {QStringLiteral("直选"), QStringLiteral("组选")};
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        QString expression;
        if (i % 10 == 9) {
            expression = QStringLiteral("([%1]*2+[%2]) Mod 9+%3")
                             .arg(AttributeCatalog::displayName(attribute(random)),
                                  AttributeCatalog::displayName(attribute(random)))
                             .arg(i % 7);
        } else {
            const int terms = termCount(random);
            for (int t = 0; t < terms; ++t)
                expression += QStringLiteral("[%1]+").arg(AttributeCatalog::displayName(attribute(random)));
            expression += QString::number(i % 11);
        }
        const int position = oneTable ? 3 : 1 + i % 5;
        const QString kind = oneTable ? kinds[0] : kinds[(i / 5) % 2];
        const QString verb = i % 3 == 2 ? QStringLiteral("生") : QStringLiteral("杀");
        lines << FormulaFile::formulaLine({QString(expression + QStringLiteral("=下期") + verb +
                                                   AttributeCatalog::positionWords()[position - 1] + kind),
                                           i % 13});
    }
    return lines;
}

QByteArray fileOf(const QStringList& lines)
{
    return FormulaFileCodec::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), TextEncoding::Gb18030);
}

void BM_ImportFormulaFile(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    const QByteArray bytes = fileOf(searchLikeLines(lines, false));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir directory;
        auto db = std::make_unique<Database>(directory.path());
        state.ResumeTiming();
        const FormulaImportResult result = FormulaImport::importBytes(*db, bytes, QStringLiteral("bench.txt"), {});
        if (result.stored != lines)
            state.SkipWithError("not every line was stored");
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.counters["lines"] = lines;
    state.counters["MiB"] = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    state.counters["lines/s"] = benchmark::Counter(lines, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ImportFormulaFile)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

struct LargeTable {
    QTemporaryDir directory;
    std::unique_ptr<Database> db;
    HistorySnapshot history;
    std::vector<ScoredFormula> scored;
};

LargeTable& largeTable()
{
    static std::unique_ptr<LargeTable> bench;
    if (!bench) {
        bench = std::make_unique<LargeTable>();
        bench->db = std::make_unique<Database>(bench->directory.path());
        const LotteryTable::Entry lottery = LotteryTable::entry(0);
        std::vector<StoredDraw> draws =
            DemoHistory::generate(lottery, kDraws / lottery.drawsPerDay + 1, 5, QDate(2026, 1, 1));
        draws.resize(kDraws);
        DrawStore(*bench->db, lottery).addAll(draws);
        FormulaImport::importBytes(*bench->db, fileOf(searchLikeLines(kTableFormulas, true)),
                                   QStringLiteral("table.txt"), {});
        bench->history = HistorySnapshot::load(bench->db->sql());
        bench->scored = TableScorer::scoreTable(*bench->db, bench->history, kTable, true, 11, ScoringWindow{});
    }
    return *bench;
}

// range(0): the look-back window, 0 = every draw, 300 the default.
void BM_ExportLargeTable(benchmark::State& state)
{
    LargeTable& t = largeTable();
    FormulaExportOptions options;
    options.window = ScoringWindow{static_cast<int>(state.range(0)), true, true};
    const QString path = QDir(t.directory.path()).filePath(QStringLiteral("export.txt"));
    for (auto _ : state)
        benchmark::DoNotOptimize(FormulaExport::write(*t.db, t.history, {kTable}, path, options).formulas);
    state.counters["formulas"] = kTableFormulas;
    state.counters["draws"] = t.history.size();
}
BENCHMARK(BM_ExportLargeTable)->Arg(300)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);

// mnuExl on a list of 40,000 kill and keep formulas (the kill ones are listed).
void BM_FormulaGridSpreadsheet(benchmark::State& state)
{
    LargeTable& t = largeTable();
    FormulaGridView view;
    view.kindLabel = QStringLiteral("第三直选");
    const FormulaGridSheet sheet(t.scored, view);
    const QString path = QDir(t.directory.path()).filePath(FormulaGridSheet::fileName());
    for (auto _ : state)
        GridSpreadsheet::write(path, sheet, QStringLiteral("bench"));
    state.counters["rows"] = sheet.rowCount();
}
BENCHMARK(BM_FormulaGridSpreadsheet)->Unit(benchmark::kMillisecond)->Iterations(1);

// cmdDcexl with the history grid showing its most result columns (20,000 × 518 cells).
void BM_HistoryGridSpreadsheet(benchmark::State& state)
{
    LargeTable& t = largeTable();
    std::vector<FormulaRecord> records;
    for (const ScoredFormula& formula : t.scored)
        records.push_back(formula.record);
    const std::vector<FormulaResultColumn> columns =
        FormulaEvaluator(t.history, FormulaKind(3, false), 11, ScoringWindow{})
            .resultColumns(records, ResultColumnForm::NextDraw);
    const HistoryGridSheet sheet(t.history, columns);
    const QString path = QDir(t.directory.path()).filePath(HistoryGridSheet::fileName());
    for (auto _ : state)
        GridSpreadsheet::write(path, sheet, QStringLiteral("bench"));
    state.counters["rows"] = sheet.rowCount();
    state.counters["columns"] = sheet.columnCount();
}
BENCHMARK(BM_HistoryGridSpreadsheet)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
