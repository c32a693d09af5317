#pragma once

#include "scoring/FormulaKind.h"

#include <QString>

// Where a formula points: its kind (position of the next draw, direct or group)
// and whether it kills (杀) or keeps (生) its number.
struct FormulaTarget {
    FormulaKind kind;
    bool kill = true;

    FormulaTarget() = default;
    FormulaTarget(FormulaKind formulaKind, bool killing) : kind(formulaKind), kill(killing) {}
    FormulaTarget(int position, bool group, bool killing) : kind(position, group), kill(killing) {}
    // From the target words of a formula line ("第三", "组选"); raises FormulaError
    // naming the word that is not a position or a play.
    static FormulaTarget fromWords(const QString& positionWord, const QString& playWord, bool killing);

    QString tableName() const { return kind.tableName(); }
    // "第三组选"
    QString label() const { return kind.label(); }
    QString killWord() const { return kill ? QStringLiteral("杀") : QStringLiteral("生"); }
    ScoringRule rule(int range) const;
    bool operator==(const FormulaTarget&) const = default;
};
