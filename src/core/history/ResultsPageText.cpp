#include "history/ResultsPageText.h"

#include <QRegularExpression>
#include <iconv.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cerrno>
#include <memory>

namespace {

// Elements that start a line of their own outside a row.
bool isBlock(const QByteArray& name)
{
    static const QList<QByteArray> kBlocks = {
        "br",  "p",     "div",     "table",   "ul",     "ol",     "h1",      "h2",         "h3",     "h4",   "h5",
        "h6",  "pre",   "tbody",   "thead",   "tfoot",  "dt",     "dd",      "dl",         "hr",     "form", "main",
        "nav", "aside", "section", "article", "header", "footer", "caption", "blockquote", "center",
    };
    return kBlocks.contains(name);
}

// A row: everything inside it is one line, whatever blocks it nests.
bool isRow(const QByteArray& name) { return name == "tr" || name == "li"; }

bool isHidden(const QByteArray& name)
{
    return name == "script" || name == "style" || name == "head" || name == "template" || name == "noscript" ||
           name == "title";
}

class Lines {
public:
    void text(const QString& s) { m_current += s; }
    void gap() { m_current += u' '; }
    void end()
    {
        const QString line = m_current.simplified();
        if (!line.isEmpty())
            m_lines << line;
        m_current.clear();
    }
    QStringList result()
    {
        end();
        return m_lines;
    }

private:
    QString m_current;
    QStringList m_lines;
};

// `pre`: inside preformatted text (or a plain-text page), where each line break
// of the text ends a line.
void render(const xmlNode* node, Lines& lines, int rowDepth, bool pre)
{
    for (; node; node = node->next) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (!node->content)
                continue;
            const QString text = QString::fromUtf8(reinterpret_cast<const char*>(node->content));
            if (!pre || rowDepth > 0) {
                lines.text(text);
                continue;
            }
            const QStringList parts = text.split(u'\n');
            for (qsizetype i = 0; i < parts.size(); ++i) {
                if (i > 0)
                    lines.end();
                lines.text(parts[i]);
            }
            continue;
        }
        if (node->type != XML_ELEMENT_NODE)
            continue; // comments, processing instructions
        const QByteArray name = QByteArray(reinterpret_cast<const char*>(node->name)).toLower();
        if (isHidden(name))
            continue;
        const bool row = isRow(name);
        // Outside a row a block is a line; inside one only a nested row is.
        const bool breaks = row || (rowDepth == 0 && isBlock(name));
        breaks ? lines.end() : lines.gap();
        render(node->children, lines, rowDepth + (row ? 1 : 0), pre || name == "pre" || name == "textarea");
        breaks ? lines.end() : lines.gap();
    }
}

bool looksLikeHtml(const QByteArray& body)
{
    static const QRegularExpression kTag(QStringLiteral("<\\s*(!doctype|html|body|table|tr|td|div|p|li|ul|span|br|"
                                                        "meta|head|em|b|font|pre)\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    return kTag.match(QString::fromLatin1(body.left(64 * 1024))).hasMatch();
}

QByteArray normalisedCharset(QByteArray name)
{
    name = name.trimmed().toLower();
    if (name == "gb2312" || name == "gbk" || name == "x-gbk" || name == "cp936" || name == "gb_2312-80" ||
        name == "euc-cn")
        return "GB18030";
    if (name == "utf8")
        return "UTF-8";
    return name.toUpper();
}

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

// The body in UTF-8. Done here rather than by libxml2, which stops reading at the
// first byte its converter refuses: a bad byte becomes U+FFFD and the rest of the
// page is still read. A charset iconv does not know is taken as UTF-8.
QByteArray toUtf8(const QByteArray& body, const QByteArray& charset)
{
    if (charset == "UTF-8")
        return body;
    iconv_t converter = iconv_open("UTF-8", charset.constData());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return body;
    QByteArray in = body;
    QByteArray out;
    out.resize(body.size() * 2 + 64);
    char* inPointer = in.data();
    size_t inLeft = static_cast<size_t>(in.size());
    char* outPointer = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    while (inLeft > 0) {
        if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG || outLeft < 3) {
            const qsizetype used = outPointer - out.data();
            out.resize(out.size() * 2);
            outPointer = out.data() + used;
            outLeft = static_cast<size_t>(out.size() - used);
            continue;
        }
        // EILSEQ, or EINVAL for a character cut off at the end.
        *outPointer++ = '\xEF';
        *outPointer++ = '\xBF';
        *outPointer++ = '\xBD';
        outLeft -= 3;
        ++inPointer;
        --inLeft;
    }
    iconv_close(converter);
    out.resize(outPointer - out.data());
    return out;
}

// libxml2 writes some problems straight to stderr whatever the parse options say;
// the page's faults are not the user's business.
void ignoreMessage(void*, const char*, ...) {}

class QuietLibxml {
public:
    QuietLibxml() : m_handler(xmlGenericError), m_context(xmlGenericErrorContext)
    {
        xmlSetGenericErrorFunc(nullptr, ignoreMessage);
    }
    ~QuietLibxml() { xmlSetGenericErrorFunc(m_context, m_handler); }
    QuietLibxml(const QuietLibxml&) = delete;
    QuietLibxml& operator=(const QuietLibxml&) = delete;

private:
    xmlGenericErrorFunc m_handler;
    void* m_context;
};

} // namespace

QByteArray ResultsPageText::charset(const QByteArray& body, const QString& contentType)
{
    static const QRegularExpression kHeader(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (const auto match = kHeader.match(contentType); match.hasMatch())
        return normalisedCharset(match.captured(1).toLatin1());
    if (body.startsWith("\xEF\xBB\xBF"))
        return "UTF-8";
    // <meta charset="gbk"> and <meta http-equiv="Content-Type" content="text/html; charset=gbk">
    static const QRegularExpression kMeta(QStringLiteral("<meta\\b[^>]*?charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (const auto match = kMeta.match(QString::fromLatin1(body.left(16 * 1024))); match.hasMatch())
        return normalisedCharset(match.captured(1).toLatin1());
    return "UTF-8";
}

QStringList ResultsPageText::rows(const QByteArray& body, const QString& contentType)
{
    QByteArray html = toUtf8(body, charset(body, contentType));
    if (!looksLikeHtml(body)) {
        // Plain text is read as the text of a <pre>: one row a line.
        html.replace('&', "&amp;");
        html.replace('<', "&lt;");
        html = "<html><body><pre>" + html + "</pre></body></html>";
    }
    const QuietLibxml quiet;
    const std::unique_ptr<xmlDoc, DocFree> doc(
        htmlReadMemory(html.constData(), static_cast<int>(html.size()), nullptr, "UTF-8",
                       HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET));
    if (!doc)
        return {};
    Lines lines;
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root)
        return {};
    render(root, lines, 0, false);
    return lines.result();
}
