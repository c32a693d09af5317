// backtest: replays every stored draw with the selected formulas of one table and
// lists where the number really drawn stood in the vote.
#include "CliCommandGroups.h"
#include "CliContext.h"
#include "CliOptions.h"
#include "analysis/BackTest.h"
#include "analysis/HistoryList.h"
#include "analysis/MethodVerdict.h"
#include "analysis/RankHistogram.h"
#include "analysis/RankingKey.h"
#include "analysis/WalkForward.h"
#include "common/AppSettings.h"
#include "common/UserError.h"
#include "formula/FormulaStore.h"
#include "history/HistorySnapshot.h"

#include <QJsonArray>
#include <QJsonObject>
#include <limits>

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

QJsonValue optional(const std::optional<int>& value) { return value ? QJsonValue(*value) : QJsonValue(); }

QJsonArray drawsJson(const BackTestResult& result, const std::vector<std::vector<int>>* voters = nullptr)
{
    QJsonArray draws;
    for (int d = 0; d < result.drawCount(); ++d) {
        QJsonArray ranking;
        for (int rank = 1; rank <= result.range; ++rank) {
            const int n = result.rankedNumber(d, rank);
            const NumberTally& t = result.tally(d, n);
            ranking.append(QJsonObject{{QStringLiteral("num"), n},
                                       {QStringLiteral("ETrrcount"), t.vote},
                                       {QStringLiteral("Errcount"), t.kill},
                                       {QStringLiteral("Trrcount"), t.keep}});
        }
        QJsonObject draw{{QStringLiteral("strQQH"), result.issue(d)}, {QStringLiteral("ranking"), ranking}};
        for (int p = 1; p <= 5; ++p)
            draw.insert(QStringLiteral("L%1A").arg(p), result.number(d, p));
        if (voters) {
            QJsonArray idx;
            for (int i : (*voters)[static_cast<size_t>(d)])
                idx.append(i);
            draw.insert(QStringLiteral("voters"), idx);
        }
        draws.append(draw);
    }
    return draws;
}

QJsonArray rowsJson(const HistoryList& list)
{
    QJsonArray rows;
    for (int r = 0; r < list.rowCount(); ++r) {
        QJsonObject row{{list.header(0), list.text(r, 0)}};
        for (int c = 1; c < HistoryList::kFixedColumns; ++c)
            row.insert(list.header(c), optional(list.integer(r, c)));
        rows.append(row);
    }
    return rows;
}

QJsonObject checkJson(const VoteCheck& c)
{
    return QJsonObject{{QStringLiteral("rows"), c.rows},
                       {QStringLiteral("lowest_group_hits"), c.lowestGroupHits},
                       {QStringLiteral("lowest_group_expected"), c.lowestGroupExpected},
                       {QStringLiteral("lowest_group_rate"), c.hitShare()},
                       {QStringLiteral("chance_rate"), c.expectedShare()},
                       {QStringLiteral("lowest_group_p"), c.lowestGroupP},
                       {QStringLiteral("p_value"), c.chiSquareP ? QJsonValue(*c.chiSquareP) : QJsonValue()}};
}

// What a walk-forward run adds: its settings and the verdict beside the plain back-test.
struct WalkForwardReport {
    const WalkForwardResult* result = nullptr;
    VoteCheck plain;
    VoteCheck walkForward;
};

QJsonObject document(const HistoryList& list, const RankHistogram& histogram, const WalkForwardReport* walk = nullptr)
{
    const BackTestResult& result = list.result();
    QJsonArray counts;
    for (int c : histogram.counts)
        counts.append(c);
    QJsonArray skipped;
    for (const BackTestSkip& s : result.skipped)
        skipped.append(QJsonObject{{QStringLiteral("idx"), s.idx}, {QStringLiteral("reason"), s.reason}});
    QJsonObject doc;
    doc.insert(QStringLiteral("table"), result.table);
    doc.insert(QStringLiteral("bolKill"), result.kill);
    doc.insert(QStringLiteral("range"), result.range);
    doc.insert(QStringLiteral("position"), list.position());
    doc.insert(QStringLiteral("usedFormulas"), result.usedFormulas);
    doc.insert(QStringLiteral("skipped"), skipped);
    doc.insert(QStringLiteral("draws"), drawsJson(result, walk ? &walk->result->voters : nullptr));
    doc.insert(QStringLiteral("rows"), rowsJson(list));
    doc.insert(QStringLiteral("rank_histogram"), counts);
    doc.insert(QStringLiteral("lowest_group"),
               QJsonObject{{QStringLiteral("hits"), histogram.lowestGroupHits},
                           {QStringLiteral("rows"), histogram.rows},
                           {QStringLiteral("expected"), histogram.lowestGroupExpected}});
    // The ranks against the even ranks of a random vote; null when no row was ranked.
    const auto& test = histogram.uniformity;
    doc.insert(QStringLiteral("chi_square"), test ? QJsonValue(test->statistic) : QJsonValue());
    doc.insert(QStringLiteral("degrees_of_freedom"), test ? QJsonValue(test->degreesOfFreedom) : QJsonValue());
    doc.insert(QStringLiteral("p_value"), test ? QJsonValue(test->pValue) : QJsonValue());
    if (walk) {
        const WalkForwardResult& w = *walk->result;
        doc.insert(QStringLiteral("walk_forward"),
                   QJsonObject{{QStringLiteral("lookback"), w.lookBack},
                               {QStringLiteral("rank_by"), RankingKeys::token(w.rankBy)},
                               {QStringLiteral("top"), w.top},
                               {QStringLiteral("from"), w.from}});
        doc.insert(QStringLiteral("verdict"),
                   QJsonObject{{QStringLiteral("title"), MethodVerdict::title()},
                               {QStringLiteral("plain"), checkJson(walk->plain)},
                               {QStringLiteral("walk_forward"), checkJson(walk->walkForward)},
                               {QStringLiteral("text"), MethodVerdict::backTestText(walk->plain, walk->walkForward)}});
    }
    return doc;
}

void printText(CliContext& context, const HistoryList& list, const RankHistogram& histogram,
               const WalkForwardReport* walk = nullptr)
{
    const BackTestResult& result = list.result();
    if (walk)
        context.printLine(
            QStringLiteral("逐期回测：每一期只用它之前的开奖数据，回看 %1 期，按 %2 排序取前 %3 条，自 %4 期起")
                .arg(walk->result->lookBack)
                .arg(RankingKeys::token(walk->result->rankBy))
                .arg(walk->result->top)
                .arg(walk->result->from));
    context.printLine(QStringLiteral("%1 %2, %3 formulas, %4 draws, position %5")
                          .arg(result.table, result.kill ? QStringLiteral("杀") : QStringLiteral("生"))
                          .arg(result.usedFormulas)
                          .arg(result.drawCount())
                          .arg(list.position()));
    for (const BackTestSkip& s : result.skipped)
        context.printLine(QStringLiteral("skipped #%1: %2").arg(s.idx).arg(s.reason));
    QStringList header;
    for (int c = 0; c < HistoryList::kFixedColumns; ++c)
        header << list.header(c);
    header << QStringLiteral("排列");
    if (walk)
        header << QStringLiteral("投票公式");
    context.printLine(header.join(u'\t'));
    for (int r = 0; r < list.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < HistoryList::kFixedColumns; ++c)
            cells << list.text(r, c);
        QStringList order;
        for (int rank = 1; rank <= list.range(); ++rank)
            order << QStringLiteral("%1:%2")
                         .arg(list.text(r, HistoryList::kFixedColumns + rank - 1))
                         .arg(list.text(r, HistoryList::kFixedColumns + list.range() + rank - 1));
        QString line = cells.join(u'\t') + u'\t' + order.join(u' ');
        if (walk) {
            QStringList idx;
            for (int i : walk->result->voters[static_cast<size_t>(list.row(r).draw)])
                idx << QString::number(i);
            line += u'\t' + idx.join(u',');
        }
        context.printLine(line);
    }
    QStringList counts;
    for (size_t i = 0; i < histogram.counts.size(); ++i)
        counts << QStringLiteral("%1:%2").arg(i + 1).arg(histogram.counts[i]);
    context.printLine(QStringLiteral("名次分布 %1 (随机期望每名次 %2)")
                          .arg(counts.join(u' '))
                          .arg(histogram.expectedPerRank(), 0, 'f', 1));
    context.printLine(QStringLiteral("最少票组命中 %1/%2 (随机期望 %3)")
                          .arg(histogram.lowestGroupHits)
                          .arg(histogram.rows)
                          .arg(histogram.lowestGroupExpected, 0, 'f', 1));
    if (const auto& test = histogram.uniformity)
        context.printLine(QStringLiteral("卡方 %1 (自由度 %2), p = %3")
                              .arg(test->statistic, 0, 'f', 2)
                              .arg(test->degreesOfFreedom)
                              .arg(test->pValue, 0, 'g', 3));
    if (walk)
        context.printLine(MethodVerdict::backTestText(walk->plain, walk->walkForward));
}

StatisticKey rankKeyOf(const CliOptions& options)
{
    if (!options.isSet(QStringLiteral("rank-by")))
        return StatisticKey::Rate;
    const auto key = RankingKeys::fromToken(options.text(QStringLiteral("rank-by")));
    if (!key)
        throw CliOptions::badInput(QStringLiteral("--rank-by needs one of %1, got \"%2\"")
                                       .arg(RankingKeys::tokens().join(u','), options.text(QStringLiteral("rank-by"))));
    return *key;
}

// The replay in which each draw is voted on only by what was known before it,
// reported like the plain back-test plus each draw's voters and the verdict.
// Errarr is left as the plain back-test leaves it: the walk-forward vote on the
// latest draw is a different vote.
int walkForward(CliContext& context, const CliOptions& options, const HistorySnapshot& history,
                const BackTestRequest& request, FormulaKind kind, int position)
{
    WalkForwardRequest walk;
    walk.backTest = request;
    walk.kind = kind;
    walk.lookBack = options.integer(QStringLiteral("lookback"), 0, kIntMax, context.settings().lookBackDraws());
    walk.weighted = context.settings().weightedRate();
    walk.rankBy = rankKeyOf(options);
    walk.top = options.integer(QStringLiteral("top"), 1, kIntMax, 20);
    walk.from = options.text(QStringLiteral("from"));
    const WalkForwardResult result = *WalkForward::run(history, walk);
    const BackTestResult plain = *BackTest::run(history, request);

    WalkForwardReport report;
    report.result = &result;
    report.plain = MethodVerdict::check(plain, position, result.firstRow);
    report.walkForward = MethodVerdict::check(result.backTest, position);
    const HistoryList list(std::make_shared<const BackTestResult>(result.backTest), position);
    const RankHistogram histogram = RankHistogram::of(list);
    if (context.json())
        context.printJson(document(list, histogram, &report));
    else
        printText(context, list, histogram, &report);
    return 0;
}

int backtestCommand(CliContext& context, const CliOptions& options)
{
    const FormulaKind kind = options.kind();
    const QString table = kind.tableName();
    BackTestRequest request;
    request.table = table;
    request.kill = options.killFlag(true);
    // The table's own position ("Gongshi3G" → 3) unless another is asked for.
    const int position = options.integer(QStringLiteral("position"), 1, 5, kind.position());

    Database& db = context.database();
    request.range = context.lottery().numberRange;
    request.formulas = FormulaStore(db).list(table, request.kill);
    if (const auto named = options.selection()) {
        request.selected = *named;
    } else {
        for (const FormulaRecord& f : request.formulas)
            request.selected.insert(f.idx);
    }
    const HistorySnapshot history = HistorySnapshot::load(db.sql());
    if (options.isSet(QStringLiteral("walk-forward")))
        return walkForward(context, options, history, request, kind, position);
    auto result = std::make_shared<const BackTestResult>(*BackTest::run(history, request));
    BackTest::storeLastDraw(db.sql(), *result);

    const HistoryList list(result, position);
    const RankHistogram histogram = RankHistogram::of(list);
    if (context.json())
        context.printJson(document(list, histogram));
    else
        printText(context, list, histogram);
    return 0;
}

} // namespace

std::vector<CliCommand> backTestCommands()
{
    CliCommand command;
    command.words = {QStringLiteral("backtest")};
    command.summary =
        QStringLiteral("replay every draw with the selected formulas and list where the drawn number ranked");
    command.options = {
        CliOptions::tableOption(),
        CliOptions::flagOption(QStringLiteral("default: kill")),
        CliOptions::selectOption(),
        QCommandLineOption(QStringLiteral("position"),
                           QStringLiteral("the position whose drawn numbers are compared, 1..5; "
                                          "default: the table's own"),
                           QStringLiteral("P")),
        QCommandLineOption(QStringLiteral("walk-forward"),
                           QStringLiteral("vote on each draw only with the formulas that ranked best "
                                          "over the draws before it")),
        QCommandLineOption(QStringLiteral("lookback"),
                           QStringLiteral("walk-forward: draws before each draw that score the "
                                          "formulas, 0 = all; default: the look-back setting"),
                           QStringLiteral("W")),
        QCommandLineOption(
            QStringLiteral("rank-by"),
            QStringLiteral("walk-forward: the ranking key, %1; default rate").arg(RankingKeys::tokens().join(u',')),
            QStringLiteral("KEY")),
        QCommandLineOption(QStringLiteral("top"),
                           QStringLiteral("walk-forward: how many of the best formulas vote; default 20"),
                           QStringLiteral("K")),
        QCommandLineOption(QStringLiteral("from"),
                           QStringLiteral("walk-forward: the first replayed issue; default: the first "
                                          "with W draws before it"),
                           QStringLiteral("ISSUE"))};
    command.details = QStringLiteral("Errarr is left holding the tallies of the last replayed draw (the plain "
                                     "back-test's; --walk-forward leaves it as it was).");
    command.run = backtestCommand;
    return {command};
}
