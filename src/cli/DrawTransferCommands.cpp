// draw fetch, import and export: moving draws between the history and a results
// page or a text file.
#include "CliCommandGroups.h"
#include "CliContext.h"
#include "CliOptions.h"
#include "common/UserError.h"
#include "history/DrawBatchReport.h"
#include "history/HistoryFetch.h"
#include "history/HistoryImport.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryTextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

// `fetched`: the report of a fetch, which also tells what it read and replaced.
int printReport(CliContext& context, const DrawBatchReport& report, bool fetched = false)
{
    if (context.json()) {
        QJsonArray added;
        for (const QString& issue : report.added)
            added.append(issue);
        QJsonArray skipped;
        for (const SkippedDraw& draw : report.skipped)
            skipped.append(
                QJsonObject{{QStringLiteral("strQQH"), draw.issue}, {QStringLiteral("reason"), draw.reason}});
        QJsonObject result;
        result.insert(QStringLiteral("added"), added);
        result.insert(QStringLiteral("skipped"), skipped);
        result.insert(QStringLiteral("deleted_first"), report.deletedFirst);
        if (fetched) {
            result.insert(QStringLiteral("recognised"), report.recognised);
            result.insert(QStringLiteral("deleted"), report.deleted);
        }
        context.printJson(result);
    } else {
        context.printLine(report.summary());
    }
    return 0;
}

QDate todayOption(CliContext& context, const CliOptions& options)
{
    if (!options.isSet(QStringLiteral("today")))
        return context.today();
    const QString text = options.text(QStringLiteral("today"));
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        throw CliOptions::badInput(QStringLiteral("--today needs a date YYYY-MM-DD, got \"%1\"").arg(text));
    return date;
}

int drawFetch(CliContext& context, const CliOptions& options)
{
    // Both checked before anything is downloaded.
    const int searchDays = options.integer(QStringLiteral("days"), 2, 10, context.settings().searchDays());
    const QDate today = todayOption(context, options);
    const QString urlTemplate = options.text(QStringLiteral("url"), context.settings().historyUrl());
    HistoryFetch fetch(context.database(), context.lottery(), searchDays, today);
    // Scripts run this unattended, so nothing is asked: the draws an outdated
    // history loses are named in the report and `draw undo-delete` brings them back.
    return printReport(context, fetch.run(urlTemplate), true);
}

int drawImport(CliContext& context, const CliOptions& options)
{
    const QString path = options.positionals().first();
    return printReport(context, HistoryImport(context.database(), context.lottery()).importFile(path));
}

int drawExport(CliContext& context, const CliOptions& options)
{
    const QString path = QFileInfo(options.positionals().first()).absoluteFilePath();
    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    HistoryTextFile::write(path, history);
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("file"), path);
        result.insert(QStringLiteral("draws"), history.size());
        context.printJson(result);
    } else {
        context.printLine(
            QStringLiteral("wrote %1 draws to %2").arg(history.size()).arg(QDir::toNativeSeparators(path)));
    }
    return 0;
}

CliCommand definition(const char* word, const char* summary, CliCommand::Handler handler)
{
    CliCommand command;
    command.words = {QStringLiteral("draw"), QString::fromUtf8(word)};
    command.summary = QString::fromUtf8(summary);
    command.run = std::move(handler);
    return command;
}

} // namespace

std::vector<CliCommand> drawTransferCommands()
{
    CliCommand fetch = definition(
        "fetch", "bring the history up to date from a results page, all of one page in one transaction", drawFetch);
    fetch.options = {
        QCommandLineOption(QStringLiteral("url"),
                           QStringLiteral("results page (http, https, file or a path), may hold {code} and {rows}; "
                                          "default: the stored HistoryUrl"),
                           QStringLiteral("U")),
        QCommandLineOption(QStringLiteral("days"),
                           QStringLiteral("search days S for this run, 2..10; default: the stored setting"),
                           QStringLiteral("D")),
        QCommandLineOption(QStringLiteral("today"), QStringLiteral("the date that stands for today"),
                           QStringLiteral("YYYY-MM-DD"))};
    fetch.details = QStringLiteral(
        "Every row of the page (table row, list item or line) holding an issue (YYMMDDNN, YYYYMMDDNN, "
        "YYMMDD-NN, YYYYMMDD-NN) and after it five two-digit numbers is read, in any order (see the manual). "
        "A page without any draw of this lottery exits 1 and changes nothing. An outdated history loses only the "
        "draws before the first day fetched; `draw undo-delete` brings them back.");
    CliCommand import = definition(
        "import", "read draws from a history text file or CSV, all or nothing; draws already stored are skipped",
        drawImport);
    import.positionals = {{ QStringLiteral("FILE"), QStringLiteral("lines \"issue n1 n2 n3 n4 n5\" or CSV") }};
    import.minPositionals = import.maxPositionals = 1;
    CliCommand exported =
        definition("export", "write the history as text, one line \"issue n1 n2 n3 n4 n5 \" per draw", drawExport);
    exported.positionals = {{QStringLiteral("FILE"), QStringLiteral("the text file to write (replaced)")}};
    exported.minPositionals = exported.maxPositionals = 1;
    return {fetch, import, exported};
}
