// Every path that judges a prediction against a draw (the list's scores with and
// without the history grid's columns, the columns themselves, the search's own
// loop, a single formula's score) against the rule written out plainly, on
// random formulas and histories; and the numbers the next-draw calculation and
// the back-test vote with against the ones the grid shows.
#include "analysis/BackTest.h"
#include "analysis/NextDrawCalculation.h"
#include "common/LotteryTable.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaScoring.h"
#include "formula/FormulaStore.h"
#include "formula/TableScorer.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"
#include "support/TestEnvironment.h"

#include <QDate>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <random>
#include <tuple>

namespace {

// ---- the rule, written out plainly -----------------------------------------

// The number a value names for the next draw: rounded to an integer with ties
// to even, then ((n − 1) Mod R) + 1 with the dividend's sign. An empty value
// (NaN, or too large for an integer form) names nothing.
std::optional<int> plainPrediction(double value, int range)
{
    if (!std::isfinite(value) || std::fabs(value) >= 9.0e18)
        return std::nullopt;
    const auto n = static_cast<long long>(std::nearbyint(value)); // default rounding: ties to even
    return static_cast<int>((n - 1) % range + 1);
}

// Kill: the number is absent from the judged positions; keep: present there.
// Direct formulas judge position p, group formulas positions 1..p.
bool plainHit(const HistorySnapshot& history, int row, FormulaKind kind, bool kill, std::optional<int> predicted)
{
    if (!predicted)
        return false;
    bool present = false;
    for (int p = kind.group() ? 1 : kind.position(); p <= kind.position(); ++p)
        present = present || history.number(row, p) == *predicted;
    return kill != present;
}

// hits[row] for every row; the first draw has no prediction.
std::vector<bool> plainHits(const HistorySnapshot& history, const std::vector<double>& values, FormulaKind kind,
                            bool kill, int range)
{
    std::vector<bool> hits(values.size(), false);
    for (size_t row = 1; row < values.size(); ++row)
        hits[row] = plainHit(history, static_cast<int>(row), kind, kill, plainPrediction(values[row - 1], range));
    return hits;
}

// The window counts the latest W draws (W + 1 with the current one), never the first draw.
FormulaStatistics plainStatistics(const std::vector<bool>& hits, const ScoringWindow& window)
{
    const int n = static_cast<int>(hits.size());
    int first = 1;
    if (window.lookBack > 0)
        first = std::max(1, n - (window.excludeCurrent ? window.lookBack : window.lookBack + 1));
    FormulaStatistics s;
    long long j = 0;
    for (int row = first; row < n; ++row) {
        ++j;
        const long long weight = window.weighted ? j * j : 1;
        s.totalWeight += weight;
        if (hits[static_cast<size_t>(row)]) {
            s.hitWeight += weight;
            s.longestHitRun = std::max(s.longestHitRun, ++s.lastHitRun);
            s.lastMissRun = 0;
        } else {
            s.longestMissRun = std::max(s.longestMissRun, ++s.lastMissRun);
            s.lastHitRun = 0;
        }
    }
    if (s.totalWeight > 0)
        s.rate = static_cast<float>(static_cast<double>(s.hitWeight) / static_cast<double>(s.totalWeight) * 100.0);
    return s;
}

void expectSame(const FormulaStatistics& actual, const FormulaStatistics& expected, const std::string& where)
{
    EXPECT_EQ(actual.rate, expected.rate) << where;
    EXPECT_EQ(actual.hitWeight, expected.hitWeight) << where;
    EXPECT_EQ(actual.totalWeight, expected.totalWeight) << where;
    EXPECT_EQ(actual.longestMissRun, expected.longestMissRun) << where;
    EXPECT_EQ(actual.longestHitRun, expected.longestHitRun) << where;
    EXPECT_EQ(actual.lastMissRun, expected.lastMissRun) << where;
    EXPECT_EQ(actual.lastHitRun, expected.lastHitRun) << where;
}

// ---- random formulas ---------------------------------------------------------

QString column(std::mt19937& random) { return AttributeCatalog::code(static_cast<int>(random() % 88)); }

// Formulas people type: products, Mod, integer and real division (halves, so
// ties in the rounding), divisions by zero on some draws, negative values, and
// values too large to name a number.
QString typedFormula(std::mt19937& random)
{
    switch (random() % 6) {
    case 0: return QStringLiteral("(%1*2+%2) Mod 9 + %3\\2").arg(column(random), column(random), column(random));
    case 1: return QStringLiteral("%1/2 + %2/4").arg(column(random), column(random));
    case 2: return QStringLiteral("%1/(L%2B-L%3B)").arg(column(random)).arg(1 + random() % 5).arg(1 + random() % 5);
    case 3: return QStringLiteral("-%1-%2+3").arg(column(random), column(random));
    case 4: return QStringLiteral("%1*10000000000000000000+1").arg(column(random));
    default:
        return QStringLiteral("%1 Mod (L%2C-L%3C) + 1.5")
            .arg(column(random))
            .arg(1 + random() % 5)
            .arg(1 + random() % 5);
    }
}

struct Workbench {
    TestEnvironment env;
    std::unique_ptr<Database> db;
    HistorySnapshot history;
    int range = 11;
    // The search's candidates stored in the tables, by table, kill flag and idx.
    std::map<std::tuple<QString, bool, int>, Candidate> candidates;
};

// Every table holds, for kill and for keep, search candidates (some with
// negative constants, so some sums name no number) and typed formulas.
std::unique_ptr<Workbench> workbench(int lotteryIndex, std::uint64_t seed)
{
    auto w = std::make_unique<Workbench>();
    w->db = std::make_unique<Database>(w->env.dataDirectory());
    const LotteryTable::Entry lottery = LotteryTable::entry(lotteryIndex);
    w->range = lottery.numberRange;
    DrawStore(*w->db, lottery).addAll(DemoHistory::generate(lottery, 6, seed, QDate(2026, 10, 1)));
    w->history = HistorySnapshot::load(w->db->sql());
    std::mt19937 random(static_cast<unsigned>(seed));
    FormulaStore store(*w->db);
    for (const FormulaKind& kind : FormulaKind::all()) {
        for (bool kill : {true, false}) {
            const std::optional<int> constant =
                random() % 2 ? std::optional<int>(-30 + static_cast<int>(random() % 45)) : std::nullopt;
            const CandidateGenerator generator(random(), 2 + static_cast<int>(random() % 7), constant);
            std::vector<ParsedFormula> formulas;
            std::vector<Candidate> drawn;
            for (int i = 0; i < 10; ++i) {
                ParsedFormula f;
                f.target = FormulaTarget(kind, kill);
                if (i % 2 == 0) {
                    drawn.push_back(generator.generate(static_cast<std::uint64_t>(i)));
                    f.code = CandidateGenerator::code(drawn.back());
                } else {
                    f.code = typedFormula(random);
                }
                f.chinese = f.code;
                formulas.push_back(f);
            }
            const std::vector<int> idxs = store.addAll(formulas);
            for (size_t i = 0; i < idxs.size(); i += 2)
                w->candidates[{kind.tableName(), kill, idxs[i]}] = drawn[i / 2];
        }
    }
    return w;
}

const std::vector<ScoringWindow> kWindows{
    {0, true, false}, {100, true, true}, {300, false, true}, {100000, true, true}, {7, false, false}};

} // namespace

TEST(HitPaths, everyPathJudgesLikeThePlainRule)
{
    int judged = 0;
    int searched = 0;
    int emptyPredictions = 0;
    for (const auto& [lotteryIndex, seed] : {std::pair{0, 31u}, std::pair{27, 47u}}) {
        const std::unique_ptr<Workbench> w = workbench(lotteryIndex, seed);
        const HistorySnapshot& history = w->history;
        const int range = w->range;
        ASSERT_EQ(range, lotteryIndex == 0 ? 11 : 12);
        ASSERT_GT(history.size(), 300);
        for (const ScoringWindow& window : kWindows) {
            for (const FormulaKind& kind : FormulaKind::all()) {
                for (bool kill : {true, false}) {
                    const QString table = kind.tableName();
                    const std::vector<FormulaRecord> records = FormulaStore(*w->db).list(table, kill);
                    const ScoringRule rule = kind.rule(range, kill);
                    const TableScore withColumns =
                        TableScorer::score(history, records, rule, window, ResultColumnForm::NextDraw);
                    const TableScore sameDraw =
                        TableScorer::score(history, records, rule, window, ResultColumnForm::SameDraw);
                    const std::vector<ScoredFormula> plain =
                        TableScorer::scoreTable(*w->db, history, table, kill, range, window);
                    ASSERT_EQ(withColumns.formulas.size(), 10u);
                    ASSERT_EQ(withColumns.columns.size(), 10u);
                    const CandidateScorer scorer(history, kind.rule(range, kill), window);
                    for (size_t i = 0; i < plain.size(); ++i) {
                        const FormulaRecord& record = plain[i].record;
                        const std::string where = record.code.toStdString() + " R" + std::to_string(range) + " " +
                                                  table.toStdString() + (kill ? " kill" : " keep") + " W" +
                                                  std::to_string(window.lookBack);
                        const CompiledFormula formula = CompiledFormula::compile(record.code);
                        const std::vector<double> values = formula.evaluateAll(history);
                        const std::vector<bool> hits = plainHits(history, values, kind, kill, range);
                        const FormulaStatistics expected = plainStatistics(hits, window);

                        // The list, with and without the grid's columns.
                        expectSame(plain[i].record.statistics, expected, where);
                        expectSame(withColumns.formulas[i].record.statistics, expected, where);
                        expectSame(sameDraw.formulas[i].record.statistics, expected, where);
                        EXPECT_EQ(FormulaStore(*w->db).list(table, kill)[i].statistics.longestMissRun,
                                  expected.longestMissRun)
                            << where;
                        // A single formula's score.
                        expectSame(FormulaScoring::score(history, formula, kind.rule(range, kill), window), expected,
                                   where);
                        // The grid's columns: the carried prediction and whether it came true.
                        const FormulaResultColumn& column = withColumns.columns[i];
                        for (size_t row = 0; row < values.size(); ++row) {
                            const std::optional<int> predicted =
                                row == 0 ? std::nullopt : plainPrediction(values[row - 1], range);
                            emptyPredictions += row > 0 && !predicted;
                            ASSERT_EQ(column.hits[row], hits[row] ? 1 : 0) << where << " row " << row;
                            ASSERT_EQ(sameDraw.columns[i].hits[row], column.hits[row]) << where << " row " << row;
                            ASSERT_EQ(column.numbers[row], predicted ? *predicted : FormulaResultColumn::kEmpty)
                                << where << " row " << row;
                        }
                        // The latest value and the "计算值" it names.
                        const double latest = values.back();
                        EXPECT_TRUE(plain[i].latestValue == latest ||
                                    (std::isnan(latest) && std::isnan(plain[i].latestValue)))
                            << where;
                        EXPECT_EQ(plain[i].nextNumber, sameDraw.columns[i].numbers.back() == FormulaResultColumn::kEmpty
                                                           ? std::nullopt
                                                           : std::optional<int>(sameDraw.columns[i].numbers.back()))
                            << where;
                        // The search's own loop, for the candidates it stored.
                        const auto candidate = w->candidates.find({table, kill, record.idx});
                        if (candidate != w->candidates.end()) {
                            expectSame(scorer.score(candidate->second), expected, where + " (search)");
                            ++searched;
                        }
                        ++judged;
                    }
                }
            }
        }

        // The next-draw calculation names each formula's "计算值" on the draw
        // before the one verified: the same number the grid shows on that draw.
        for (const FormulaKind& kind : FormulaKind::all()) {
            for (bool kill : {true, false}) {
                CalculationRequest request;
                request.leadingPositions = kind.position();
                request.group = kind.group();
                request.kill = kill;
                request.range = range;
                const int verified = 1 + static_cast<int>(kind.searchIndex() * 37 % (history.size() - 1));
                request.verifyIssue = kind.searchIndex() % 3 == 0 ? QString() : history.issue(verified);
                const int reference = request.verifyIssue.isEmpty() ? history.size() - 1 : verified - 1;
                for (int idx = 1; idx <= 20; ++idx) // kill and keep formulas alike; the flag picks
                    request.selected.insert(idx);
                const CalculationResult result = NextDrawCalculation::run(*w->db, history, request);
                EXPECT_TRUE(result.skipped.empty());
                ASSERT_EQ(result.usedCount(), 10 * (kind.group() ? 1 : kind.position()));
                for (const UsedFormula& used : result.used) {
                    const FormulaKind usedKind = FormulaKind::ofTable(used.table);
                    const FormulaEvaluation shown =
                        FormulaEvaluator(history, usedKind, range, ScoringWindow{})
                            .evaluate({used.idx, used.code, used.chinese, kill, {}}, ResultColumnForm::SameDraw);
                    const std::int8_t number = shown.column.numbers[static_cast<size_t>(reference)];
                    const int expected = number >= 1 && number <= range ? number : 0;
                    EXPECT_EQ(used.number, expected) << used.code.toStdString() << " " << used.table.toStdString();
                }
            }
        }

        // The back-test's kill votes on every draw name the same numbers.
        const FormulaKind kind(4, true);
        BackTestRequest replay;
        replay.table = kind.tableName();
        replay.range = range;
        replay.formulas = FormulaStore(*w->db).list(replay.table, true);
        for (const FormulaRecord& f : replay.formulas)
            replay.selected.insert(f.idx);
        const std::optional<BackTestResult> replayed = BackTest::run(history, replay);
        ASSERT_TRUE(replayed);
        const FormulaEvaluator evaluator(history, kind, range, ScoringWindow{});
        std::vector<std::vector<int>> killed(static_cast<size_t>(history.size()), std::vector<int>(13, 0));
        for (const FormulaRecord& f : replay.formulas) {
            const FormulaResultColumn shown = evaluator.evaluate(f, ResultColumnForm::SameDraw).column;
            for (size_t d = 0; d < shown.numbers.size(); ++d)
                if (shown.numbers[d] >= 1 && shown.numbers[d] <= range)
                    ++killed[d][static_cast<size_t>(shown.numbers[d])];
        }
        for (int d = 0; d < history.size(); ++d)
            for (int n = 1; n <= range; ++n)
                ASSERT_EQ(replayed->tally(d, n).kill, killed[static_cast<size_t>(d)][static_cast<size_t>(n)])
                    << "draw " << d << " number " << n;
    }
    EXPECT_EQ(judged, 2 * 5 * 10 * 2 * 10);
    EXPECT_EQ(searched, judged / 2);
    EXPECT_GT(emptyPredictions, 0); // the comparison did meet empty values
}
