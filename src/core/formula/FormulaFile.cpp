#include "formula/FormulaFile.h"

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kRunWord = QStringLiteral("连准");

bool isHeader(const QString& line)
{
    const QString s = line.trimmed();
    return s.startsWith(QStringLiteral("本组公式由《")) && s.endsWith(QStringLiteral("》软件搜索而来"));
}

bool isSeparator(const QString& line)
{
    const QString s = line.trimmed();
    if (s.size() < 2)
        return false;
    for (QChar c : s)
        if (c != u'—')
            return false;
    return true;
}

} // namespace

QString FormulaFile::header() { return QStringLiteral("本组公式由《Velmora》软件搜索而来"); }

QString FormulaFile::separator() { return QStringLiteral("————————————"); }

QString FormulaFile::formulaLine(const FormulaFileEntry& entry)
{
    return QString(entry.chinese + QString(11, QChar(0x3000)) + kRunWord + u'：' + QString::number(entry.lastHitRun) +
                   u'期');
}

QString FormulaFile::compose(const std::vector<std::vector<FormulaFileEntry>>& classes)
{
    QString text = header() + kLineEnd + kLineEnd;
    for (const std::vector<FormulaFileEntry>& entries : classes) {
        for (const FormulaFileEntry& entry : entries)
            text += formulaLine(entry) + kLineEnd;
        text += separator() + kLineEnd;
    }
    return text;
}

QString FormulaFile::chineseForm(const QString& line)
{
    const qsizetype at = line.indexOf(kRunWord);
    return (at >= 0 ? line.left(at) : line).trimmed();
}

bool FormulaFile::isFormatLine(const QString& line, int lineIndex, const QString& firstLine)
{
    if (lineIndex == 0 && isHeader(line))
        return true;
    if (lineIndex == 1 && line.trimmed().isEmpty() && isHeader(firstLine))
        return true;
    return isSeparator(line);
}
