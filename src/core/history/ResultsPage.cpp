#include "history/ResultsPage.h"

#include <QStringDecoder>

namespace {

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool looksLikeHtml(const QString& text)
{
    for (qsizetype i = text.indexOf(u'<'); i >= 0 && i + 1 < text.size(); i = text.indexOf(u'<', i + 1)) {
        const QChar next = text[i + 1];
        if (next.isLetter() || next == u'/' || next == u'!')
            return true;
    }
    return false;
}

// Elements whose end starts a new line of the body text.
bool endsLine(QStringView tag)
{
    static const QStringList kBlocks = {
        QStringLiteral("br"),     QStringLiteral("p"),      QStringLiteral("div"),     QStringLiteral("tr"),
        QStringLiteral("li"),     QStringLiteral("table"),  QStringLiteral("ul"),      QStringLiteral("ol"),
        QStringLiteral("h1"),     QStringLiteral("h2"),     QStringLiteral("h3"),      QStringLiteral("h4"),
        QStringLiteral("h5"),     QStringLiteral("h6"),     QStringLiteral("section"), QStringLiteral("article"),
        QStringLiteral("header"), QStringLiteral("footer"), QStringLiteral("pre"),     QStringLiteral("tbody"),
        QStringLiteral("thead"),  QStringLiteral("dt"),     QStringLiteral("dd"),      QStringLiteral("caption"),
        QStringLiteral("hr"),     QStringLiteral("title"),  QStringLiteral("form"),    QStringLiteral("main"),
        QStringLiteral("nav"),    QStringLiteral("aside"),  QStringLiteral("dl"),      QStringLiteral("blockquote"),
    };
    for (const QString& block : kBlocks)
        if (tag.compare(block, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The character a reference such as "&amp;" or "&#21457;" stands for; the
// reference's length goes to `length`. Unknown references stay as they are.
QString decodeReference(QStringView text, qsizetype at, qsizetype* length)
{
    const qsizetype end = text.indexOf(u';', at);
    if (end < 0 || end - at > 10) {
        *length = 1;
        return QStringLiteral("&");
    }
    const QStringView name = text.mid(at + 1, end - at - 1);
    *length = end - at + 1;
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X') ? name.mid(2).toUInt(&ok, 16)
                                                                                  : name.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
            const char32_t c = code;
            return QString::fromUcs4(&c, 1);
        }
    }
    static const std::pair<const char*, char16_t> kNamed[] = {
        {"amp", u'&'}, {"lt", u'<'}, {"gt", u'>'}, {"quot", u'"'}, {"apos", u'\''}, {"nbsp", u' '},
    };
    for (const auto& [named, c] : kNamed)
        if (name.compare(QLatin1String(named), Qt::CaseInsensitive) == 0)
            return QString(QChar(c));
    *length = 1;
    return QStringLiteral("&");
}

class BodyText {
public:
    void character(QChar c)
    {
        if (c.isSpace()) {
            m_blank = !m_text.isEmpty() && !m_text.endsWith(u'\n');
            return;
        }
        if (m_blank)
            m_text += u' ';
        m_blank = false;
        m_text += c;
    }
    void text(const QString& s)
    {
        for (QChar c : s)
            character(c);
    }
    void lineBreak()
    {
        m_blank = false;
        if (!m_text.isEmpty() && !m_text.endsWith(u'\n'))
            m_text += u'\n';
    }
    QString result() const { return m_text.trimmed(); }

private:
    QString m_text;
    bool m_blank = false;
};

// Skips to just after the end of an element whose content is not shown.
qsizetype skipElement(const QString& html, qsizetype from, const QString& name)
{
    const qsizetype end = html.indexOf(QStringLiteral("</") + name, from, Qt::CaseInsensitive);
    if (end < 0)
        return html.size();
    const qsizetype close = html.indexOf(u'>', end);
    return close < 0 ? html.size() : close + 1;
}

QString reduceHtml(const QString& html)
{
    BodyText body;
    qsizetype i = 0;
    const qsizetype bodyStart = html.indexOf(QStringLiteral("<body"), 0, Qt::CaseInsensitive);
    if (bodyStart >= 0)
        i = bodyStart;
    while (i < html.size()) {
        const QChar c = html[i];
        if (c == u'&') {
            qsizetype length = 1;
            body.text(decodeReference(html, i, &length));
            i += length;
            continue;
        }
        if (c != u'<' || i + 1 >= html.size() ||
            !(html[i + 1].isLetter() || html[i + 1] == u'/' || html[i + 1] == u'!')) {
            body.character(c);
            ++i;
            continue;
        }
        if (html.mid(i, 4) == u"<!--") {
            const qsizetype end = html.indexOf(QStringLiteral("-->"), i + 4);
            i = end < 0 ? html.size() : end + 3;
            continue;
        }
        const qsizetype close = html.indexOf(u'>', i);
        if (close < 0)
            break;
        const bool closing = html[i + 1] == u'/';
        qsizetype nameStart = i + (closing ? 2 : 1);
        qsizetype nameEnd = nameStart;
        while (nameEnd < close && (html[nameEnd].isLetterOrNumber()))
            ++nameEnd;
        const QString name = html.mid(nameStart, nameEnd - nameStart).toLower();
        i = close + 1;
        if (!closing && (name == u"script" || name == u"style" || name == u"head" || name == u"template")) {
            i = skipElement(html, i, name);
            continue;
        }
        if (closing && name == u"body")
            break;
        if (endsLine(name))
            body.lineBreak();
    }
    return body.result();
}

} // namespace

QString ResultsPage::text(const QByteArray& bodyBytes)
{
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bodyBytes);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    QString decoded = decoder.decode(bodyBytes);
    decoded.remove(u'\r');
    if (decoded.startsWith(QChar(0xFEFF)))
        decoded.remove(0, 1);
    return looksLikeHtml(decoded) ? reduceHtml(decoded) : decoded;
}

qsizetype ResultsPage::find(const QString& text, const QString& issue, qsizetype from)
{
    for (qsizetype at = text.indexOf(issue, from); at >= 0; at = text.indexOf(issue, at + 1))
        if (at == 0 || !isAsciiDigit(text[at - 1]))
            return at;
    return -1;
}

std::optional<DrawNumbers> ResultsPage::numbersAt(const QString& text, qsizetype position, qsizetype issueLength,
                                                  QString* problem)
{
    DrawNumbers numbers{};
    for (int i = 0; i < 5; ++i) {
        const qsizetype at = position + issueLength + 3 * i;
        const QString two = text.mid(at, 2);
        if (two.size() != 2 || !isAsciiDigit(two[0]) || !isAsciiDigit(two[1])) {
            if (problem)
                *problem = QStringLiteral("第%1个号码的位置上不是两位数字（“%2”）。")
                               .arg(i + 1)
                               .arg(two.simplified().isEmpty() ? QStringLiteral("空") : two);
            return std::nullopt;
        }
        numbers[static_cast<size_t>(i)] = two.toInt();
    }
    return numbers;
}
