#include "formula/FormulaFileCodec.h"

#include "common/UserError.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const QByteArray kUtf8Mark("\xEF\xBB\xBF");

// GB18030 comes from ICU under this name; Qt has no built-in converter for it.
const char* const kGb18030 = "GB18030";

QStringDecoder decoderFor(TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QStringDecoder decoder(kGb18030, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        throw UserError(QStringLiteral("公式文本"), QStringLiteral("本机的 Qt 不支持 GB18030 编码，无法读取此文件。"),
                        false);
    return decoder;
}

// Decodes with a fresh decoder; nothing when a byte sequence is invalid. The ICU
// converters do not always raise the error flag for a sequence they replaced, so a
// replacement character counts as an error too (a formula file has no use for one).
std::optional<QString> strictDecode(const QByteArray& bytes, TextEncoding encoding)
{
    QStringDecoder decoder = decoderFor(encoding);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.contains(QChar::ReplacementCharacter))
        return std::nullopt;
    return text;
}

std::vector<QByteArray> splitLines(const QByteArray& bytes)
{
    std::vector<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        qsizetype length = end - start;
        if (length > 0 && bytes[end - 1] == '\r')
            --length;
        lines.push_back(bytes.mid(start, length));
        start = next;
    }
    return lines;
}

// Damaged UTF-8 (a cut-off character, a stray byte) still decodes to far more
// good non-ASCII characters than replacement marks; GB18030 text read as UTF-8
// gives mostly replacement marks.
bool looksLikeUtf8(const QByteArray& bytes)
{
    const QString text = QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless).decode(bytes);
    qsizetype good = 0;
    qsizetype bad = 0;
    for (QChar c : text) {
        if (c == QChar::ReplacementCharacter)
            ++bad;
        else if (c.unicode() >= 0x80)
            ++good;
    }
    return good > bad;
}

[[noreturn]] void reportBadLine(const std::vector<QByteArray>& lines, TextEncoding encoding, const QString& fileName)
{
    int lineNumber = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!strictDecode(lines[i], encoding)) {
            lineNumber = static_cast<int>(i) + 1;
            break;
        }
    }
    throw UserError(QStringLiteral("无法识别公式"),
                    QStringLiteral("文件 %1 第 %2 行含有不是 %3 编码的字节，无法可靠地读取。文件没有导入，"
                                   "请检查或重新保存为 UTF-8 或 GB18030 编码后再试。")
                        .arg(fileName)
                        .arg(lineNumber)
                        .arg(FormulaFileCodec::name(encoding)));
}

} // namespace

DecodedText FormulaFileCodec::decode(const QByteArray& bytes, const QString& fileName)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        throw UserError(
            QStringLiteral("无法识别公式"),
            QStringLiteral("文件 %1 是 UTF-16 编码，请另存为 UTF-8 或 GB18030 编码后再读取。").arg(fileName));
    DecodedText decoded;
    QByteArray body = bytes;
    // A file saved again by an editor that adds a mark may start with several; the
    // decoder would drop the second by itself and leave a raw line without a line.
    while (body.startsWith(kUtf8Mark)) {
        decoded.byteOrderMark = true;
        body.remove(0, kUtf8Mark.size());
    }
    decoded.rawLines = splitLines(body);

    std::optional<QString> text = strictDecode(body, TextEncoding::Utf8);
    decoded.encoding = TextEncoding::Utf8;
    if (!text) {
        if (decoded.byteOrderMark || looksLikeUtf8(body))
            reportBadLine(decoded.rawLines, TextEncoding::Utf8, fileName);
        text = strictDecode(body, TextEncoding::Gb18030);
        decoded.encoding = TextEncoding::Gb18030;
        if (!text)
            reportBadLine(decoded.rawLines, TextEncoding::Gb18030, fileName);
    }
    // LF never occurs inside a multi-byte character of either encoding, so the
    // decoded lines match the raw ones one for one.
    decoded.lines = text->split(u'\n');
    if (text->endsWith(u'\n') || text->isEmpty())
        decoded.lines.removeLast();
    for (QString& line : decoded.lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return decoded;
}

QByteArray FormulaFileCodec::encode(const QString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    QStringEncoder encoder(kGb18030, QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        throw UserError(QStringLiteral("公式文本"), QStringLiteral("本机的 Qt 不支持 GB18030 编码，无法写入此文件。"),
                        false);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        throw UserError(QStringLiteral("公式文本"), QStringLiteral("文本中有无法用 GB18030 编码写出的字符。"), false);
    return bytes;
}

QString FormulaFileCodec::name(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("GB18030");
}

std::optional<TextEncoding> FormulaFileCodec::fromName(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == u"utf-8" || n == u"utf8")
        return TextEncoding::Utf8;
    if (n == u"gb18030" || n == u"gbk" || n == u"gb2312")
        return TextEncoding::Gb18030;
    return std::nullopt;
}
