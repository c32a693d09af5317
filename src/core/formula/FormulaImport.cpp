#include "formula/FormulaImport.h"

#include "common/ParallelRanges.h"
#include "common/UserError.h"
#include "formula/FormulaFile.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "history/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <atomic>
#include <optional>

namespace {

QByteArray readWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("读取公式文本"),
                        QStringLiteral("无法打开文件 %1：%2").arg(path, file.errorString()), false);
    // Formula files are small; a file far beyond any formula list is refused unread.
    constexpr qint64 kLimit = 256LL * 1024 * 1024;
    if (file.size() > kLimit)
        throw UserError(QStringLiteral("读取公式文本"), QStringLiteral("文件 %1 太大，不是公式文本文件。").arg(path));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("读取公式文本"),
                        QStringLiteral("读取文件 %1 失败：%2").arg(path, file.errorString()), false);
    return bytes;
}

// The report keeps each line's own bytes, in the file's own encoding, with CR LF.
void writeReport(const QString& path, const DecodedText& decoded, const std::vector<size_t>& lines)
{
    QByteArray bytes;
    if (decoded.byteOrderMark && !lines.empty())
        bytes += "\xEF\xBB\xBF";
    for (size_t i : lines)
        bytes += decoded.rawLines[i] + "\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw UserError(QStringLiteral("导入公式"),
                        QStringLiteral("无法写入 %1：%2。公式没有导入。").arg(path, file.errorString()), false);
}

// Parses every line that is not part of the format; nothing for a line that
// cannot be recognised. Large files are cut into pieces parsed side by side.
std::vector<std::optional<ParsedFormula>> parseLines(const QStringList& lines,
                                                     const std::function<void(int done)>& report)
{
    const auto count = static_cast<size_t>(lines.size());
    std::vector<std::optional<ParsedFormula>> outcomes(count);
    const QString firstLine = lines.value(0);
    std::atomic<int> done{0};
    parallelRanges(count, 4096, [&](size_t begin, size_t end, bool reporting) {
        for (size_t i = begin; i < end; ++i) {
            const QString& line = lines[static_cast<qsizetype>(i)];
            if (!FormulaFile::isFormatLine(line, static_cast<int>(i), firstLine)) {
                try {
                    outcomes[i] = FormulaText::parse(FormulaFile::chineseForm(line));
                } catch (const UserError&) {
                    // FormulaError for a line that cannot be taken apart, UserError for an empty one.
                }
            }
            const int now = ++done;
            if (reporting && (i - begin) % 1024 == 0)
                report(now); // the calling thread tells the progress
        }
    });
    return outcomes;
}

} // namespace

QString FormulaImport::unrecognisedMessage(const FormulaImportResult& result)
{
    return QStringLiteral("公式文本文件中含有无法识别公式，无法添加到软件\n共 %1 行，已原样写入 %2。")
        .arg(result.unrecognised)
        .arg(result.reportPath);
}

QString FormulaImport::summary(const FormulaImportResult& result)
{
    QString text = QStringLiteral("已导入 %1 条公式。").arg(result.stored);
    if (result.duplicates > 0)
        text += QStringLiteral("\n%1 条公式与表中已有的公式相同，已跳过。").arg(result.duplicates);
    if (result.unrecognised > 0)
        text += QStringLiteral("\n%1 行无法识别，已原样写入 %2。").arg(result.unrecognised).arg(result.reportPath);
    return text;
}

FormulaImportResult FormulaImport::importFile(Database& db, const QString& path, const FormulaImportOptions& options)
{
    return importBytes(db, readWhole(path), QFileInfo(path).fileName(), options);
}

FormulaImportResult FormulaImport::importBytes(Database& db, const QByteArray& bytes, const QString& sourceName,
                                               const FormulaImportOptions& options)
{
    const DecodedText decoded = FormulaFileCodec::decode(bytes, sourceName);
    FormulaImportResult result;
    result.encoding = decoded.encoding;
    result.lines = static_cast<int>(decoded.lines.size());
    result.reportPath = QDir(db.dataDirectory()).filePath(reportFileName());
    const int total = result.lines * 2;
    const std::function<void(int)> report = [&options, total](int done) {
        if (options.progress)
            options.progress(done, total);
    };

    std::vector<std::optional<ParsedFormula>> outcomes = parseLines(decoded.lines, report);
    std::vector<ParsedFormula> parsed;
    parsed.reserve(decoded.lines.size());
    std::vector<size_t> unrecognised;
    const QString firstLine = decoded.lines.value(0);
    for (qsizetype i = 0; i < decoded.lines.size(); ++i) {
        if (outcomes[static_cast<size_t>(i)])
            parsed.push_back(std::move(*outcomes[static_cast<size_t>(i)]));
        else if (!FormulaFile::isFormatLine(decoded.lines[i], static_cast<int>(i), firstLine))
            unrecognised.push_back(static_cast<size_t>(i));
    }
    result.unrecognised = static_cast<int>(unrecognised.size());
    if (options.replaceAll && parsed.empty())
        throw UserError(QStringLiteral("无法识别公式"),
                        QStringLiteral("%1 中没有一条可以识别的公式，现有公式保持不变。").arg(sourceName));
    if (!unrecognised.empty())
        writeReport(result.reportPath, decoded, unrecognised);
    else
        QFile::remove(result.reportPath); // it told of an earlier import

    const double perStored =
        parsed.empty() ? 0.0 : static_cast<double>(result.lines) / static_cast<double>(parsed.size());
    const std::vector<int> idxs = FormulaStore(db).addNew(
        parsed, options.replaceAll ? FormulaStore::AddMode::ReplaceAll : FormulaStore::AddMode::Append,
        [&](int stored) { report(result.lines + static_cast<int>(stored * perStored)); });
    for (size_t i = 0; i < parsed.size(); ++i) {
        if (idxs[i] == 0) {
            ++result.duplicates;
            continue;
        }
        ++result.stored;
        ++result.storedPerTable[parsed[i].target.tableName()];
    }
    report(total);
    return result;
}
