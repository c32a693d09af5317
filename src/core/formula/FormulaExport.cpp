#include "formula/FormulaExport.h"

#include "common/ParallelRanges.h"
#include "common/UserError.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaFile.h"
#include "formula/FormulaStore.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaKind.h"

#include <QSaveFile>

namespace {

QString digitsOnly(const QString& issue)
{
    QString digits;
    for (QChar c : issue)
        if (c >= u'0' && c <= u'9')
            digits += c;
    return digits;
}

std::vector<FormulaFileEntry> exportedClass(Database& db, const HistorySnapshot& history, const QString& table,
                                            const FormulaExportOptions& options)
{
    const FormulaKind kind = FormulaKind::ofTable(table);
    const std::vector<FormulaRecord> records = FormulaStore(db).list(kind.tableName(), options.kill);
    // The list's own scoring, each formula by its own kill flag; one that cannot
    // be evaluated keeps no statistics, so its last hit run is 0 (the list marks
    // it "无法计算" and never scores it).
    const FormulaEvaluator evaluator(history, kind, options.range, options.window,
                                     FormulaEvaluator::pathFor(records.size()));
    std::vector<FormulaFileEntry> entries(records.size());
    // Scoring over every draw is the long part: the formulas are shared out among the cores.
    parallelRanges(records.size(), 256, [&](size_t begin, size_t end, bool) {
        for (size_t i = begin; i < end; ++i)
            entries[i] = FormulaFileEntry{records[i].chinese,
                                          evaluator.evaluate(records[i]).scored.record.statistics.lastHitRun};
    });
    return entries;
}

} // namespace

QString FormulaExport::allTablesFileName(const QString& issue)
{
    return QString(digitsOnly(issue) + QStringLiteral("期11选5公式.txt"));
}

QString FormulaExport::tableFileName(const QString& issue, const QString& label)
{
    return QString(digitsOnly(issue) + QStringLiteral("期11选5") + label + QStringLiteral("公式.txt"));
}

FormulaExportResult FormulaExport::write(Database& db, const HistorySnapshot& history, const QStringList& tables,
                                         const QString& path, const FormulaExportOptions& options)
{
    FormulaExportResult result;
    std::vector<std::vector<FormulaFileEntry>> classes;
    for (const QString& table : tables) {
        if (options.progress)
            options.progress(result.classes, static_cast<int>(tables.size()));
        classes.push_back(exportedClass(db, history, table, options));
        result.formulas += static_cast<int>(classes.back().size());
        ++result.classes;
    }
    const QByteArray bytes = FormulaFileCodec::encode(FormulaFile::compose(classes), options.encoding);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw UserError(QStringLiteral("公式导出"), QStringLiteral("无法写入 %1：%2").arg(path, file.errorString()),
                        false);
    if (options.progress)
        options.progress(result.classes, result.classes);
    return result;
}
