#pragma once

#include "formula/FormulaStore.h"
#include "search/FoundFormula.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

class Database;

enum class StoreMode { Append, Replace };

// What a store did.
struct FoundStoreResult {
    QStringList tables; // written, in the order of their first entry
    bool replaced = false; // a replace: formulas of the searched flag were removed first
    int removed = 0; // how many formulas the replace removed
};

// Formulas of one table and flag, as a replace would remove them.
struct ReplacedFormulas {
    FormulaTarget target;
    int count = 0;
    std::vector<ShownFormula> formulas; // as read for the question, in idx order
};

// Writes found formulas into their formula tables, all tables in one
// transaction. Per table: (replace) remove its formulas of the found formulas'
// kill/keep flag, add the new rows, keep the first row of every (bolKill,
// gongshi, gongshiCN) and renumber idx 1..n. The other flag's formulas and the
// tables nothing was found for are never touched. A failure (or a crash) leaves
// every table exactly as it was and reaches the caller.
class FoundFormulaStore {
public:
    explicit FoundFormulaStore(Database& db);

    FoundStoreResult store(const std::vector<FoundFormula>& found, StoreMode mode);
    // A replace after the question: every table is written in one transaction,
    // and only when each still holds exactly the formulas the question named;
    // otherwise nothing is written and UserError says the list changed.
    FoundStoreResult store(const std::vector<FoundFormula>& found, StoreMode mode,
                           const std::vector<ReplacedFormulas>& asked);

    // What a replace of `found` would remove, per table and flag, in the order
    // of their first entry; read now, so ask just before storing.
    std::vector<ReplacedFormulas> replacedBy(const std::vector<FoundFormula>& found);
    // The question asked before a replace, naming each table and count.
    static QString replaceQuestion(const std::vector<ReplacedFormulas>& removed, int found);
    static QString replaceTitle() { return QStringLiteral("公式更新到数据库"); }

    // Formulas with the given kill flag held by each kind's table (by search
    // index 1..10; index 0 unused): a keep plan is not satisfied by kill formulas.
    std::array<int, 11> existingCounts(bool kill);

    static QString completedMessage() { return QStringLiteral("公式追加完毕！"); }
    static QString completedTitle() { return QStringLiteral("追加公式"); }
    static QString replacedMessage() { return QStringLiteral("公式已替换"); }
    static QString replacedTitle() { return QStringLiteral("替换公式"); }
    // The title of the message after `result`: replaced or appended.
    static QString titleFor(const FoundStoreResult& result)
    {
        return result.replaced ? replacedTitle() : completedTitle();
    }
    // The message after `result`: replaced or appended.
    static QString messageFor(const FoundStoreResult& result)
    {
        return result.replaced ? replacedMessage() : completedMessage();
    }

private:
    // Returns how many formulas the replace removed.
    int storeTable(const QString& table, const std::vector<const FoundFormula*>& rows, StoreMode mode);

    Database& m_db;
};
