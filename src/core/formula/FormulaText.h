#pragma once

#include "formula/FormulaTarget.h"

#include <QString>

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
    // Applies the 45-entry word-to-code table in its fixed order; trimmed.
    static QString translate(const QString& chineseExpression);

    // Parses one line: "expr=下期杀第三直选" or the header form "[第二组选杀]expr".
    // The code form is validated by compiling it. Raises FormulaError when the
    // line cannot be recognised, UserError("添加公式失败") when it is empty.
    static ParsedFormula parse(const QString& line);
};
