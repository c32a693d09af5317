#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A downloaded results page as the rows a reader sees: each table row, list item
// or block of an HTML page (parsed by libxml2's HTML parser, as forgiving as a
// browser), or each line of a plain-text page, becomes one line of text. Every
// element boundary inside a row reads as a blank, so numbers set in one tag each
// ("<em>09</em><em>04</em>") stay apart; scripts, styles and comments are left out.
class ResultsPageText {
public:
    // `contentType` is the HTTP Content-Type header, empty when there was none.
    static QStringList rows(const QByteArray& body, const QString& contentType = QString());

    // The character set the page is read in: the header's charset, else the
    // page's <meta charset> or http-equiv declaration, else its byte order mark,
    // else UTF-8. GB2312 and GBK are read as GB18030, which contains both.
    static QByteArray charset(const QByteArray& body, const QString& contentType);
};
