#pragma once

#include "formula/FormulaRecord.h"
#include "formula/FormulaText.h"

#include <QString>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class Database;

// A formula as a window showed it: its idx and its code (gongshi). Writes that a
// window asks for by idx name the formula this way, so a list changed by another
// program since it was read never makes them act on someone else's formula.
using ShownFormula = std::pair<int, QString>;
// The formulas of one table and flag as a window listed them, in idx order.
struct ShownList {
    QString table;
    bool kill = true;
    std::vector<ShownFormula> formulas;
};

// Reads and changes the ten formula tables. Every change is one transaction:
// it happens whole or not at all. Table names are the canonical ones of
// FormulaKind::tableNames(); any case is accepted.
class FormulaStore {
public:
    explicit FormulaStore(Database& db);

    // Rows in idx order; `kill` filters on bolKill when given.
    std::vector<FormulaRecord> list(const QString& table, std::optional<bool> kill = std::nullopt) const;
    int count(const QString& table) const;

    // Appends to the parsed target table with idx = row count + 1; returns the idx.
    int add(const ParsedFormula& formula);
    enum class AddMode { Append, ReplaceAll };
    // Appends many (each to its own target table) in one transaction; returns the
    // idxs. ReplaceAll empties all ten tables first, in the same transaction. A
    // table with gaps in its idx is renumbered 1..n before formulas are appended.
    // `stored` is told every so often how many formulas are in.
    std::vector<int> addAll(const std::vector<ParsedFormula>& formulas, AddMode mode = AddMode::Append,
                            const std::function<void(int stored)>& stored = {});
    // As addAll, but a formula whose code its table already holds with the same
    // kill/keep flag (stored before or earlier in `formulas`) is skipped: it would
    // vote twice. Returns the idx of each formula, 0 for a skipped one.
    std::vector<int> addNew(const std::vector<ParsedFormula>& formulas, AddMode mode = AddMode::Append,
                            const std::function<void(int stored)>& stored = {});

    // Writes each formula's own statistics into its own row (by idx).
    void storeStatistics(const QString& table, const std::vector<std::pair<int, FormulaStatistics>>& statistics);
    // As storeStatistics; an empty entry clears that row's statistics (NULL), for
    // a formula that could not be scored, so no stale figures remain.
    void storeScores(const QString& table, const std::vector<std::pair<int, std::optional<FormulaStatistics>>>& scores);

    // Deletes the given idxs and renumbers the remaining rows (kill and keep alike)
    // 1..n in idx order. Returns how many rows were deleted.
    int remove(const QString& table, const std::vector<int>& idxs);
    // The same for formulas named as a window showed them: inside the transaction
    // every idx must still hold its code, or nothing is deleted and UserError
    // (listChangedMessage) is raised.
    int removeShown(const QString& table, const std::vector<ShownFormula>& shown);
    static std::vector<ShownFormula> identities(const std::vector<FormulaRecord>& records);
    // The refusal when the shown list no longer matches the table.
    static QString listChangedMessage() { return QStringLiteral("公式列表已被其他程序改动，请刷新后再删除"); }
    // The idx and code of the table's formulas of the flag, in idx order (cheaper than list()).
    std::vector<ShownFormula> identities(const QString& table, bool kill) const;
    // True when the table's formulas of the flag are exactly `shown`, in idx order.
    bool holds(const QString& table, bool kill, const std::vector<ShownFormula>& shown) const;
    // Empties all ten tables.
    void clearAll();

private:
    std::vector<int> add(const std::vector<ParsedFormula>& formulas, AddMode mode,
                         const std::function<void(int stored)>& stored, bool skipDuplicates);

    Database& m_db;
};
