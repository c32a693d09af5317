// formula: translating, adding, scoring, listing and deleting formulas.
#include "CliCommandGroups.h"
#include "CliContext.h"
#include "CliJson.h"
#include "CliOptions.h"
#include "common/UserError.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "formula/TableScorer.h"
#include "history/AttributeCatalog.h"
#include "history/HistorySnapshot.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace {

// A formula line with its target, or a bare expression in the Chinese form.
bool looksLikeFullLine(const QString& text)
{
    const QString s = text.trimmed();
    return s.contains(QStringLiteral("下期")) || (s.size() > 6 && s.startsWith(u'[') && s[6] == u']' &&
                                                  AttributeCatalog::positionWords().contains(s.mid(1, 2)));
}

// The words of TEXT..., joined as the shell split them.
QString formulaText(const CliOptions& options) { return options.positionals().join(u' '); }

QJsonObject translated(const QString& text)
{
    QJsonObject result;
    if (looksLikeFullLine(text) || text.trimmed().isEmpty()) {
        const ParsedFormula parsed = FormulaText::parse(text);
        result.insert(QStringLiteral("gongshiCN"), parsed.chinese);
        result.insert(QStringLiteral("gongshi"), parsed.code);
        result.insert(QStringLiteral("bolKill"), parsed.target.kill);
        result.insert(QStringLiteral("table"), parsed.target.tableName());
        result.insert(QStringLiteral("position"), parsed.target.kind.position());
        result.insert(QStringLiteral("group"), parsed.target.kind.group());
        result.insert(QStringLiteral("target"), QString(parsed.target.label() + parsed.target.killWord()));
    } else {
        const QString code = FormulaText::translate(text);
        CompiledFormula::compile(code);
        result.insert(QStringLiteral("gongshiCN"), text.trimmed());
        result.insert(QStringLiteral("gongshi"), code);
    }
    return result;
}

int translateCommand(CliContext& context, const CliOptions& options)
{
    const QJsonObject result = translated(formulaText(options));
    if (context.json()) {
        context.printJson(result);
        return 0;
    }
    context.printLine(result.value(QStringLiteral("gongshi")).toString());
    if (result.contains(QStringLiteral("table")))
        context.printLine(QStringLiteral("%1 %2").arg(result.value(QStringLiteral("table")).toString(),
                                                      result.value(QStringLiteral("target")).toString()));
    return 0;
}

int addCommand(CliContext& context, const CliOptions& options)
{
    const ParsedFormula parsed = FormulaText::parse(formulaText(options));
    const int idx = FormulaStore(context.database()).add(parsed);
    const QString table = parsed.target.tableName();
    if (context.json()) {
        // Not scored yet (formula score does that): no statistics rather than zeros that look scored.
        QJsonObject object;
        object.insert(QStringLiteral("table"), table);
        object.insert(QStringLiteral("idx"), idx);
        object.insert(QStringLiteral("gongshiCN"), parsed.chinese);
        object.insert(QStringLiteral("gongshi"), parsed.code);
        object.insert(QStringLiteral("bolKill"), parsed.target.kill);
        context.printJson(object);
    } else {
        context.printLine(QStringLiteral("added %1 #%2: %3").arg(table).arg(idx).arg(parsed.code));
    }
    return 0;
}

QJsonObject scoredObject(const ScoredFormula& f)
{
    QJsonObject o = CliJson::statistics(f.record.statistics, f.evaluable);
    o.insert(QStringLiteral("idx"), f.record.idx);
    o.insert(QStringLiteral("gongshiCN"), f.record.chinese);
    o.insert(QStringLiteral("gongshi"), f.record.code);
    o.insert(QStringLiteral("bolKill"), f.record.kill);
    const auto weight = [&f](std::int64_t w) {
        return f.evaluable ? QJsonValue(static_cast<double>(w)) : QJsonValue();
    };
    o.insert(QStringLiteral("hitWeight"), weight(f.record.statistics.hitWeight));
    o.insert(QStringLiteral("totalWeight"), weight(f.record.statistics.totalWeight));
    o.insert(QStringLiteral("rateText"), f.evaluable ? QJsonValue(f.rateText) : QJsonValue());
    o.insert(QStringLiteral("latestValue"), std::isfinite(f.latestValue) ? QJsonValue(f.latestValue) : QJsonValue());
    o.insert(QStringLiteral("nextValue"), f.nextNumber ? QJsonValue(*f.nextNumber) : QJsonValue());
    o.insert(QStringLiteral("error"), f.evaluable ? QJsonValue() : QJsonValue(f.error));
    o.insert(QStringLiteral("note"), f.note.isEmpty() ? QJsonValue() : QJsonValue(f.note));
    const FormulaStatistics& s = f.record.statistics;
    const bool chance = f.evaluable && s.hasChance();
    o.insert(QStringLiteral("expected_rate"), chance ? QJsonValue(s.expectedRate) : QJsonValue());
    o.insert(QStringLiteral("z"), chance ? QJsonValue(s.z) : QJsonValue());
    return o;
}

void printScoredText(CliContext& context, const std::vector<ScoredFormula>& scored)
{
    for (const ScoredFormula& f : scored) {
        const FormulaStatistics& s = f.record.statistics;
        if (!f.evaluable) {
            context.printLine(QStringLiteral("%1\t无法计算: %2\t%3").arg(f.record.idx).arg(f.error, f.record.chinese));
            continue;
        }
        context.printLine(QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8")
                              .arg(f.record.idx)
                              .arg(f.rateText)
                              .arg(s.longestMissRun)
                              .arg(s.longestHitRun)
                              .arg(s.lastMissRun)
                              .arg(s.lastHitRun)
                              .arg(f.nextNumber ? QString::number(*f.nextNumber) : QStringLiteral("-"))
                              .arg(f.record.chinese));
    }
}

int scoreCommand(CliContext& context, const CliOptions& options)
{
    const QString table = options.table();
    const bool kill = options.killFlag(std::nullopt);
    const ScoringWindow window = options.window(context.settings());
    const int range = context.lottery().numberRange;

    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    const std::vector<ScoredFormula> scored =
        TableScorer::scoreTable(context.database(), history, table, kill, range, window);
    if (!context.json()) {
        printScoredText(context, scored);
        return 0;
    }
    QJsonArray formulas;
    for (const ScoredFormula& f : scored)
        formulas.append(scoredObject(f));
    QJsonObject result;
    result.insert(QStringLiteral("table"), table);
    result.insert(QStringLiteral("bolKill"), kill);
    result.insert(QStringLiteral("window"), window.lookBack);
    result.insert(QStringLiteral("excludeCurrent"), window.excludeCurrent);
    result.insert(QStringLiteral("weighted"), window.weighted);
    result.insert(QStringLiteral("range"), range);
    result.insert(QStringLiteral("draws"), history.size());
    result.insert(QStringLiteral("formulas"), formulas);
    context.printJson(result);
    return 0;
}

int listCommand(CliContext& context, const CliOptions& options)
{
    const QString table = options.table();
    const std::vector<FormulaRecord> records = FormulaStore(context.database()).list(table, options.optionalKillFlag());
    if (context.json()) {
        QJsonArray formulas;
        for (const FormulaRecord& r : records) {
            QJsonObject object = CliJson::formula(r);
            object.insert(QStringLiteral("table"), table);
            formulas.append(object);
        }
        QJsonObject result;
        result.insert(QStringLiteral("table"), table);
        result.insert(QStringLiteral("formulas"), formulas);
        context.printJson(result);
    } else {
        for (const FormulaRecord& r : records)
            context.printLine(QStringLiteral("%1\t%2\t%3")
                                  .arg(r.idx)
                                  .arg(r.kill ? QStringLiteral("杀") : QStringLiteral("生"), r.chinese));
    }
    return 0;
}

// The idx to delete. --last takes the highest idx of the listed flag (--flag,
// kill by default, as the window lists kill formulas first). --idx and --selected
// name rows by idx; with --flag they must name formulas of that flag.
std::vector<int> idxsToDelete(const FormulaStore& store, const QString& table, const CliOptions& options)
{
    const int ways = int(options.isSet(QStringLiteral("last"))) + int(options.isSet(QStringLiteral("idx"))) +
                     int(options.isSet(QStringLiteral("selected")));
    if (ways != 1)
        throw CliOptions::badInput(QStringLiteral("formula delete needs one of --idx N, --selected N,N,.. or --last"));
    const std::optional<bool> flag = options.optionalKillFlag();
    if (options.isSet(QStringLiteral("last"))) {
        const std::vector<FormulaRecord> listed = store.list(table, flag.value_or(true));
        return listed.empty() ? std::vector<int>{} : std::vector<int>{listed.back().idx};
    }
    const std::set<int> named =
        options.isSet(QStringLiteral("idx"))
            ? std::set<int>{options.integer(QStringLiteral("idx"), 1, std::numeric_limits<int>::max(), 1)}
            : options.idxList(QStringLiteral("selected"));
    if (flag) {
        const std::vector<FormulaRecord> listed = store.list(table, *flag);
        for (int idx : named)
            if (std::none_of(listed.begin(), listed.end(), [idx](const FormulaRecord& r) { return r.idx == idx; }))
                throw CliOptions::badInput(QStringLiteral("%1 has no %2 formula #%3")
                                               .arg(table, *flag ? QStringLiteral("kill") : QStringLiteral("keep"))
                                               .arg(idx));
    }
    return {named.begin(), named.end()};
}

int deleteCommand(CliContext& context, const CliOptions& options)
{
    const QString table = options.table();
    FormulaStore store(context.database());
    const int removed = store.remove(table, idxsToDelete(store, table, options));
    // A failed compaction is a warning: the formulas are gone, and a retry would delete more.
    const QString warning = removed > 0 ? context.compactAfterDeletion() : QString();
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("table"), table);
        result.insert(QStringLiteral("deleted"), removed);
        result.insert(QStringLiteral("remaining"), store.count(table));
        result.insert(QStringLiteral("compacted"), removed > 0 && warning.isEmpty());
        if (!warning.isEmpty())
            result.insert(QStringLiteral("warning"), warning);
        context.printJson(result);
    } else {
        context.printLine(QStringLiteral("deleted %1 formulas from %2").arg(removed).arg(table));
    }
    return 0;
}

CliCommand formulaDefinition(const char* word, const char* summary, CliCommand::Handler handler)
{
    CliCommand command;
    command.words = {QStringLiteral("formula"), QString::fromUtf8(word)};
    command.summary = QString::fromUtf8(summary);
    command.run = std::move(handler);
    return command;
}

CliPositional textArgument()
{
    return {QStringLiteral("TEXT..."), QStringLiteral("the formula; words are joined with spaces. Put -- before a "
                                                      "text that starts with -")};
}

} // namespace

std::vector<CliCommand> formulaCommands()
{
    CliCommand translate = formulaDefinition(
        "translate", "print the code form and target of a formula line or a bare Chinese expression", translateCommand);
    translate.positionals = {textArgument()};
    translate.minPositionals = 1;
    translate.maxPositionals = -1;

    CliCommand add = formulaDefinition("add", "parse a formula line and append it to its target table", addCommand);
    add.positionals = {textArgument()};
    add.minPositionals = 1;
    add.maxPositionals = -1;

    CliCommand score = formulaDefinition(
        "score", "score every formula of a table with one flag and store each formula's statistics", scoreCommand);
    score.options = {CliOptions::tableOption(), CliOptions::flagOption(QStringLiteral("required"))};
    score.options += CliOptions::windowOptions();

    CliCommand list = formulaDefinition("list", "the stored formulas of a table in idx order", listCommand);
    list.options = {CliOptions::tableOption(), CliOptions::flagOption(QStringLiteral("default: both"))};

    CliCommand remove =
        formulaDefinition("delete", "delete formulas and renumber the table 1..n (kill and keep alike)", deleteCommand);
    remove.options = {
        CliOptions::tableOption(),
        QCommandLineOption(QStringLiteral("idx"), QStringLiteral("delete the formula with this idx"),
                           QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("selected"), QStringLiteral("delete the formulas with these idx"),
                           QStringLiteral("N,N,..")),
        QCommandLineOption(QStringLiteral("last"), QStringLiteral("delete the highest idx of the --flag list")),
        CliOptions::flagOption(QStringLiteral("the list --last reads (default: kill); with --idx or --selected, "
                                              "they must name formulas of this flag"))};
    return {translate, add, score, list, remove};
}
