// predict and filter: the next-draw calculation and the formula filter.
#include "CliCommandGroups.h"
#include "CliContext.h"
#include "CliOptions.h"
#include "analysis/ErrorValuesTable.h"
#include "analysis/FormulaFilter.h"
#include "analysis/NextDrawCalculation.h"
#include "common/UserError.h"
#include "formula/FormulaStore.h"
#include "history/HistorySnapshot.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {

// Every idx of the listed formulas, or the ones --select names.
std::set<int> selection(const CliOptions& options, const std::vector<std::vector<FormulaRecord>>& tables)
{
    if (const auto named = options.selection())
        return *named;
    std::set<int> all;
    for (const auto& table : tables)
        for (const FormulaRecord& f : table)
            all.insert(f.idx);
    return all;
}

QJsonValue number(double value) { return std::isnan(value) || std::isinf(value) ? QJsonValue() : QJsonValue(value); }

// positions, verdicts, order and kept: one object each, keyed by position.
void insertPositions(QJsonObject& document, const CalculationResult& result)
{
    QJsonObject positions;
    QJsonObject verdicts;
    QJsonObject orders;
    QJsonObject kept;
    const KeptMarks marks = ErrorValuesTable::keptMarks(result);
    const std::vector<int> shown = result.shownPositions();
    for (size_t i = 0; i < shown.size(); ++i) {
        const int p = shown[i];
        QJsonObject numbers;
        QJsonObject verdict;
        for (int n = 1; n <= result.range; ++n) {
            const NumberTally& t = result.tally(p, n);
            numbers.insert(QString::number(n), QJsonObject{{QStringLiteral("vote"), t.vote},
                                                           {QStringLiteral("kill"), t.kill},
                                                           {QStringLiteral("keep"), t.keep}});
            verdict.insert(QString::number(n),
                           ErrorValuesTable::verdictText(ErrorValuesTable::isFiltered(result.kill, t.vote)));
        }
        QJsonArray order;
        for (const ErrorValueRow& row : ErrorValuesTable::order(result, p))
            order.append(row.number);
        QJsonArray keptNumbers;
        for (int n : marks.kept[i])
            keptNumbers.append(n);
        positions.insert(QString::number(p), numbers);
        verdicts.insert(QString::number(p), verdict);
        orders.insert(QString::number(p), order);
        kept.insert(QString::number(p), keptNumbers);
    }
    document.insert(QStringLiteral("positions"), positions);
    document.insert(QStringLiteral("verdicts"), verdicts);
    document.insert(QStringLiteral("order"), orders);
    document.insert(QStringLiteral("kept"), kept);
}

// used and skipped: the formulas that voted and those that could not.
void insertFormulas(QJsonObject& document, const CalculationResult& result)
{
    QJsonArray used;
    for (const UsedFormula& f : result.used)
        used.append(QJsonObject{{QStringLiteral("position"), f.position},
                                {QStringLiteral("table"), f.table},
                                {QStringLiteral("idx"), f.idx},
                                {QStringLiteral("gongshiCN"), f.chinese},
                                {QStringLiteral("gongshi"), f.code},
                                {QStringLiteral("value"), number(f.value)},
                                {QStringLiteral("number"), f.number}});
    QJsonArray skipped;
    for (const SkippedFormula& f : result.skipped)
        skipped.append(QJsonObject{{QStringLiteral("position"), f.position},
                                   {QStringLiteral("table"), f.table},
                                   {QStringLiteral("idx"), f.idx},
                                   {QStringLiteral("reason"), f.reason}});
    document.insert(QStringLiteral("used"), used);
    document.insert(QStringLiteral("usedCount"), result.usedCount());
    document.insert(QStringLiteral("skipped"), skipped);
}

QJsonObject predictJson(const CalculationResult& result)
{
    QJsonObject document;
    document.insert(QStringLiteral("reference"), result.referenceIssue);
    document.insert(QStringLiteral("verify"),
                    result.verifiedIssue.isEmpty() ? QJsonValue() : QJsonValue(result.verifiedIssue));
    QJsonValue drawn;
    if (result.verifiedNumbers) {
        QJsonArray numbers;
        for (int n : *result.verifiedNumbers)
            numbers.append(n);
        drawn = numbers;
    }
    document.insert(QStringLiteral("drawn"), drawn);
    document.insert(QStringLiteral("range"), result.range);
    document.insert(QStringLiteral("kill"), result.kill);
    document.insert(QStringLiteral("method"), result.bestMethod ? QStringLiteral("best") : QStringLiteral("selected"));
    document.insert(QStringLiteral("keepLimit"), result.keepLimit);
    insertPositions(document, result);
    insertFormulas(document, result);
    return document;
}

void printPredictText(CliContext& context, const CalculationResult& result)
{
    context.printLine(QStringLiteral("reference %1, %2 formulas used, keep limit %3")
                          .arg(result.referenceIssue)
                          .arg(result.usedCount())
                          .arg(result.keepLimit));
    if (result.verifiedNumbers) {
        QStringList drawn;
        for (int n : *result.verifiedNumbers)
            drawn << QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
        context.printLine(QStringLiteral("verify %1 drawn %2").arg(result.verifiedIssue, drawn.join(u' ')));
    }
    for (int p : result.shownPositions()) {
        QStringList cells;
        for (const ErrorValueRow& row : ErrorValuesTable::order(result, p))
            cells << QStringLiteral("%1:%2%3")
                         .arg(row.number, 2, 10, QChar(u'0'))
                         .arg(row.tally.vote)
                         .arg(ErrorValuesTable::verdictText(row.filtered));
        context.printLine(QStringLiteral("第%1 ").arg(p) + cells.join(u' '));
    }
    for (const SkippedFormula& f : result.skipped)
        context.printLine(QStringLiteral("skipped %1 #%2: %3").arg(f.table).arg(f.idx).arg(f.reason));
}

CalculationRequest predictRequest(CliContext& context, const CliOptions& options)
{
    if (!options.isSet(QStringLiteral("position")))
        throw CliOptions::badInput(QStringLiteral("predict needs --position 1..5"));
    CalculationRequest request;
    request.leadingPositions = options.integer(QStringLiteral("position"), 1, 5, 1);
    request.group = options.choice(QStringLiteral("play"), {QStringLiteral("direct"), QStringLiteral("group")},
                                   QStringLiteral("direct")) == u"group";
    request.kill = options.killFlag(true);
    request.bestMethod = options.choice(QStringLiteral("method"), {QStringLiteral("selected"), QStringLiteral("best")},
                                        QStringLiteral("selected")) == u"best";
    request.range = context.lottery().numberRange;
    if (options.isSet(QStringLiteral("verify")))
        request.verifyIssue =
            CliOptions::issueArgument(options.text(QStringLiteral("verify")), QStringLiteral("--verify"));
    request.ranking = RankingChoice::load(context.settings().store());
    if (options.isSet(QStringLiteral("keys")))
        request.ranking.keys = RankingChoice::parseTokens(options.text(QStringLiteral("keys")));
    request.ranking.keepLimit = options.integer(QStringLiteral("limit"), 1, 12, request.ranking.keepLimit);
    const AppSettings& settings = context.settings();
    request.rescore = ScoringWindow{settings.lookBackDraws(), settings.excludeCurrent(), settings.weightedRate()};
    return request;
}

int predictCommand(CliContext& context, const CliOptions& options)
{
    CalculationRequest request = predictRequest(context, options);
    Database& db = context.database();
    FormulaStore store(db);
    std::vector<std::vector<FormulaRecord>> tables;
    for (const auto& visited : NextDrawCalculation::visitedTables(request.leadingPositions, request.group))
        tables.push_back(store.list(visited.first, request.kill));
    request.selected = selection(options, tables);

    // The draws and the formulas of one state, even while another program writes.
    const CalculationResult result = NextDrawCalculation::run(db, request, {}, std::nullopt);
    if (context.json())
        context.printJson(predictJson(result));
    else
        printPredictText(context, result);
    return 0;
}

void printFilterText(CliContext& context, const StatisticBounds& prefilled, const std::set<int>& after)
{
    QStringList prefillText;
    for (int i = 0; i < 10; ++i)
        prefillText << FormulaFilter::boundText(i, prefilled[i]);
    QStringList selectedText;
    for (int idx : after)
        selectedText << QString::number(idx);
    context.printLine(QStringLiteral("prefill %1").arg(prefillText.join(u',')));
    context.printLine(QStringLiteral("selected %1").arg(selectedText.join(u',')));
    context.printLine(QStringLiteral("过滤后公式剩余%1条").arg(after.size()));
}

int filterCommand(CliContext& context, const CliOptions& options)
{
    const QString table = options.table();
    const bool kill = options.killFlag(true);
    std::array<double, StatisticBounds::kCount> values{};
    const bool filtering = options.isSet(QStringLiteral("bounds"));
    if (filtering)
        std::ranges::copy(options.decimals(QStringLiteral("bounds"), StatisticBounds::kCount), values.begin());
    const StatisticBounds bounds(values);

    const std::vector<FormulaRecord> formulas = FormulaStore(context.database()).list(table, kill);
    std::set<int> before = selection(options, {formulas});
    // Only formulas of the list can be selected.
    std::erase_if(before, [&formulas](int idx) {
        return std::none_of(formulas.begin(), formulas.end(), [idx](const FormulaRecord& f) { return f.idx == idx; });
    });
    const StatisticBounds prefilled = FormulaFilter::prefill(formulas, before);
    const std::set<int> after = filtering ? FormulaFilter::apply(formulas, before, bounds) : before;
    if (!context.json()) {
        printFilterText(context, prefilled, after);
        return 0;
    }
    QJsonArray prefill;
    for (double v : prefilled.values())
        prefill.append(v);
    QJsonArray selected;
    for (int idx : after)
        selected.append(idx);
    QJsonObject document;
    document.insert(QStringLiteral("table"), table);
    document.insert(QStringLiteral("prefill"), prefill);
    document.insert(QStringLiteral("selected"), selected);
    document.insert(QStringLiteral("count"), static_cast<int>(after.size()));
    context.printJson(document);
    return 0;
}

CliCommand predictDefinition()
{
    CliCommand command;
    command.words = {QStringLiteral("predict")};
    command.summary = QStringLiteral("the vote of the formulas on the coming draw (or on a past one with --verify)");
    command.options = {
        QCommandLineOption(QStringLiteral("position"), QStringLiteral("the positions 1..K to vote on; required"),
                           QStringLiteral("K")),
        QCommandLineOption(QStringLiteral("play"), QStringLiteral("direct (default) or group formulas"),
                           QStringLiteral("direct|group")),
        CliOptions::flagOption(QStringLiteral("default: kill")),
        QCommandLineOption(QStringLiteral("method"),
                           QStringLiteral("every selected formula (default) or the best-ranked ones"),
                           QStringLiteral("selected|best")),
        QCommandLineOption(QStringLiteral("verify"),
                           QStringLiteral("check the vote on this past issue, read on the draw before it"),
                           QStringLiteral("ISSUE")),
        QCommandLineOption(QStringLiteral("keys"),
                           QStringLiteral("ranking keys for --method best, up to three; default: the stored choice"),
                           QStringLiteral("rate,errcon,truecon,errlst,truelst,expected,z")),
        QCommandLineOption(QStringLiteral("limit"),
                           QStringLiteral("numbers kept per position for --method best, 1..12; default: stored"),
                           QStringLiteral("L")),
        CliOptions::selectOption()};
    command.details = QStringLiteral("With --method best the visited tables are scored afresh with the stored window "
                                     "settings before they are ranked.");
    command.run = predictCommand;
    return command;
}

CliCommand filterDefinition()
{
    CliCommand command;
    command.words = {QStringLiteral("filter")};
    command.summary = QStringLiteral("the selection left after the score filter");
    command.options = {
        CliOptions::tableOption(), CliOptions::flagOption(QStringLiteral("default: kill")),
        QCommandLineOption(QStringLiteral("bounds"),
                           QStringLiteral("lower,upper of the rate and the four runs; without it only the "
                                          "pre-filled bounds are shown"),
                           QStringLiteral("a0,b0,..,a4,b4")),
        CliOptions::selectOption()};
    command.run = filterCommand;
    return command;
}

} // namespace

std::vector<CliCommand> analysisCommands() { return {predictDefinition(), filterDefinition()}; }
