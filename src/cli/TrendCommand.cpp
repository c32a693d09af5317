// trend: the trend chart of one position and its omission table.
#include "CliCommandGroups.h"
#include "CliContext.h"
#include "CliOptions.h"
#include "analysis/TrendChart.h"
#include "common/UserError.h"
#include "history/HistorySnapshot.h"

#include <QJsonArray>
#include <QJsonObject>
#include <limits>

namespace {

struct ViewName {
    const char* name;
    TrendView view;
};

const ViewName kViews[] = {
    {"number", TrendView::Numbers},
    {"big-small", TrendView::BigSmall},
    {"odd-even", TrendView::OddEven},
    {"prime-composite", TrendView::PrimeComposite},
};

TrendView viewOf(const QString& name)
{
    for (const ViewName& v : kViews)
        if (name == QLatin1String(v.name))
            return v.view;
    return TrendView::Numbers;
}

QStringList viewNames()
{
    QStringList names;
    for (const ViewName& v : kViews)
        names << QString::fromLatin1(v.name);
    return names;
}

// One object per column: the number (or the class with its numbers) and its figures.
QJsonArray omissionJson(const TrendChart& chart)
{
    const TrendClasses& classes = chart.classes();
    QJsonArray rows;
    for (const OmissionStats& s : chart.omissionTable()) {
        QJsonObject row;
        if (classes.view == TrendView::Numbers) {
            row.insert(QStringLiteral("num"), s.column + 1);
        } else {
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
        rows.append(QJsonObject{{QStringLiteral("strQQH"), chart.issue(r)},
                                {QStringLiteral("number"), chart.number(r)},
                                {QStringLiteral("omission"), omission}});
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
            cells << (c == chart.drawnColumn(r) ? QStringLiteral("[%1]").arg(chart.classes().labels.at(c))
                                                : QString::number(chart.omission(r, c)));
        context.printLine(cells.join(u'\t'));
    }
}

void printTable(CliContext& context, const TrendChart& chart)
{
    context.printLine(
        QStringLiteral("%1\t当前遗漏\t最大遗漏\t平均遗漏\t出现次数\t理论次数")
            .arg(chart.classes().view == TrendView::Numbers ? QStringLiteral("号码") : QStringLiteral("类别")));
    for (const OmissionStats& s : chart.omissionTable())
        context.printLine(QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6")
                              .arg(chart.classes().labels.at(s.column))
                              .arg(s.current)
                              .arg(s.max)
                              .arg(s.average, 0, 'f', 2)
                              .arg(s.frequency)
                              .arg(s.expected, 0, 'f', 2));
}

int trendCommand(CliContext& context, const CliOptions& options)
{
    if (!options.isSet(QStringLiteral("position")))
        throw CliOptions::badInput(QStringLiteral("trend needs --position 1..5"));
    const int position = options.integer(QStringLiteral("position"), 1, 5, 1);
    const int window = options.integer(QStringLiteral("window"), 0, std::numeric_limits<int>::max(), 0);
    const QString view = options.choice(QStringLiteral("view"), viewNames(), QStringLiteral("number"));
    const int range = context.lottery().numberRange;
    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    const TrendChart chart = TrendChart::build(history, position, window, TrendClasses::of(viewOf(view), range));
    const bool withChart = options.isSet(QStringLiteral("chart"));

    if (context.json()) {
        QJsonObject doc{{QStringLiteral("position"), position},
                        {QStringLiteral("range"), range},
                        {QStringLiteral("view"), view},
                        {QStringLiteral("window"), window},
                        {QStringLiteral("draws"), chart.rowCount()},
                        {QStringLiteral("omission"), omissionJson(chart)}};
        if (withChart)
            doc.insert(QStringLiteral("chart"), chartJson(chart));
        context.printJson(doc);
        return 0;
    }
    context.printLine(
        QStringLiteral("第%1位走势，%2 期%3")
            .arg(position)
            .arg(chart.rowCount())
            .arg(chart.rowCount() > 0
                     ? QStringLiteral("（%1 .. %2）").arg(chart.issue(0), chart.issue(chart.rowCount() - 1))
                     : QString()));
    if (withChart)
        printChart(context, chart);
    printTable(context, chart);
    return 0;
}

} // namespace

std::vector<CliCommand> trendCommands()
{
    CliCommand command;
    command.words = {QStringLiteral("trend")};
    command.summary = QStringLiteral("the omission table (and with --chart the trend chart) of one position");
    command.options = {
        QCommandLineOption(QStringLiteral("position"), QStringLiteral("the position 1..5; required"),
                           QStringLiteral("P")),
        QCommandLineOption(QStringLiteral("window"),
                           QStringLiteral("the latest N draws are counted; 0 (the default) counts all"),
                           QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("view"),
                           QStringLiteral("columns: every number (default), or the halves 大/小, 单/双, 质/合"),
                           viewNames().join(u'|')),
        QCommandLineOption(QStringLiteral("chart"), QStringLiteral("also list every counted draw with the running "
                                                                   "omission of each column")),
    };
    command.details = QStringLiteral(
        "current: draws since the number last came at the position (0 when it came in the latest draw, N when never); "
        "max: the longest run without it, the current one included; average: (N - frequency) / (frequency + 1); "
        "expected_frequency: N / R for a number, N x (its numbers) / R for a class.");
    command.run = trendCommand;
    return {command};
}
