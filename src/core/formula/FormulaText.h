#pragma once

#include "formula/FormulaTarget.h"

#include <QString>
#include <utility>
#include <vector>

struct ParsedFormula {
    QString chinese; // the whole line as typed, trimmed (gongshiCN)
    QString code; // the expression after word-to-code replacement, trimmed (gongshi)
    FormulaTarget target; // parsed position, kind and verb
};

// The Chinese text form of a formula and its translation to the code form.
class FormulaText {
public:
    // Replaces every occurrence of `find`, always searching again from the start
    // of the text as it now stands.
    static QString asReplace(QString text, const QString& find, const QString& replaceWith);
    // Replaces the words of the 45-entry word-to-code table in one pass from the
    // left; where several words start at one place the table's order decides
    // ("和数个位" before "和数"). For every text that makes a valid code form this
    // is what applying the table entry by entry with asReplace gives. Trimmed.
    // Raises FormulaError for a text longer than kMaxLength.
    static QString translate(const QString& chineseExpression);
    // Far beyond the 5,000 tokens a code form may have; checked before any work.
    static constexpr qsizetype kMaxLength = 20000;
    // The word-to-code table in its fixed order.
    static const std::vector<std::pair<QString, QString>>& wordTable();

    // Parses one line: "expr=下期杀第三直选" or the header form "[第二组选杀]expr".
    // The code form is validated by compiling it. Raises FormulaError when the
    // line cannot be recognised, UserError("添加公式失败") when it is empty.
    static ParsedFormula parse(const QString& line);
};
