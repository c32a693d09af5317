// init and draw: creating the database, typing draws, listing and removing them.
#include "CliCommandGroups.h"
#include "CliContext.h"
#include "CliNumber.h"
#include "CliOptions.h"
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
#include <limits>

namespace {

constexpr std::uint64_t kDemoSeed = 20261208;
constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();

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

QJsonObject fillDemo(CliContext& context, const CliOptions& options)
{
    DrawStore store(context.database(), context.lottery());
    if (store.count() > 0)
        throw UserError(QStringLiteral("演示数据"),
                        QStringLiteral("the history already holds draws; --demo only fills an empty one"));
    const int days = options.integer(QStringLiteral("days"), 1, 3650, 20);
    const std::uint64_t seed = options.seed(kDemoSeed);
    const auto draws = DemoHistory::generate(context.lottery(), days, seed, context.today().addDays(-1));
    store.addAll(draws);
    std::vector<ParsedFormula> formulas;
    for (const QString& line : DemoFormulas::lines())
        formulas.push_back(FormulaText::parse(line));
    FormulaStore(context.database()).addAll(formulas);
    QJsonObject result;
    result.insert(QStringLiteral("demoDraws"), static_cast<int>(draws.size()));
    result.insert(QStringLiteral("demoFormulas"), static_cast<int>(formulas.size()));
    result.insert(QStringLiteral("seed"), QString::number(seed));
    return result;
}

int initCommand(CliContext& context, const CliOptions& options)
{
    const bool demo = options.isSet(QStringLiteral("demo"));
    if (!demo && (options.isSet(QStringLiteral("days")) || options.isSet(QStringLiteral("seed"))))
        throw CliOptions::badInput(QStringLiteral("--days and --seed go with --demo"));
    // Checked before the database is touched, so a bad value creates nothing.
    options.integer(QStringLiteral("days"), 1, 3650, 20);
    options.seed(kDemoSeed);
    Database& db = context.database();
    QJsonObject result = demo ? fillDemo(context, options) : QJsonObject();
    result.insert(QStringLiteral("database"), db.filePath());
    if (context.json())
        context.printJson(result);
    else
        context.printLine(QStringLiteral("database ready: %1").arg(db.filePath()));
    return 0;
}

int drawAdd(CliContext& context, const CliOptions& options)
{
    const QStringList& args = options.positionals();
    const QString issue = CliOptions::issueArgument(args[0], QStringLiteral("ISSUE"));
    DrawNumbers numbers{};
    for (int i = 0; i < 5; ++i) {
        // Only whether it is a number is checked here; the range is the store's to judge.
        const auto number = CliNumber::integer(args[i + 1], kIntMin, kIntMax);
        if (!number)
            throw UserError(QStringLiteral("号码输入有误"),
                            QStringLiteral("第%1个号码不是数字：%2").arg(i + 1).arg(args[i + 1]));
        numbers[static_cast<size_t>(i)] = static_cast<int>(*number);
    }
    DrawStore(context.database(), context.lottery()).add(issue, numbers);
    if (context.json()) {
        const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
        context.printJson(drawObject(history, history.rowOf(issue)));
    } else {
        context.printLine(QStringLiteral("stored %1: %2").arg(issue, numbersText(numbers)));
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

int drawList(CliContext& context, const CliOptions&)
{
    // Loaded even for the raw columns: a damaged row is refused, never shown.
    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("draws"), allDrawRows(context.database().sql()));
        context.printJson(result);
        return 0;
    }
    for (int row = 0; row < history.size(); ++row) {
        DrawNumbers numbers{};
        for (int p = 1; p <= 5; ++p)
            numbers[static_cast<size_t>(p - 1)] = history.number(row, p);
        context.printLine(history.issue(row) + u' ' + numbersText(numbers));
    }
    return 0;
}

int drawNext(CliContext& context, const CliOptions&)
{
    DrawStore store(context.database(), context.lottery());
    const QString next = store.nextIssue(context.today());
    const QString last = store.lastIssue();
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("next"), next.isEmpty() ? QJsonValue() : QJsonValue(next));
        result.insert(QStringLiteral("last"), last.isEmpty() ? QJsonValue() : QJsonValue(last));
        result.insert(QStringLiteral("draws"), store.count());
        result.insert(QStringLiteral("lottery"), context.lottery().caption);
        context.printJson(result);
    } else {
        context.printLine(QStringLiteral("next %1").arg(next.isEmpty() ? QStringLiteral("-") : next));
        context.printLine(QStringLiteral("last %1").arg(last.isEmpty() ? QStringLiteral("-") : last));
        if (next.isEmpty())
            context.printLine(IssueNumbers::noNextIssueMessage(context.lottery().longDateIssue));
    }
    return 0;
}

// `compact`: the deletion compacts the file when it removed something. A failed
// compaction is a warning: the draws are gone, and a retry would delete more.
int reportDeleted(CliContext& context, int removed, bool compact)
{
    const QString warning = compact && removed > 0 ? context.compactAfterDeletion() : QString();
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("deleted"), removed);
        result.insert(QStringLiteral("compacted"), compact && removed > 0 && warning.isEmpty());
        result.insert(QStringLiteral("restorable"), DrawStore(context.database(), context.lottery()).restorableCount());
        if (!warning.isEmpty())
            result.insert(QStringLiteral("warning"), warning);
        context.printJson(result);
    } else {
        context.printLine(QStringLiteral("deleted %1 draws").arg(removed));
    }
    return 0;
}

int drawDeleteLast(CliContext& context, const CliOptions& options)
{
    const QStringList& args = options.positionals();
    const int count = args.isEmpty() ? 1 : CliOptions::integerArgument(args.first(), 0, kIntMax, QStringLiteral("N"));
    // One draw is the window's "删除最后历史": no compaction, as there.
    return reportDeleted(context, DrawStore(context.database(), context.lottery()).deleteLast(count), count > 1);
}

int drawDeleteAfter(CliContext& context, const CliOptions& options)
{
    const QString issue = CliOptions::issueArgument(options.positionals().first(), QStringLiteral("ISSUE"));
    if (!IssueNumbers::dateOf(issue, context.lottery().longDateIssue))
        throw UserError(QStringLiteral("删除期数"),
                        QStringLiteral("%1 不是%2的期号。").arg(issue, context.lottery().caption));
    return reportDeleted(context, DrawStore(context.database(), context.lottery()).deleteAfter(issue), true);
}

int drawDeleteAll(CliContext& context, const CliOptions&)
{
    return reportDeleted(context, DrawStore(context.database(), context.lottery()).deleteAll(), false);
}

// The draws of the latest delete-last or delete-after, as they were stored.
int drawUndoDelete(CliContext& context, const CliOptions&)
{
    const QStringList restored = DrawStore(context.database(), context.lottery()).restoreDeleted();
    if (restored.isEmpty())
        throw UserError(QStringLiteral("撤销删除"),
                        QStringLiteral("没有可以撤销的删除：只有最近一次删除的历史号码可以恢复，"
                                       "而且在历史号码再次改动之前。"),
                        false);
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("restored"), QJsonArray::fromStringList(restored));
        context.printJson(result);
    } else {
        context.printLine(
            QStringLiteral("restored %1 draws: %2 .. %3").arg(restored.size()).arg(restored.first(), restored.last()));
    }
    return 0;
}

CliCommand initDefinition()
{
    CliCommand command;
    command.words = {QStringLiteral("init")};
    command.summary = QStringLiteral("create formula.mdb; --demo fills an empty history with synthetic draws");
    command.options = {
        QCommandLineOption(QStringLiteral("demo"),
                           QStringLiteral("add a seeded synthetic history ending yesterday and sample formulas")),
        QCommandLineOption(QStringLiteral("days"), QStringLiteral("days of demo draws, 1..3650; default 20"),
                           QStringLiteral("N")),
        CliOptions::seedOption(QString::number(kDemoSeed))};
    command.run = initCommand;
    return command;
}

CliCommand drawDefinition(const char* word, const char* summary, CliCommand::Handler handler)
{
    CliCommand command;
    command.words = {QStringLiteral("draw"), QString::fromUtf8(word)};
    command.summary = QString::fromUtf8(summary);
    command.run = std::move(handler);
    return command;
}

} // namespace

std::vector<CliCommand> drawCommands()
{
    CliCommand add = drawDefinition("add", "store a draw with all its attribute columns", drawAdd);
    add.positionals = {{QStringLiteral("ISSUE"), QStringLiteral("issue number: date digits and a two-digit serial")},
                       {QStringLiteral("D1 D2 D3 D4 D5"), QStringLiteral("the five numbers in the order drawn")}};
    add.minPositionals = add.maxPositionals = 6;
    CliCommand list = drawDefinition("list", "every draw; with --json every column of every draw", drawList);
    CliCommand next = drawDefinition("next", "the proposed next issue and the last stored issue", drawNext);
    CliCommand last = drawDefinition("delete-last", "remove the latest N draws (default 1)", drawDeleteLast);
    last.positionals = {{QStringLiteral("[N]"), QStringLiteral("how many draws, default 1")}};
    last.maxPositionals = 1;
    CliCommand after =
        drawDefinition("delete-after", "remove every draw after ISSUE, keeping ISSUE itself", drawDeleteAfter);
    after.positionals = {{QStringLiteral("ISSUE"), QStringLiteral("the last issue to keep")}};
    after.minPositionals = after.maxPositionals = 1;
    CliCommand all = drawDefinition("delete-all", "remove every draw (cannot be undone)", drawDeleteAll);
    CliCommand undo = drawDefinition(
        "undo-delete", "bring back the draws of the latest delete-last or delete-after, until the next change",
        drawUndoDelete);
    return {initDefinition(), add, list, next, last, after, all, undo};
}
