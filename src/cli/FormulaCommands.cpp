// formula: translating, adding, scoring, listing and deleting formulas.
#include "CliContext.h"
#include "common/UserError.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "formula/TableScorer.h"
#include "history/AttributeCatalog.h"
#include "history/HistorySnapshot.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>
#include <cstdio>

namespace {

UserError badArgument(const QString& text) { return UserError(QStringLiteral("参数错误"), text); }

QString tableOption(const CliArguments& options)
{
    const QString given = options.value(QStringLiteral("table"));
    if (given.isEmpty())
        throw badArgument(QStringLiteral("--table needs a formula table (Gongshi1D .. Gongshi5G)"));
    const QString table = Database::canonicalFormulaTable(given);
    if (table.isEmpty())
        throw badArgument(QStringLiteral("no formula table named %1 (Gongshi1D .. Gongshi5G)").arg(given));
    return table;
}

std::optional<bool> flagOption(const CliArguments& options, bool required)
{
    const QString flag = options.value(QStringLiteral("flag")).toLower();
    if (flag == u"kill" || flag == u"杀")
        return true;
    if (flag == u"keep" || flag == u"生")
        return false;
    if (flag.isEmpty() && !required)
        return std::nullopt;
    throw badArgument(QStringLiteral("--flag needs kill or keep"));
}

// A formula line with its target, or a bare expression in the Chinese form.
bool looksLikeFullLine(const QString& text)
{
    const QString s = text.trimmed();
    return s.contains(QStringLiteral("下期")) || (s.size() > 6 && s.startsWith(u'[') && s[6] == u']' &&
                                                  AttributeCatalog::positionWords().contains(s.mid(1, 2)));
}

QJsonValue statisticValue(const ScoredFormula& f, double value)
{
    return f.evaluable ? QJsonValue(value) : QJsonValue();
}

QJsonObject scoredObject(const ScoredFormula& f)
{
    const FormulaStatistics& s = f.record.statistics;
    QJsonObject o;
    o.insert(QStringLiteral("idx"), f.record.idx);
    o.insert(QStringLiteral("gongshiCN"), f.record.chinese);
    o.insert(QStringLiteral("gongshi"), f.record.code);
    o.insert(QStringLiteral("bolKill"), f.record.kill);
    o.insert(QStringLiteral("sglGsRate"), statisticValue(f, static_cast<double>(s.rate)));
    o.insert(QStringLiteral("intGsErrCon"), statisticValue(f, s.longestMissRun));
    o.insert(QStringLiteral("intGsTrueCon"), statisticValue(f, s.longestHitRun));
    o.insert(QStringLiteral("intGsErrLst"), statisticValue(f, s.lastMissRun));
    o.insert(QStringLiteral("intGsTrueLst"), statisticValue(f, s.lastHitRun));
    o.insert(QStringLiteral("hitWeight"), statisticValue(f, static_cast<double>(s.hitWeight)));
    o.insert(QStringLiteral("totalWeight"), statisticValue(f, static_cast<double>(s.totalWeight)));
    o.insert(QStringLiteral("rateText"), f.evaluable ? QJsonValue(f.rateText) : QJsonValue());
    o.insert(QStringLiteral("latestValue"), std::isfinite(f.latestValue) ? QJsonValue(f.latestValue) : QJsonValue());
    o.insert(QStringLiteral("nextValue"), f.nextNumber ? QJsonValue(*f.nextNumber) : QJsonValue());
    o.insert(QStringLiteral("error"), f.evaluable ? QJsonValue() : QJsonValue(f.error));
    return o;
}

QJsonObject recordObject(const QString& table, const FormulaRecord& r)
{
    QJsonObject o;
    o.insert(QStringLiteral("table"), table);
    o.insert(QStringLiteral("idx"), r.idx);
    o.insert(QStringLiteral("gongshiCN"), r.chinese);
    o.insert(QStringLiteral("gongshi"), r.code);
    o.insert(QStringLiteral("bolKill"), r.kill);
    o.insert(QStringLiteral("sglGsRate"), static_cast<double>(r.statistics.rate));
    o.insert(QStringLiteral("intGsErrCon"), r.statistics.longestMissRun);
    o.insert(QStringLiteral("intGsTrueCon"), r.statistics.longestHitRun);
    o.insert(QStringLiteral("intGsErrLst"), r.statistics.lastMissRun);
    o.insert(QStringLiteral("intGsTrueLst"), r.statistics.lastHitRun);
    return o;
}

int translateCommand(CliContext& context, const QStringList& args)
{
    const CliArguments options(args);
    options.allowOnly({});
    const QString text = options.positionals().join(u' ');
    QJsonObject result;
    if (looksLikeFullLine(text) || text.trimmed().isEmpty()) {
        const ParsedFormula parsed = FormulaText::parse(text);
        result.insert(QStringLiteral("gongshiCN"), parsed.chinese);
        result.insert(QStringLiteral("gongshi"), parsed.code);
        result.insert(QStringLiteral("bolKill"), parsed.target.kill);
        result.insert(QStringLiteral("table"), parsed.target.tableName());
        result.insert(QStringLiteral("position"), parsed.target.position);
        result.insert(QStringLiteral("group"), parsed.target.group);
        result.insert(QStringLiteral("target"), QString(parsed.target.label() + parsed.target.killWord()));
    } else {
        const QString code = FormulaText::translate(text);
        CompiledFormula::compile(code);
        result.insert(QStringLiteral("gongshiCN"), text.trimmed());
        result.insert(QStringLiteral("gongshi"), code);
    }
    if (context.json()) {
        context.printJson(result);
    } else {
        context.printLine(result.value(QStringLiteral("gongshi")).toString());
        if (result.contains(QStringLiteral("table")))
            context.printLine(QStringLiteral("%1 %2").arg(result.value(QStringLiteral("table")).toString(),
                                                          result.value(QStringLiteral("target")).toString()));
    }
    return 0;
}

int addCommand(CliContext& context, const QStringList& args)
{
    const CliArguments options(args);
    options.allowOnly({});
    const ParsedFormula parsed = FormulaText::parse(options.positionals().join(u' '));
    const int idx = FormulaStore(context.database()).add(parsed);
    FormulaRecord record;
    record.idx = idx;
    record.code = parsed.code;
    record.chinese = parsed.chinese;
    record.kill = parsed.target.kill;
    if (context.json())
        context.printJson(recordObject(parsed.target.tableName(), record));
    else
        context.printLine(QStringLiteral("added %1 #%2: %3").arg(parsed.target.tableName()).arg(idx).arg(parsed.code));
    return 0;
}

int scoreCommand(CliContext& context, const QStringList& args)
{
    const CliArguments options(args);
    options.allowOnly({QStringLiteral("table"), QStringLiteral("flag"), QStringLiteral("window"),
                       QStringLiteral("exclude-current"), QStringLiteral("weighted")});
    const QString table = tableOption(options);
    const bool kill = *flagOption(options, true);
    ScoringWindow window;
    window.lookBack = options.integer(QStringLiteral("window"), context.settings().lookBackDraws());
    if (AppSettings::lookBackIndexForDraws(window.lookBack) < 0)
        throw badArgument(QStringLiteral("--window needs 0 (all) or 100, 200, 300, 500, 600, 800, 1000, 1500, 3000"));
    window.excludeCurrent =
        options.boolean(QStringLiteral("exclude-current")).value_or(context.settings().excludeCurrent());
    window.weighted = options.boolean(QStringLiteral("weighted")).value_or(context.settings().weightedRate());
    const int range = context.lottery().numberRange;

    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    const std::vector<ScoredFormula> scored =
        TableScorer::scoreTable(context.database(), history, table, kill, range, window);
    if (context.json()) {
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
    } else {
        for (const ScoredFormula& f : scored) {
            const FormulaStatistics& s = f.record.statistics;
            if (!f.evaluable) {
                context.printLine(
                    QStringLiteral("%1\t无法计算: %2\t%3").arg(f.record.idx).arg(f.error, f.record.chinese));
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
    return 0;
}

int listCommand(CliContext& context, const QStringList& args)
{
    const CliArguments options(args);
    options.allowOnly({QStringLiteral("table"), QStringLiteral("flag")});
    const QString table = tableOption(options);
    const std::vector<FormulaRecord> records = FormulaStore(context.database()).list(table, flagOption(options, false));
    if (context.json()) {
        QJsonArray formulas;
        for (const FormulaRecord& r : records)
            formulas.append(recordObject(table, r));
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

int deleteCommand(CliContext& context, const QStringList& args)
{
    const CliArguments options(args, {QStringLiteral("last")});
    options.allowOnly(
        {QStringLiteral("table"), QStringLiteral("idx"), QStringLiteral("last"), QStringLiteral("selected")});
    const QString table = tableOption(options);
    FormulaStore store(context.database());
    std::vector<int> idxs;
    const int ways = int(options.has(QStringLiteral("last"))) + int(options.has(QStringLiteral("idx"))) +
                     int(options.has(QStringLiteral("selected")));
    if (ways != 1)
        throw badArgument(QStringLiteral("formula delete needs one of --idx N, --selected N,N,.. or --last"));
    if (options.has(QStringLiteral("last"))) {
        const std::vector<FormulaRecord> records = store.list(table);
        if (!records.empty())
            idxs.push_back(records.back().idx);
    } else if (options.has(QStringLiteral("selected"))) {
        // The command line keeps no selection between runs: the selection is named here.
        for (const QString& word : options.value(QStringLiteral("selected")).split(u',', Qt::SkipEmptyParts)) {
            bool ok = false;
            idxs.push_back(word.trimmed().toInt(&ok));
            if (!ok)
                throw badArgument(QStringLiteral("--selected needs a list of idx such as 1,3,5, got \"%1\"").arg(word));
        }
    } else {
        idxs.push_back(options.integer(QStringLiteral("idx"), 0));
    }
    const int removed = store.remove(table, idxs);
    if (removed > 0)
        context.database().compact();
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("table"), table);
        result.insert(QStringLiteral("deleted"), removed);
        result.insert(QStringLiteral("remaining"), store.count(table));
        context.printJson(result);
    } else {
        context.printLine(QStringLiteral("deleted %1 formulas from %2").arg(removed).arg(table));
    }
    return 0;
}

int formulaVerb(CliContext& context, const QStringList& args)
{
    if (args.isEmpty())
        throw badArgument(QStringLiteral("usage: formula translate|add|score|list|delete"));
    const QString verb = args.first();
    const QStringList rest = args.mid(1);
    if (verb == u"translate")
        return translateCommand(context, rest);
    if (verb == u"add")
        return addCommand(context, rest);
    if (verb == u"score")
        return scoreCommand(context, rest);
    if (verb == u"list")
        return listCommand(context, rest);
    if (verb == u"delete")
        return deleteCommand(context, rest);
    throw badArgument(QStringLiteral("unknown formula command: %1").arg(verb));
}

const CliCommandRegistry::Registration formulaRegistration(
    "formula",
    "formula translate TEXT | add TEXT | score --table T --flag kill/keep [--window N] [--exclude-current true/false] "
    "[--weighted true/false] | list --table T [--flag kill/keep] | delete --table T (--idx N | --selected N,N,.. | "
    "--last)",
    formulaVerb);

} // namespace
