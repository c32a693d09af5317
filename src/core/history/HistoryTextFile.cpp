#include "history/HistoryTextFile.h"

#include "common/UserError.h"
#include "history/HistorySnapshot.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>

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

// An issue as a file may hold it: digits with at most one dash inside
// (20170718-06); its form is judged against the lottery on import.
bool issueShaped(const QString& text)
{
    const qsizetype dash = text.indexOf(u'-');
    if (dash < 0)
        return asciiDigits(text, 16);
    return asciiDigits(text.left(dash), 16) && asciiDigits(text.mid(dash + 1), 16);
}

// The issue, then the numbers. Each line is one of: blanks between all six
// ("issue n1 n2 n3 n4 n5"), a blank after the issue and the numbers joined by
// commas with or without blanks ("issue 06,11,08,10,04"), six CSV fields, or two
// CSV fields whose second holds the five numbers ("issue,\"09,04,01,03,06\"" or
// "issue,09 04 01 03 06"). Quotes only group; a trailing comma ends the line.
QStringList fieldsOf(QString line)
{
    line.remove(u'"');
    line = line.trimmed();
    if (line.endsWith(u','))
        line.chop(1);
    static const QRegularExpression separator(QStringLiteral("\\s*,\\s*|\\s+"));
    return line.split(separator);
}

// A first line that names the columns instead of holding a draw: its first
// field holds no digit and names the issue (期号, 开奖期号, strQQH, issue).
bool isHeading(const QString& line)
{
    QString first = line.section(u',', 0, 0).remove(u'"').trimmed();
    for (QChar c : first)
        if (c >= u'0' && c <= u'9')
            return false;
    return first.contains(u'期') || first.contains(QStringLiteral("qqh"), Qt::CaseInsensitive) ||
           first.contains(QStringLiteral("issue"), Qt::CaseInsensitive);
}

bool isUtf16(const QByteArray& data)
{
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF"))
        return true;
    // Without a mark: ASCII digits and blanks in UTF-16 put a zero byte beside each one.
    const qsizetype sample = std::min<qsizetype>(data.size(), 256);
    return sample >= 4 && data.left(sample).count('\0') * 4 >= sample;
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
    const QByteArray data = file.readAll();
    // Read as UTF-8 it would give one unreadable problem per line, none saying why.
    if (isUtf16(data))
        throw UserError(kTitle, QStringLiteral("%1 是UTF-16编码的文本，请另存为UTF-8编码后再导入。").arg(path));
    return QString::fromUtf8(data);
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
        const bool heading = first && isHeading(trimmed);
        first = false;
        if (heading)
            continue;
        const QStringList fields = fieldsOf(trimmed);
        if (fields.contains(QString())) {
            parsed.problems.push_back({i + 1, QStringLiteral("两个逗号之间是空的（%1）").arg(trimmed)});
            continue;
        }
        if (fields.size() != 6) {
            parsed.problems.push_back(
                {i + 1, QStringLiteral("应有期号和五个号码，现在有%1项（%2）").arg(fields.size()).arg(trimmed)});
            continue;
        }
        if (!issueShaped(fields[0])) {
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
