// trend: the trend chart of one view, its omission table and its fit to chance.
#include "CliCommandGroups.h"
#include "CliContext.h"
#include "CliOptions.h"
#include "TrendExport.h"
#include "analysis/TrendChart.h"
#include "analysis/TrendFit.h"
#include "analysis/TrendSheet.h"
#include "common/UserError.h"
#include "history/HistorySnapshot.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <limits>

namespace {

// The names of the views in TrendView's order.
const char* const kViewNames[TrendClasses::kViewCount] = {
    "number", "big-small",    "odd-even",     "prime-composite", "route012",       "distribution",
    "sum",    "sum-tail",     "span",         "ratio-big-small", "ratio-odd-even", "ratio-prime-composite",
    "pairs",  "front2-group", "front3-group",
};

QStringList viewNames()
{
    QStringList names;
    for (const char* name : kViewNames)
        names << QString::fromLatin1(name);
    return names;
}

bool isHalves(TrendView view)
{
    return view == TrendView::BigSmall || view == TrendView::OddEven || view == TrendView::PrimeComposite;
}

// One object per column: its key and figures, plus the number (or the half with its numbers) of the older views.
QJsonArray omissionJson(const TrendChart& chart)
{
    const TrendClasses& classes = chart.classes();
    QJsonArray rows;
    for (const OmissionStats& s : chart.omissionTable()) {
        QJsonObject row;
        row.insert(QStringLiteral("key"), classes.labels.at(s.column));
        if (classes.view == TrendView::Numbers) {
            row.insert(QStringLiteral("num"), s.column + 1);
        } else if (isHalves(classes.view)) {
            QJsonArray members;
            for (int n : classes.members(s.column))
                members.append(n);
            row.insert(QStringLiteral("class"), classes.labels.at(s.column));
            row.insert(QStringLiteral("numbers"), members);
        }
        row.insert(QStringLiteral("current"), s.current);
        row.insert(QStringLiteral("max"), s.max);
        row.insert(QStringLiteral("average"), s.average);
        row.insert(QStringLiteral("frequency"), s.frequency);
        row.insert(QStringLiteral("expected_frequency"), s.expected);
        row.insert(QStringLiteral("max_run"), s.maxRun);
        row.insert(QStringLiteral("z"), s.z);
        row.insert(QStringLiteral("marked"), s.marked);
        rows.append(row);
    }
    return rows;
}

QJsonArray chartJson(const TrendChart& chart)
{
    QJsonArray rows;
    for (int r = 0; r < chart.rowCount(); ++r) {
        QJsonArray omission;
        for (int c = 0; c < chart.columnCount(); ++c)
            omission.append(chart.omission(r, c));
        QJsonObject row{{QStringLiteral("strQQH"), chart.issue(r)}, {QStringLiteral("omission"), omission}};
        if (chart.position() > 0) {
            row.insert(QStringLiteral("number"), chart.number(r));
        } else {
            QJsonArray numbers;
            for (int n : chart.drawNumbers(r))
                numbers.append(n);
            row.insert(QStringLiteral("numbers"), numbers);
        }
        QJsonArray drawn;
        for (int i = 0; i < chart.hitsPerDraw(); ++i)
            drawn.append(chart.classes().labels.at(chart.hit(r, i)));
        row.insert(QStringLiteral("drawn"), drawn);
        rows.append(row);
    }
    return rows;
}

void printChart(CliContext& context, const TrendChart& chart)
{
    QStringList header{QStringLiteral("期号")};
    header << chart.classes().labels;
    context.printLine(header.join(u'\t'));
    for (int r = 0; r < chart.rowCount(); ++r) {
        QStringList cells{chart.issue(r)};
        for (int c = 0; c < chart.columnCount(); ++c)
            cells << (chart.omission(r, c) == 0 ? QStringLiteral("[%1]").arg(chart.classes().labels.at(c))
                                                : QString::number(chart.omission(r, c)));
        context.printLine(cells.join(u'\t'));
    }
}

void printTable(CliContext& context, const TrendChart& chart, const std::optional<TrendFit>& fit)
{
    context.printLine(
        QStringLiteral("%1\t当前遗漏\t最大遗漏\t平均遗漏\t出现次数\t理论次数\t最大连出")
            .arg(chart.classes().view == TrendView::Numbers ? QStringLiteral("号码") : QStringLiteral("类别")));
    bool anyMarked = false;
    for (const OmissionStats& s : chart.omissionTable()) {
        anyMarked = anyMarked || s.marked;
        context.printLine(QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7%8")
                              .arg(chart.classes().labels.at(s.column))
                              .arg(s.current)
                              .arg(s.max)
                              .arg(s.average, 0, 'f', 2)
                              .arg(s.frequency)
                              .arg(s.expected, 0, 'f', 2)
                              .arg(s.maxRun)
                              .arg(s.marked ? QStringLiteral("\t*") : QString()));
    }
    if (fit)
        context.printLine(QStringLiteral("卡方 %1，自由度 %2，p = %3（这张表与随机开奖相符的程度）")
                              .arg(fit->chiSquare, 0, 'f', 2)
                              .arg(fit->degreesOfFreedom)
                              .arg(fit->pValue, 0, 'g', 3));
    if (anyMarked)
        context.printLine(QStringLiteral("* 出现次数离理论次数较远（|z| ≥ 3）；列数多时，纯随机开奖也常有几列如此。"));
}

QDate dateOption(const CliOptions& options, const QString& name, const QDate& fallback)
{
    if (!options.isSet(name))
        return fallback;
    const QString text = options.text(name);
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        throw CliOptions::badInput(QStringLiteral("--%1 needs a date YYYY-MM-DD, got \"%2\"").arg(name, text));
    return date;
}

TrendRange rangeOf(CliContext& context, const CliOptions& options)
{
    const bool byWindow = options.isSet(QStringLiteral("window"));
    const bool byDays = options.isSet(QStringLiteral("days"));
    const bool byIssues = options.isSet(QStringLiteral("from")) || options.isSet(QStringLiteral("to"));
    if (int(byWindow) + int(byDays) + int(byIssues) > 1)
        throw CliOptions::badInput(QStringLiteral("trend takes one of --window, --days and --from/--to"));
    if (options.isSet(QStringLiteral("today")) && !byDays)
        throw CliOptions::badInput(QStringLiteral("--today goes only with --days"));
    if (byDays)
        return TrendRange::lastDays(options.integer(QStringLiteral("days"), 1, 36500, 1),
                                    dateOption(options, QStringLiteral("today"), context.today()));
    if (byIssues) {
        if (!options.isSet(QStringLiteral("from")) || !options.isSet(QStringLiteral("to")))
            throw CliOptions::badInput(QStringLiteral("--from and --to go together"));
        const QString from = CliOptions::issueArgument(options.text(QStringLiteral("from")), QStringLiteral("--from"));
        const QString to = CliOptions::issueArgument(options.text(QStringLiteral("to")), QStringLiteral("--to"));
        if (to < from)
            throw CliOptions::badInput(QStringLiteral("--from %1 comes after --to %2").arg(from, to));
        return TrendRange::issues(from, to);
    }
    return TrendRange::latest(options.integer(QStringLiteral("window"), 0, std::numeric_limits<int>::max(), 0));
}

// The chart the options choose: view, position and range.
struct ChosenTrend {
    QString viewName;
    bool perPosition = false;
    int position = 0;
    TrendRange range;
    TrendChart chart;
};

ChosenTrend chooseTrend(CliContext& context, const CliOptions& options)
{
    ChosenTrend chosen;
    chosen.viewName = options.choice(QStringLiteral("view"), viewNames(), QStringLiteral("number"));
    const auto view = static_cast<TrendView>(viewNames().indexOf(chosen.viewName));
    chosen.perPosition = TrendClasses::perPosition(view);
    if (chosen.perPosition && !options.isSet(QStringLiteral("position")))
        throw CliOptions::badInput(QStringLiteral("trend --view %1 needs --position 1..5").arg(chosen.viewName));
    if (!chosen.perPosition && options.isSet(QStringLiteral("position")))
        throw CliOptions::badInput(
            QStringLiteral("trend --view %1 looks at the whole draw: leave out --position").arg(chosen.viewName));
    chosen.position = chosen.perPosition ? options.integer(QStringLiteral("position"), 1, 5, 1) : 0;
    chosen.range = rangeOf(context, options);
    const LotteryTable::Entry lottery = context.lottery();
    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    try {
        chosen.chart = TrendChart::build(history, chosen.position, chosen.range.resolve(history, lottery.longDateIssue),
                                         TrendClasses::of(view, lottery.numberRange));
    } catch (const std::invalid_argument& e) {
        throw UserError(QStringLiteral("无法绘制走势图"), QString::fromLocal8Bit(e.what()), false);
    }
    return chosen;
}

QList<QCommandLineOption> choiceOptions()
{
    return {
        QCommandLineOption(QStringLiteral("view"),
                           QStringLiteral("the columns (default number); see the manual's 走势图"),
                           viewNames().join(u'|')),
        QCommandLineOption(QStringLiteral("position"),
                           QStringLiteral("the position 1..5; required for number, the halves and route012, "
                                          "refused for whole-draw views"),
                           QStringLiteral("P")),
        QCommandLineOption(QStringLiteral("window"),
                           QStringLiteral("the latest N draws are counted; 0 (the default) counts all"),
                           QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("days"),
                           QStringLiteral("the draws of the latest D calendar days by their issue dates, today "
                                          "included"),
                           QStringLiteral("D")),
        QCommandLineOption(QStringLiteral("today"), QStringLiteral("the date that stands for today with --days"),
                           QStringLiteral("YYYY-MM-DD")),
        QCommandLineOption(QStringLiteral("from"), QStringLiteral("the first issue counted (with --to)"),
                           QStringLiteral("ISSUE")),
        QCommandLineOption(QStringLiteral("to"), QStringLiteral("the last issue counted (with --from)"),
                           QStringLiteral("ISSUE")),
    };
}

int trendCommand(CliContext& context, const CliOptions& options)
{
    const ChosenTrend chosen = chooseTrend(context, options);
    const TrendChart& chart = chosen.chart;
    const QString& viewName = chosen.viewName;
    const bool perPosition = chosen.perPosition;
    const int position = chosen.position;
    const TrendRange& range = chosen.range;
    const int numberRange = chart.classes().range;
    const std::optional<TrendFit> fit = TrendFit::of(chart);
    const bool withChart = options.isSet(QStringLiteral("chart"));

    if (context.json()) {
        QJsonObject doc{
            {QStringLiteral("view"), viewName},
            {QStringLiteral("position"), perPosition ? QJsonValue(position) : QJsonValue()},
            {QStringLiteral("range"), numberRange},
            {QStringLiteral("draws"), chart.rowCount()},
            {QStringLiteral("first_issue"), chart.rowCount() > 0 ? QJsonValue(chart.issue(0)) : QJsonValue()},
            {QStringLiteral("last_issue"),
             chart.rowCount() > 0 ? QJsonValue(chart.issue(chart.rowCount() - 1)) : QJsonValue()},
            {QStringLiteral("omission"), omissionJson(chart)},
            {QStringLiteral("chi_square"), fit ? QJsonValue(fit->chiSquare) : QJsonValue()},
            {QStringLiteral("degrees_of_freedom"), fit ? QJsonValue(fit->degreesOfFreedom) : QJsonValue()},
            {QStringLiteral("p_value"), fit ? QJsonValue(fit->pValue) : QJsonValue()}};
        switch (range.kind) {
        case TrendRange::Kind::Latest: doc.insert(QStringLiteral("window"), range.window); break;
        case TrendRange::Kind::Days:
            doc.insert(QStringLiteral("days"), range.days);
            doc.insert(QStringLiteral("today"), range.lastDay.toString(Qt::ISODate));
            break;
        case TrendRange::Kind::Issues:
            doc.insert(QStringLiteral("from"), range.from);
            doc.insert(QStringLiteral("to"), range.to);
            break;
        }
        if (withChart)
            doc.insert(QStringLiteral("chart"), chartJson(chart));
        context.printJson(doc);
        return 0;
    }
    context.printLine(
        QStringLiteral("%1走势，%2 期%3")
            .arg(perPosition ? QStringLiteral("第%1位%2").arg(position).arg(TrendClasses::caption(chart.classes().view))
                             : TrendClasses::caption(chart.classes().view))
            .arg(chart.rowCount())
            .arg(chart.rowCount() > 0
                     ? QStringLiteral("（%1 .. %2）").arg(chart.issue(0), chart.issue(chart.rowCount() - 1))
                     : QString()));
    if (withChart)
        printChart(context, chart);
    printTable(context, chart, fit);
    return 0;
}

} // namespace

std::vector<CliCommand> trendCommands()
{
    CliCommand command;
    command.words = {QStringLiteral("trend")};
    command.summary =
        QStringLiteral("the omission table (and with --chart the trend chart) of one view, against chance");
    command.options = choiceOptions();
    command.options << QCommandLineOption(QStringLiteral("chart"),
                                          QStringLiteral("also list every counted draw with "
                                                         "the running omission of each column"));
    command.details = QStringLiteral(
        "current: draws since the column last came (0 when it came in the latest draw, N when never); "
        "max: the longest run without it, the current one included; average: (N - frequency) / (frequency + 1); "
        "expected_frequency: N x the column's exact chance; max_run: the longest run of draws it came in; "
        "chi_square, degrees_of_freedom, p_value: the table's fit to random draws (see the manual).");
    command.run = trendCommand;
    return {command};
}

QList<QCommandLineOption> TrendExport::options()
{
    QList<QCommandLineOption> list{QCommandLineOption(
        QStringLiteral("trend"), QStringLiteral("write the trend chart and omission table of --view to FILE"),
        QStringLiteral("FILE"))};
    return list + choiceOptions();
}

int TrendExport::run(CliContext& context, const CliOptions& options)
{
    const QString path = QFileInfo(options.text(QStringLiteral("trend"))).absoluteFilePath();
    const ChosenTrend chosen = chooseTrend(context, options);
    const TrendSheet sheet(chosen.chart);
    GridSpreadsheet::write(path, sheet, QStringLiteral("导出走势图"));
    if (context.json()) {
        context.printJson(QJsonObject{{QStringLiteral("file"), path},
                                      {QStringLiteral("rows"), sheet.rowCount()},
                                      {QStringLiteral("columns"), sheet.columnCount()}});
    } else {
        context.printLine(QStringLiteral("wrote %1 (%2 rows, %3 columns)")
                              .arg(QDir::toNativeSeparators(path))
                              .arg(sheet.rowCount())
                              .arg(sheet.columnCount()));
    }
    return 0;
}
