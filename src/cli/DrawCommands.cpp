// init and draw: creating the database, typing draws, listing and removing them.
#include "CliContext.h"
#include "common/UserError.h"
#include "formula/DemoFormulas.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "history/AttributeCatalog.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "history/IssueNumbers.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonObject drawObject(const HistorySnapshot& history, int row)
{
    QJsonObject draw;
    draw.insert(QStringLiteral("strQQH"), history.issue(row));
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        draw.insert(AttributeCatalog::code(i), history.value(row, i));
    return draw;
}

QString numbersText(const DrawNumbers& numbers)
{
    QStringList parts;
    for (int n : numbers)
        parts << QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
    return parts.join(u' ');
}

int initCommand(CliContext& context, const QStringList& args)
{
    const CliArguments options(args, {QStringLiteral("demo")});
    options.allowOnly({QStringLiteral("demo"), QStringLiteral("days"), QStringLiteral("seed")});
    Database& db = context.database();
    QJsonObject result;
    result.insert(QStringLiteral("database"), db.filePath());
    if (options.has(QStringLiteral("demo"))) {
        DrawStore store(db, context.lottery());
        if (store.count() > 0)
            throw UserError(QStringLiteral("演示数据"),
                            QStringLiteral("the history already holds draws; --demo only fills an empty one"));
        const int days = options.integer(QStringLiteral("days"), 20);
        if (days < 1 || days > 3650)
            throw UserError(QStringLiteral("演示数据"), QStringLiteral("--days needs 1..3650"));
        const auto seed = static_cast<std::uint64_t>(options.integer(QStringLiteral("seed"), 20261208));
        const auto draws = DemoHistory::generate(context.lottery(), days, seed, context.today().addDays(-1));
        store.addAll(draws);
        std::vector<ParsedFormula> formulas;
        for (const QString& line : DemoFormulas::lines())
            formulas.push_back(FormulaText::parse(line));
        FormulaStore(db).addAll(formulas);
        result.insert(QStringLiteral("demoDraws"), static_cast<int>(draws.size()));
        result.insert(QStringLiteral("demoFormulas"), static_cast<int>(formulas.size()));
        result.insert(QStringLiteral("seed"), QString::number(seed));
    }
    if (context.json())
        context.printJson(result);
    else
        context.printLine(QStringLiteral("database ready: %1").arg(db.filePath()));
    return 0;
}

int drawAdd(CliContext& context, DrawStore& store, const QStringList& args)
{
    if (args.size() != 6)
        throw UserError(QStringLiteral("号码输入有误"), QStringLiteral("usage: draw add ISSUE D1 D2 D3 D4 D5"));
    DrawNumbers numbers{};
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        numbers[static_cast<size_t>(i)] = args[i + 1].toInt(&ok);
        if (!ok)
            throw UserError(QStringLiteral("号码输入有误"),
                            QStringLiteral("第%1个号码不是数字：%2").arg(i + 1).arg(args[i + 1]));
    }
    store.add(args[0], numbers);
    if (context.json()) {
        const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
        context.printJson(drawObject(history, history.rowOf(args[0])));
    } else {
        context.printLine(QStringLiteral("stored %1: %2").arg(args[0], numbersText(numbers)));
    }
    return 0;
}

// Every column of Lishi, the work columns included, keyed by its name.
QJsonArray allDrawRows(SqliteDatabase& db)
{
    QJsonArray rows;
    SqliteStatement all = db.prepare(QStringLiteral("SELECT * FROM Lishi ORDER BY strQQH"));
    while (all.next()) {
        QJsonObject row;
        for (int c = 0; c < all.columnCount(); ++c)
            row.insert(all.columnName(c), QJsonValue::fromVariant(all.value(c)));
        rows.append(row);
    }
    return rows;
}

int drawList(CliContext& context)
{
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("draws"), allDrawRows(context.database().sql()));
        context.printJson(result);
        return 0;
    }
    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    for (int row = 0; row < history.size(); ++row) {
        DrawNumbers numbers{};
        for (int p = 1; p <= 5; ++p)
            numbers[static_cast<size_t>(p - 1)] = history.number(row, p);
        context.printLine(history.issue(row) + u' ' + numbersText(numbers));
    }
    return 0;
}

int drawNext(CliContext& context, DrawStore& store)
{
    const QString next = store.nextIssue(context.today());
    const QString last = store.lastIssue();
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("next"), next);
        result.insert(QStringLiteral("last"), last.isEmpty() ? QJsonValue() : QJsonValue(last));
        result.insert(QStringLiteral("draws"), store.count());
        result.insert(QStringLiteral("lottery"), context.lottery().caption);
        context.printJson(result);
    } else {
        context.printLine(QStringLiteral("next %1").arg(next));
        context.printLine(QStringLiteral("last %1").arg(last.isEmpty() ? QStringLiteral("-") : last));
    }
    return 0;
}

int reportDeleted(CliContext& context, int removed, bool compacted)
{
    if (compacted)
        context.database().compact();
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("deleted"), removed);
        context.printJson(result);
    } else {
        context.printLine(QStringLiteral("deleted %1 draws").arg(removed));
    }
    return 0;
}

int drawCommand(CliContext& context, const QStringList& args)
{
    if (args.isEmpty())
        throw UserError(QStringLiteral("参数错误"),
                        QStringLiteral("usage: draw add|list|next|delete-last|delete-after|delete-all"));
    DrawStore store(context.database(), context.lottery());
    const QString verb = args.first();
    const QStringList rest = args.mid(1);
    if (verb == u"add")
        return drawAdd(context, store, rest);
    if (verb == u"list")
        return drawList(context);
    if (verb == u"next")
        return drawNext(context, store);
    if (verb == u"delete-last") {
        bool ok = true;
        const int n = rest.isEmpty() ? 1 : rest.first().toInt(&ok);
        if (!ok || n < 0)
            throw UserError(QStringLiteral("删除期数"), QStringLiteral("delete-last needs a count"));
        return reportDeleted(context, store.deleteLast(n), n > 1);
    }
    if (verb == u"delete-after") {
        if (rest.size() != 1)
            throw UserError(QStringLiteral("删除期数"), QStringLiteral("usage: draw delete-after ISSUE"));
        if (!IssueNumbers::dateOf(rest.first(), context.lottery().longDateIssue))
            throw UserError(QStringLiteral("删除期数"),
                            QStringLiteral("%1 is not an issue number of this lottery").arg(rest.first()));
        return reportDeleted(context, store.deleteAfter(rest.first()), true);
    }
    if (verb == u"delete-all")
        return reportDeleted(context, store.deleteAll(), false);
    throw UserError(QStringLiteral("参数错误"), QStringLiteral("unknown draw command: %1").arg(verb));
}

const CliCommandRegistry::Registration initRegistration("init", "init [--demo [--days N] [--seed S]]", initCommand);
const CliCommandRegistry::Registration
    drawRegistration("draw",
                     "draw add ISSUE D1 D2 D3 D4 D5 | list | next | delete-last [N] | delete-after ISSUE | delete-all",
                     drawCommand);

} // namespace
