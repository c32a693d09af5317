#include "history/HistoryTextFile.h"

#include "common/UserError.h"
#include "history/HistorySnapshot.h"

#include <QFile>
#include <QSaveFile>

namespace {

const QString kTitle = QStringLiteral("历史号码文本");

bool asciiDigits(const QString& text, qsizetype maxLength)
{
    if (text.isEmpty() || text.size() > maxLength)
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

QStringList fieldsOf(const QString& line)
{
    QStringList fields;
    if (line.contains(u',')) {
        for (QString field : line.split(u',')) {
            field = field.trimmed();
            if (field.size() >= 2 && field.startsWith(u'"') && field.endsWith(u'"'))
                field = field.mid(1, field.size() - 2).trimmed();
            fields << field;
        }
        if (fields.size() == 7 && fields.last().isEmpty())
            fields.removeLast();
    } else {
        fields = line.split(QChar(u' '), Qt::SkipEmptyParts);
    }
    return fields;
}

bool isHeading(const QStringList& fields)
{
    const QString first = fields.value(0);
    return first.compare(QStringLiteral("strQQH"), Qt::CaseInsensitive) == 0 || first == u"期号";
}

} // namespace

QString HistoryTextFile::Problem::text() const { return QStringLiteral("第%1行：").arg(lineNumber) + message; }

QString HistoryTextFile::fileName(const QString& latestIssue)
{
    QString digits;
    for (QChar c : latestIssue)
        if (c >= u'0' && c <= u'9')
            digits += c;
    return QStringLiteral("更新至") + digits + QStringLiteral("期历史号码.txt");
}

QString HistoryTextFile::line(const QString& issue, const DrawNumbers& numbers)
{
    QString text = issue + u' ';
    for (int n : numbers)
        text += QStringLiteral("%1 ").arg(n, 2, 10, QChar(u'0'));
    return text;
}

void HistoryTextFile::write(const QString& path, const HistorySnapshot& history)
{
    QString text;
    text.reserve(history.size() * 26);
    for (int row = 0; row < history.size(); ++row) {
        DrawNumbers numbers{};
        for (int p = 1; p <= 5; ++p)
            numbers[static_cast<size_t>(p - 1)] = history.number(row, p);
        text += line(history.issue(row), numbers) + u'\n';
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw UserError(kTitle, QStringLiteral("无法写入 %1：%2").arg(path, file.errorString()), false);
}

QString HistoryTextFile::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(kTitle, QStringLiteral("无法读取 %1：%2").arg(path, file.errorString()));
    return QString::fromUtf8(file.readAll());
}

HistoryTextFile::Parsed HistoryTextFile::parse(const QString& text)
{
    Parsed parsed;
    const QStringList lines = (text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text).split(u'\n');
    bool first = true;
    for (int i = 0; i < lines.size(); ++i) {
        const QString trimmed = QString(lines[i]).replace(u'\t', u' ').trimmed();
        if (trimmed.isEmpty())
            continue;
        const QStringList fields = fieldsOf(trimmed);
        const bool heading = first && isHeading(fields);
        first = false;
        if (heading)
            continue;
        if (fields.size() != 6) {
            parsed.problems.push_back(
                {i + 1, QStringLiteral("应有期号和五个号码，现在有%1项（%2）").arg(fields.size()).arg(trimmed)});
            continue;
        }
        if (!asciiDigits(fields[0], 16)) {
            parsed.problems.push_back({i + 1, QStringLiteral("期号“%1”不是数字。").arg(fields[0])});
            continue;
        }
        Line draw;
        draw.lineNumber = i + 1;
        draw.issue = fields[0];
        bool ok = true;
        for (int k = 0; k < 5 && ok; ++k) {
            ok = asciiDigits(fields[k + 1], 2);
            if (ok)
                draw.numbers[static_cast<size_t>(k)] = fields[k + 1].toInt();
            else
                parsed.problems.push_back(
                    {i + 1, QStringLiteral("第%1个号码“%2”不是数字。").arg(k + 1).arg(fields[k + 1])});
        }
        if (ok)
            parsed.draws.push_back(draw);
    }
    return parsed;
}
