#pragma once

#include "history/DrawAttributes.h"

#include <QString>
#include <vector>

class HistorySnapshot;

// The history as a text file, UTF-8, one draw per line: the issue, a blank, then
// each number as two digits followed by a blank ("26120801 03 07 01 11 05 ").
// Reading also takes "issue n1 n2 n3 n4 n5" with any blanks, the numbers joined
// by commas ("issue 06,11,08,10,04"), CSV lines with the same six fields, and
// two-column CSV "期号,开奖号码" whose second field holds the five numbers, quoted
// or not. A first line whose first field names the issue without a digit
// ("期号", "strQQH", ...) is a heading. The issue is kept as written (digits,
// at most one dash); HistoryImport brings it to the stored form.
class HistoryTextFile {
public:
    // "更新至" + the latest issue + "期历史号码.txt"; only the issue's digits are kept.
    static QString fileName(const QString& latestIssue);
    static QString line(const QString& issue, const DrawNumbers& numbers);
    // Writes every draw, oldest first, replacing the file as a whole. Raises
    // UserError when the file cannot be written.
    static void write(const QString& path, const HistorySnapshot& history);

    struct Line {
        int lineNumber = 0; // 1-based
        QString issue;
        DrawNumbers numbers{};
    };
    struct Problem {
        int lineNumber = 0;
        QString message;
        QString text() const; // "第N行：" + message
    };
    struct Parsed {
        std::vector<Line> draws;
        std::vector<Problem> problems;
    };
    static Parsed parse(const QString& text);
    // The file's text; raises UserError when it cannot be read or is UTF-16.
    static QString read(const QString& path);
};
