#include "XlsxReader.h"

#include <QProcess>
#include <QStringList>
#include <QXmlStreamReader>
#include <vector>

namespace {

QByteArray unzipped(const QString& archive, const QString& member)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, member});
    unzip.waitForFinished(60000);
    return unzip.exitCode() == 0 ? unzip.readAllStandardOutput() : QByteArray();
}

// "B3" → (2, 1)
std::pair<int, int> position(const QString& reference)
{
    int column = 0;
    int i = 0;
    for (; i < reference.size() && reference[i].isLetter(); ++i)
        column = column * 26 + (reference[i].unicode() - u'A' + 1);
    return {reference.mid(i).toInt() - 1, column - 1};
}

QStringList sharedStrings(const QByteArray& xml)
{
    QStringList strings;
    QXmlStreamReader reader(xml);
    QString current;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"si")
            current.clear();
        else if (reader.isStartElement() && reader.name() == u"t")
            current += reader.readElementText();
        else if (reader.isEndElement() && reader.name() == u"si")
            strings << current;
    }
    return strings;
}

// The fill colour of every cell format (cellXfs), in order.
std::vector<QString> formatFills(const QByteArray& xml)
{
    std::vector<QString> fills;
    std::vector<QString> formats;
    QXmlStreamReader reader(xml);
    bool inFills = false;
    bool inCellFormats = false;
    while (!reader.atEnd()) {
        reader.readNext();
        const auto name = reader.name();
        if (reader.isStartElement()) {
            if (name == u"fills")
                inFills = true;
            else if (name == u"cellXfs")
                inCellFormats = true;
            else if (inFills && name == u"fill")
                fills.emplace_back();
            else if (inFills && name == u"fgColor" && !fills.empty())
                fills.back() = reader.attributes().value(QStringLiteral("rgb")).toString().right(6);
            else if (inCellFormats && name == u"xf")
                formats.push_back(fills.at(reader.attributes().value(QStringLiteral("fillId")).toInt()));
        } else if (reader.isEndElement()) {
            if (name == u"fills")
                inFills = false;
            else if (name == u"cellXfs")
                inCellFormats = false;
        }
    }
    return formats;
}

} // namespace

XlsxReader::XlsxReader(const QString& path)
{
    const QByteArray sheet = unzipped(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    if (sheet.isEmpty())
        return;
    const QStringList strings = sharedStrings(unzipped(path, QStringLiteral("xl/sharedStrings.xml")));
    const std::vector<QString> fills = formatFills(unzipped(path, QStringLiteral("xl/styles.xml")));
    QXmlStreamReader reader(sheet);
    std::pair<int, int> at;
    QString type;
    Cell cell;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"c") {
            at = position(reader.attributes().value(QStringLiteral("r")).toString());
            type = reader.attributes().value(QStringLiteral("t")).toString();
            const size_t format = reader.attributes().value(QStringLiteral("s")).toUInt();
            cell = Cell{QString(), format < fills.size() ? fills[format] : QString()};
        } else if (reader.isStartElement() && (reader.name() == u"v" || reader.name() == u"t")) {
            const QString value = reader.readElementText();
            cell.text = type == u"s" ? strings.value(value.toInt()) : value;
        } else if (reader.isEndElement() && reader.name() == u"c") {
            m_cells.insert(at, cell);
            m_rows = std::max(m_rows, at.first + 1);
            m_columns = std::max(m_columns, at.second + 1);
        }
    }
    m_ok = !reader.hasError();
}
