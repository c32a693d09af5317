#pragma once

#include "search/DefaultBounds.h"

#include <QString>

class QSettings;

// The search window's persisted choices: the plan counts (section "SSSZ",
// key k + 10 × kill flag with −1 for kill and 0 for keep, k the kind's search
// index), the default bounds (section search index − 1, key b for kill and
// b + 10 for keep) and the operand count.
// The operand count is one value for every kind, kept under key "text2" of
// section "1", where the window has always read it.
class SearchSettings {
public:
    static constexpr int kDefaultPlanCount = 80;
    static constexpr int kDefaultOperands = 8;

    explicit SearchSettings(QSettings& store);

    DefaultBounds loadBounds() const;
    // Saves one kind's bounds (in single precision, as they are held) and keeps `table` in step.
    void saveBounds(FormulaKind kind, bool kill, const StatisticBounds& bounds, DefaultBounds& table);

    int operandCount() const;
    void setOperandCount(int operands);

    // The stored plan count of a kind as text ("80" when never saved).
    QString planCount(int kind, bool kill) const;
    void setPlanCount(int kind, bool kill, double count);
    static QString planKey(int kind, bool kill) { return QString::number(kind + (kill ? -10 : 0)); }

private:
    QSettings& m_store;
};
