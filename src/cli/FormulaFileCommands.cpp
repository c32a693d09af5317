// formula import, export and fetch, and export xlsx: formula text files, the
// online formula update and the spreadsheet copies of the two grids.
#include "CliCommandGroups.h"
#include "CliContext.h"
#include "CliOptions.h"
#include "TrendExport.h"
#include "analysis/FormulaGridSheet.h"
#include "analysis/HistoryGridSheet.h"
#include "common/Download.h"
#include "common/UserError.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaExport.h"
#include "formula/FormulaImport.h"
#include "formula/FormulaOnlineUpdate.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaTarget.h"
#include "formula/TableScorer.h"
#include "history/HistorySnapshot.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <cstdio>

namespace {

void warnLine(const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

QString fileArgument(const CliOptions& options) { return QFileInfo(options.positionals().first()).absoluteFilePath(); }

FormulaTarget targetOf(const QString& table, bool kill) { return FormulaTarget(FormulaKind::ofTable(table), kill); }

// The list's window: the stored look-back, current-draw and weighting settings.
ScoringWindow listWindow(CliContext& context)
{
    const AppSettings& settings = context.settings();
    return ScoringWindow{settings.lookBackDraws(), settings.excludeCurrent(), settings.weightedRate()};
}

void printImport(CliContext& context, QJsonObject document, const FormulaImportResult& result)
{
    if (result.unrecognised > 0)
        warnLine(FormulaImport::unrecognisedTitle() + QStringLiteral(": ") +
                 FormulaImport::unrecognisedMessage(result));
    if (!context.json()) {
        context.printLine(
            QStringLiteral("read %1 lines (%2), stored %3 formulas, %4 unrecognised, %5 duplicates skipped")
                .arg(result.lines)
                .arg(FormulaFileCodec::name(result.encoding))
                .arg(result.stored)
                .arg(result.unrecognised)
                .arg(result.duplicates));
        return;
    }
    QJsonObject tables;
    for (const auto& [table, count] : result.storedPerTable)
        tables.insert(table, count);
    document.insert(QStringLiteral("encoding"), FormulaFileCodec::name(result.encoding));
    document.insert(QStringLiteral("read"), result.lines);
    document.insert(QStringLiteral("stored"), result.stored);
    document.insert(QStringLiteral("unrecognised"), result.unrecognised);
    document.insert(QStringLiteral("duplicates"), result.duplicates);
    document.insert(QStringLiteral("report"), result.reportPath);
    document.insert(QStringLiteral("tables"), tables);
    context.printJson(document);
}

int formulaImport(CliContext& context, const CliOptions& options)
{
    const QString path = fileArgument(options);
    const FormulaImportResult result = FormulaImport::importFile(context.database(), path, {});
    printImport(context, QJsonObject{{QStringLiteral("file"), path}}, result);
    return 0;
}

int formulaExport(CliContext& context, const CliOptions& options)
{
    const QString path = fileArgument(options);
    FormulaExportOptions exportOptions;
    const QString stored = context.settings().formulaFilesUtf8() ? QStringLiteral("utf-8") : QStringLiteral("gb18030");
    const QString encoding =
        options.choice(QStringLiteral("encoding"), {QStringLiteral("gb18030"), QStringLiteral("utf-8")}, stored);
    exportOptions.encoding = *FormulaFileCodec::fromName(encoding);
    exportOptions.kill = options.optionalKillFlag();
    exportOptions.range = context.lottery().numberRange;
    exportOptions.window = listWindow(context);
    const QStringList tables =
        options.isSet(QStringLiteral("table")) ? QStringList{options.table()} : FormulaKind::tableNames();
    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    const FormulaExportResult result = FormulaExport::write(context.database(), history, tables, path, exportOptions);
    if (context.json()) {
        QJsonObject document;
        document.insert(QStringLiteral("file"), path);
        document.insert(QStringLiteral("encoding"), FormulaFileCodec::name(exportOptions.encoding));
        document.insert(QStringLiteral("classes"), result.classes);
        document.insert(QStringLiteral("formulas"), result.formulas);
        context.printJson(document);
    } else {
        context.printLine(QStringLiteral("wrote %1 formulas in %2 classes to %3 (%4)")
                              .arg(result.formulas)
                              .arg(result.classes)
                              .arg(QDir::toNativeSeparators(path), FormulaFileCodec::name(exportOptions.encoding)));
    }
    return 0;
}

// The online update: the download is kept as Velmora.txt; when it fails the file
// of the last successful one is read instead, and the run still ends in failure.
int formulaFetch(CliContext& context, const CliOptions& options)
{
    const QString address = options.text(QStringLiteral("url"), context.settings().formulaUrl());
    Download::Limits limits;
    limits.timeoutMs = options.integer(QStringLiteral("timeout"), 1, 3600, 30) * 1000;
    const QUrl url =
        address.isEmpty() ? QUrl() : QUrl::fromUserInput(address, QDir::currentPath(), QUrl::AssumeLocalFile);
    const QString dataDirectory = context.database().dataDirectory();
    QString failure;
    QByteArray body;
    try {
        body = Download::fetch(url, limits);
        FormulaOnlineUpdate::storeDownload(dataDirectory, body);
    } catch (const UserError& e) {
        failure = e.message();
        warnLine(FormulaOnlineUpdate::title() + QStringLiteral(": ") + failure);
        if (!QFileInfo::exists(FormulaOnlineUpdate::storedPath(dataDirectory)))
            throw UserError(FormulaOnlineUpdate::title(),
                            QStringLiteral("没有以前下载的 %1，公式没有更新。").arg(FormulaOnlineUpdate::fileName()),
                            false);
        warnLine(QStringLiteral("%1: 改用以前下载的 %2")
                     .arg(FormulaOnlineUpdate::title(), FormulaOnlineUpdate::storedPath(dataDirectory)));
    }
    const FormulaImportResult result = FormulaOnlineUpdate::importStored(context.database(), {});
    QJsonObject document;
    document.insert(QStringLiteral("url"), url.toString());
    document.insert(QStringLiteral("downloaded"), failure.isEmpty());
    document.insert(QStringLiteral("error"), failure.isEmpty() ? QJsonValue() : QJsonValue(failure));
    document.insert(QStringLiteral("bytes"), failure.isEmpty() ? QJsonValue(body.size()) : QJsonValue());
    document.insert(QStringLiteral("file"), FormulaOnlineUpdate::storedPath(dataDirectory));
    printImport(context, document, result);
    return failure.isEmpty() ? 0 : 1;
}

int exportXlsx(CliContext& context, const CliOptions& options)
{
    if (options.isSet(QStringLiteral("trend")))
        return TrendExport::run(context, options);
    const bool formulas = options.isSet(QStringLiteral("formulas"));
    if (formulas == options.isSet(QStringLiteral("history")))
        throw CliOptions::badInput(QStringLiteral("export xlsx needs one of --formulas FILE or --history FILE"));
    const QString path =
        QFileInfo(options.text(formulas ? QStringLiteral("formulas") : QStringLiteral("history"))).absoluteFilePath();
    const bool kill = options.killFlag(true);
    const QString table = formulas || options.isSet(QStringLiteral("table")) ? options.table() : QString();
    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    const int range = context.lottery().numberRange;

    int rows = 0;
    int columns = 0;
    if (formulas) {
        // As the list shows it after a full rebuild: freshly scored, every formula selected.
        const std::vector<ScoredFormula> scored =
            TableScorer::scoreTable(context.database(), history, table, kill, range, listWindow(context));
        FormulaGridView view;
        view.kindLabel = targetOf(table, kill).label();
        view.weighted = context.settings().weightedRate();
        view.showChance = context.settings().showChance();
        const FormulaGridSheet sheet(scored, view);
        GridSpreadsheet::write(path, sheet, QStringLiteral("导出到EXCEL表格"));
        rows = sheet.rowCount();
        columns = sheet.columnCount();
    } else {
        std::vector<FormulaResultColumn> results;
        if (!table.isEmpty()) {
            const FormulaEvaluator evaluator(history, FormulaKind::ofTable(table), range, listWindow(context));
            results = evaluator.resultColumns(FormulaStore(context.database()).list(table, kill),
                                              context.settings().resultOnSameDraw() ? ResultColumnForm::SameDraw
                                                                                    : ResultColumnForm::NextDraw);
        }
        const HistoryGridSheet sheet(history, results);
        GridSpreadsheet::write(path, sheet, QStringLiteral("导出列表到Excel"));
        rows = sheet.rowCount();
        columns = sheet.columnCount();
    }
    if (context.json()) {
        QJsonObject result;
        result.insert(QStringLiteral("file"), path);
        result.insert(QStringLiteral("rows"), rows);
        result.insert(QStringLiteral("columns"), columns);
        context.printJson(result);
    } else {
        context.printLine(QStringLiteral("wrote %1 (%2 rows, %3 columns)")
                              .arg(QDir::toNativeSeparators(path))
                              .arg(rows)
                              .arg(columns));
    }
    return 0;
}

CliCommand definition(QStringList words, const char* summary, CliCommand::Handler handler)
{
    CliCommand command;
    command.words = std::move(words);
    command.summary = QString::fromUtf8(summary);
    command.run = std::move(handler);
    return command;
}

CliPositional fileParameter(const char* description)
{
    return {QStringLiteral("FILE"), QString::fromUtf8(description)};
}

} // namespace

std::vector<CliCommand> formulaFileCommands()
{
    const QString formula = QStringLiteral("formula");
    CliCommand import = definition({formula, QStringLiteral("import")},
                                   "add the formulas of a formula text file (UTF-8 or GB18030) to their tables, all in "
                                   "one transaction; unrecognised lines go to 无法识别公式.txt",
                                   formulaImport);
    import.positionals = {fileParameter("the formula text file")};
    import.minPositionals = import.maxPositionals = 1;

    CliCommand exported = definition({formula, QStringLiteral("export")},
                                     "write formula tables as a formula text file, each 连准 scored as the list scores "
                                     "it",
                                     formulaExport);
    exported.positionals = {fileParameter("the text file to write (replaced)")};
    exported.minPositionals = exported.maxPositionals = 1;
    exported.options = {QCommandLineOption(QStringLiteral("table"),
                                           QStringLiteral("only this table (default: all ten)"), QStringLiteral("T")),
                        CliOptions::flagOption(QStringLiteral("default: both")),
                        QCommandLineOption(QStringLiteral("encoding"),
                                           QStringLiteral("gb18030 or utf-8; default: the stored setting (gb18030)"),
                                           QStringLiteral("E"))};

    CliCommand fetch = definition({formula, QStringLiteral("fetch")},
                                  "the online formula update: download a formula file as Velmora.txt and replace every "
                                  "formula with its content",
                                  formulaFetch);
    fetch.options = {
        QCommandLineOption(QStringLiteral("url"),
                           QStringLiteral("the formula file (http, https, file or a path); default: the stored "
                                          "FormulaUrl"),
                           QStringLiteral("U")),
        QCommandLineOption(QStringLiteral("timeout"),
                           QStringLiteral("seconds the whole download may take, 1..3600 (default 30)"),
                           QStringLiteral("S"))};
    fetch.details = QStringLiteral("When the download fails, the previous Velmora.txt is read instead and the exit "
                                   "status is 1; without one nothing changes.");

    CliCommand xlsx = definition({QStringLiteral("export"), QStringLiteral("xlsx")},
                                 "copy the formula list or the history grid (with its green hit cells) to a "
                                 "spreadsheet",
                                 exportXlsx);
    xlsx.options = {
        QCommandLineOption(QStringLiteral("formulas"), QStringLiteral("write the formula list of --table to FILE"),
                           QStringLiteral("FILE")),
        QCommandLineOption(QStringLiteral("history"),
                           QStringLiteral("write the history grid to FILE; with --table, one result column per "
                                          "formula"),
                           QStringLiteral("FILE")),
        CliOptions::tableOption(), CliOptions::flagOption(QStringLiteral("default: kill"))};
    xlsx.options << TrendExport::options();
    return {import, exported, fetch, xlsx};
}
