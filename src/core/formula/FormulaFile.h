#pragma once

#include <QString>
#include <vector>

// One formula line of a formula text file.
struct FormulaFileEntry {
    QString chinese; // gongshiCN
    int lastHitRun = 0; // intGsTrueLst, written after "连准："
};

// The formula text file: a header line naming the program that wrote it and an
// empty line; per formula its Chinese form, 11 ideographic spaces, "连准：", the
// last hit run and "期"; a separator line after each class. Lines end in CR LF.
class FormulaFile {
public:
    static QString header(); // 本组公式由《Velmora》软件搜索而来
    static QString separator(); // ————————————
    static QString formulaLine(const FormulaFileEntry& entry);
    // The whole file: header, empty line, each class's lines followed by a separator.
    static QString compose(const std::vector<std::vector<FormulaFileEntry>>& classes);

    // The reading rule: everything from "连准" on is cut off; the rest, trimmed.
    static QString chineseForm(const QString& line);
    // Lines that make up the format rather than carry a formula: a header line of
    // the shape "本组公式由《…》软件搜索而来" on the first line, the empty line right
    // after it, and separator lines. They are neither imported nor reported.
    static bool isFormatLine(const QString& line, int lineIndex, const QString& firstLine);
};
