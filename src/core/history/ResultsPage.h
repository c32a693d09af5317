#pragma once

#include "history/DrawAttributes.h"

#include <QByteArray>
#include <QString>
#include <optional>

// A lottery-results page as the online update reads it: the text of its body, in
// which each draw appears as its issue number directly followed by the five
// numbers, two digits each, one separator character between two numbers
// ("2612080105 03 07 01 11").
class ResultsPage {
public:
    // The body text of a downloaded page. HTML is reduced as a browser shows it:
    // head, scripts, styles and comments dropped, tags removed without leaving a
    // gap, block ends and <br> as line breaks, runs of blanks as one blank and
    // character references decoded. Anything else is taken as plain text. The
    // charset comes from the page's BOM or meta tag, else UTF-8.
    static QString text(const QByteArray& body);

    // Where `issue` next appears at or after `from` as a whole issue (not the tail
    // of a longer run of digits), or -1.
    static qsizetype find(const QString& text, const QString& issue, qsizetype from);

    // The five numbers after the issue found at `position`: number i (1..5) is
    // the two characters at position + issue length + 3 × (i − 1). Nothing when
    // one of them is not two ASCII digits; `problem` then says what was there.
    static std::optional<DrawNumbers> numbersAt(const QString& text, qsizetype position, qsizetype issueLength,
                                                QString* problem = nullptr);
};
