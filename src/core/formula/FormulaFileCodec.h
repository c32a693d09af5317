#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The two encodings formula text files come in: UTF-8 (with or without a byte
// order mark) and the Chinese Windows code page, read and written as GB18030
// (a superset of GBK and GB2312).
enum class TextEncoding { Utf8, Gb18030 };

// A text file cut into lines and decoded, with each line's bytes kept as read so
// a line can be written elsewhere unchanged.
struct DecodedText {
    TextEncoding encoding = TextEncoding::Utf8;
    bool byteOrderMark = false;
    std::vector<QByteArray> rawLines; // without the line end; the first without the mark
    QStringList lines;
};

// Detecting, decoding and encoding formula text files with Qt's converters.
class FormulaFileCodec {
public:
    // Cuts at LF (a CR before it is dropped; a final line end opens no empty line),
    // detects the encoding and decodes every line. A UTF-8 mark means UTF-8; else
    // valid UTF-8 is UTF-8, and text that is mostly UTF-8 but damaged is reported as
    // such rather than read as GB18030; else GB18030. Raises UserError naming the
    // first line whose bytes are not valid in the detected encoding, so nothing is
    // ever silently mis-read. `fileName` is only for the message.
    static DecodedText decode(const QByteArray& bytes, const QString& fileName);

    // The whole text in the encoding; UTF-8 is written without a mark.
    static QByteArray encode(const QString& text, TextEncoding encoding);

    // "GB18030" / "UTF-8"
    static QString name(TextEncoding encoding);
    // Accepts gb18030, gbk, gb2312, utf-8, utf8 in any case.
    static std::optional<TextEncoding> fromName(const QString& name);
};
