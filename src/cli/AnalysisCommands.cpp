// predict and filter: the next-draw calculation and the formula filter.
#include "CliContext.h"
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

const QString kArgTitle = QStringLiteral("参数错误");

QString choose(const CliArguments& options, const QString& name, const QStringList& allowed, const QString& fallback)
{
    const QString value = options.value(name, fallback).toLower();
    if (!allowed.contains(value))
        throw UserError(kArgTitle, QStringLiteral("--%1 needs %2, got \"%3\"").arg(name, allowed.join(u'/'), value));
    return value;
}

// An option given without a value (a trailing "--verify", or "--verify=") is a
// mistake, not a request for the default: without this check a past-draw check
// would silently become a coming-draw one.
void requireValues(const CliArguments& options, const QStringList& names)
{
    for (const QString& name : names)
        if (options.has(name) && options.value(name).trimmed().isEmpty())
            throw UserError(kArgTitle, QStringLiteral("--%1 needs a value").arg(name));
}

bool killFlag(const CliArguments& options)
{
    return choose(options, QStringLiteral("flag"), {QStringLiteral("kill"), QStringLiteral("keep")},
                  QStringLiteral("kill")) == u"kill";
}

// The command line has no stored selection: "all" (the default) or a list of idx.
std::set<int> selection(const CliArguments& options, const std::vector<std::vector<FormulaRecord>>& tables)
{
    const QString text = options.value(QStringLiteral("select"), QStringLiteral("all")).trimmed();
    std::set<int> selected;
    if (text.compare(QStringLiteral("all"), Qt::CaseInsensitive) == 0) {
        for (const auto& table : tables)
            for (const FormulaRecord& f : table)
                selected.insert(f.idx);
        return selected;
    }
    for (const QString& word : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int idx = word.trimmed().toInt(&ok);
        if (!ok || idx < 1)
            throw UserError(kArgTitle,
                            QStringLiteral("--select needs all or a list of idx such as 1,2,5, got \"%1\"").arg(word));
        selected.insert(idx);
    }
    return selected;
}

QJsonValue number(double value) { return std::isnan(value) || std::isinf(value) ? QJsonValue() : QJsonValue(value); }

QJsonObject predictJson(const CalculationResult& result)
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
    QJsonObject document;
    document.insert(QStringLiteral("reference"), result.referenceIssue);
    document.insert(QStringLiteral("verify"),
                    result.verifiedIssue.isEmpty() ? QJsonValue() : QJsonValue(result.verifiedIssue));
    document.insert(QStringLiteral("range"), result.range);
    document.insert(QStringLiteral("kill"), result.kill);
    document.insert(QStringLiteral("method"), result.bestMethod ? QStringLiteral("best") : QStringLiteral("selected"));
    document.insert(QStringLiteral("positions"), positions);
    document.insert(QStringLiteral("verdicts"), verdicts);
    document.insert(QStringLiteral("order"), orders);
    document.insert(QStringLiteral("kept"), kept);
    document.insert(QStringLiteral("used"), used);
    document.insert(QStringLiteral("usedCount"), result.usedCount());
    document.insert(QStringLiteral("keepLimit"), result.keepLimit);
    document.insert(QStringLiteral("skipped"), skipped);
    return document;
}

void printPredictText(CliContext& context, const CalculationResult& result)
{
    context.printLine(QStringLiteral("reference %1, %2 formulas used, keep limit %3")
                          .arg(result.referenceIssue)
                          .arg(result.usedCount())
                          .arg(result.keepLimit));
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

int predictCommand(CliContext& context, const QStringList& args)
{
    const CliArguments options(args);
    options.allowOnly({QStringLiteral("position"), QStringLiteral("play"), QStringLiteral("flag"),
                       QStringLiteral("method"), QStringLiteral("verify"), QStringLiteral("keys"),
                       QStringLiteral("limit"), QStringLiteral("select")});
    requireValues(options, {QStringLiteral("position"), QStringLiteral("play"), QStringLiteral("flag"),
                            QStringLiteral("method"), QStringLiteral("verify"), QStringLiteral("keys"),
                            QStringLiteral("limit"), QStringLiteral("select")});
    if (!options.has(QStringLiteral("position")))
        throw UserError(kArgTitle, QStringLiteral("predict needs --position 1..5"));

    CalculationRequest request;
    request.leadingPositions = options.integer(QStringLiteral("position"), 1);
    request.group = choose(options, QStringLiteral("play"), {QStringLiteral("direct"), QStringLiteral("group")},
                           QStringLiteral("direct")) == u"group";
    request.kill = killFlag(options);
    request.bestMethod = choose(options, QStringLiteral("method"), {QStringLiteral("selected"), QStringLiteral("best")},
                                QStringLiteral("selected")) == u"best";
    request.range = context.lottery().numberRange;
    request.verifyIssue = options.value(QStringLiteral("verify"));
    request.ranking = RankingChoice::load(context.settings().store());
    if (options.has(QStringLiteral("keys")))
        request.ranking.keys = RankingChoice::parseTokens(options.value(QStringLiteral("keys")));
    request.ranking.keepLimit = options.integer(QStringLiteral("limit"), request.ranking.keepLimit);
    if (request.leadingPositions < 1 || request.leadingPositions > 5)
        throw UserError(kArgTitle, QStringLiteral("--position needs 1..5"));

    Database& db = context.database();
    FormulaStore store(db);
    std::vector<std::vector<FormulaRecord>> tables;
    for (const auto& visited : NextDrawCalculation::visitedTables(request.leadingPositions, request.group))
        tables.push_back(store.list(visited.first, request.kill));
    request.selected = selection(options, tables);

    const AppSettings& settings = context.settings();
    request.rescore = ScoringWindow{settings.lookBackDraws(), settings.excludeCurrent(), settings.weightedRate()};
    const HistorySnapshot history = HistorySnapshot::load(db.sql());
    const CalculationResult result = NextDrawCalculation::run(db, history, request);
    if (context.json())
        context.printJson(predictJson(result));
    else
        printPredictText(context, result);
    return 0;
}

FilterBounds parseBounds(const QString& text)
{
    const QStringList words = text.split(u',');
    if (words.size() != 10)
        throw UserError(kArgTitle,
                        QStringLiteral("--bounds needs 10 numbers: rate low,high, then the four runs low,high"));
    FilterBounds bounds;
    for (int i = 0; i < 10; ++i) {
        bool ok = false;
        bounds.values[static_cast<size_t>(i)] = words[i].trimmed().toDouble(&ok);
        if (!ok)
            throw UserError(kArgTitle, QStringLiteral("--bounds: \"%1\" is not a number").arg(words[i]));
    }
    return bounds;
}

int filterCommand(CliContext& context, const QStringList& args)
{
    const CliArguments options(args);
    options.allowOnly(
        {QStringLiteral("table"), QStringLiteral("flag"), QStringLiteral("bounds"), QStringLiteral("select")});
    requireValues(
        options, {QStringLiteral("table"), QStringLiteral("flag"), QStringLiteral("bounds"), QStringLiteral("select")});
    const QString table = Database::canonicalFormulaTable(options.value(QStringLiteral("table")));
    if (table.isEmpty())
        throw UserError(kArgTitle,
                        QStringLiteral("--table needs one of %1").arg(Database::formulaTableNames().join(u' ')));
    const bool kill = killFlag(options);

    const std::vector<FormulaRecord> formulas = FormulaStore(context.database()).list(table, kill);
    std::set<int> before = selection(options, {formulas});
    // Only formulas of the list can be selected.
    std::erase_if(before, [&formulas](int idx) {
        return std::none_of(formulas.begin(), formulas.end(), [idx](const FormulaRecord& f) { return f.idx == idx; });
    });
    const FilterBounds prefilled = FormulaFilter::prefill(formulas, before);
    const bool filtering = options.has(QStringLiteral("bounds"));
    const FilterBounds bounds = filtering ? parseBounds(options.value(QStringLiteral("bounds"))) : prefilled;
    const std::set<int> after = filtering ? FormulaFilter::apply(formulas, before, bounds) : before;

    if (context.json()) {
        QJsonArray prefill;
        for (double v : prefilled.values)
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
    } else {
        QStringList prefillText;
        for (int i = 0; i < 10; ++i)
            prefillText << FormulaFilter::boundText(i, prefilled.values[static_cast<size_t>(i)]);
        QStringList selectedText;
        for (int idx : after)
            selectedText << QString::number(idx);
        context.printLine(QStringLiteral("prefill %1").arg(prefillText.join(u',')));
        context.printLine(QStringLiteral("selected %1").arg(selectedText.join(u',')));
        context.printLine(QStringLiteral("过滤后公式剩余%1条").arg(after.size()));
    }
    return 0;
}

const CliCommandRegistry::Registration predictRegistration(
    "predict",
    "predict --position K --play direct|group --flag kill|keep --method selected|best [--verify ISSUE] "
    "[--keys rate,errcon,truecon,errlst,truelst] [--limit L] [--select all|1,2,5]",
    predictCommand);
const CliCommandRegistry::Registration
    filterRegistration("filter", "filter --table T --flag kill|keep [--bounds a0,b0,..,a4,b4] [--select all|1,2,5]",
                       filterCommand);

} // namespace
