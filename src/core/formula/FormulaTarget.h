#pragma once

#include <QString>

// Where a formula points: position 1..5 of the next draw, direct (直选) or
// group (组选), and whether it kills (杀) or keeps (生) its number.
struct FormulaTarget {
    int position = 1;
    bool group = false;
    bool kill = true;

    QString tableName() const
    {
        return QStringLiteral("Gongshi%1%2").arg(position).arg(group ? QChar(u'G') : QChar(u'D'));
    }
    // "第三组选"
    QString label() const;
    QString killWord() const { return kill ? QStringLiteral("杀") : QStringLiteral("生"); }
    bool operator==(const FormulaTarget&) const = default;
};
