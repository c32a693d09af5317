#pragma once

#include "formula/FormulaRecord.h"
#include "formula/FormulaText.h"

#include <QString>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class Database;

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

    // Writes each formula's own statistics into its own row (by idx).
    void storeStatistics(const QString& table, const std::vector<std::pair<int, FormulaStatistics>>& statistics);
    // As storeStatistics; an empty entry clears that row's statistics (NULL), for
    // a formula that could not be scored, so no stale figures remain.
    void storeScores(const QString& table, const std::vector<std::pair<int, std::optional<FormulaStatistics>>>& scores);

    // Deletes the given idxs and renumbers the remaining rows (kill and keep alike)
    // 1..n in idx order. Returns how many rows were deleted.
    int remove(const QString& table, const std::vector<int>& idxs);
    // Empties all ten tables.
    void clearAll();

private:
    Database& m_db;
};
