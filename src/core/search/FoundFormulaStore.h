#pragma once

#include "search/FoundFormula.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

class Database;

enum class StoreMode { Append, Replace };

// Writes found formulas into their formula tables. Per table, in one
// transaction: (replace) empty it, add the new rows, keep the first row of
// every (bolKill, gongshi, gongshiCN) and renumber idx 1..n. A failure leaves
// that table exactly as it was and reaches the caller.
class FoundFormulaStore {
public:
    explicit FoundFormulaStore(Database& db);

    // Returns the tables written, in the order of their first entry.
    QStringList store(const std::vector<FoundFormula>& found, StoreMode mode);

    // Formulas with the given kill flag held by each kind's table (by search
    // index 1..10; index 0 unused): a keep plan is not satisfied by kill formulas.
    std::array<int, 11> existingCounts(bool kill);

    static QString completedMessage() { return QStringLiteral("公式追加完毕！"); }
    static QString completedTitle() { return QStringLiteral("追加公式"); }

private:
    void storeTable(const QString& table, const std::vector<const FoundFormula*>& rows, StoreMode mode);

    Database& m_db;
};
