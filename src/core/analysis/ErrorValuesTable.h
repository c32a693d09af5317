#pragma once

#include "analysis/CalculationResult.h"

#include <QString>
#include <set>
#include <vector>

class SqliteDatabase;

// Columns of the per-number list that a re-sort can use, numbered as in the
// stored table's select list (num, ETrrcount, Errcount, Trrcount).
enum class ErrorValueColumn { Number = 1, Vote = 2, Kill = 3, Keep = 4 };

// One line of a position's list: its place, the number, the tallies, the verdict.
struct ErrorValueRow {
    int place = 0;
    int number = 0;
    NumberTally tally;
    bool filtered = false; // "滤杀"; otherwise "保留"
};

// One line of a position's summary: a vote count and the numbers that have it.
struct VoteSummaryRow {
    int count = 0;
    std::vector<int> numbers;
};

// The numbers each shown position records as kept (its first keep-limit rows),
// and those among them an earlier position had already kept.
struct KeptMarks {
    std::vector<std::set<int>> kept; // per shown position, in shownPositions() order
    std::vector<std::set<int>> shaded; // subset of kept: already kept on an earlier tab
};

// The engine behind the error values window: ordering, verdicts, summary,
// kept marks, and the stored table ErrarrLei.
class ErrorValuesTable {
public:
    // Kill formulas filter out a number somebody named; keep formulas one nobody named.
    static bool isFiltered(bool kill, int vote) { return (vote == 0) != kill; }
    static QString verdictText(bool filtered);
    // Keep formulas always list from the most votes down; kill formulas from the
    // fewest up unless the list was reversed.
    static bool descending(bool kill, bool reversed) { return reversed || !kill; }

    // The list of one position ordered by `column`; ties keep number order.
    static std::vector<ErrorValueRow> order(const CalculationResult& result, int position,
                                            ErrorValueColumn column = ErrorValueColumn::Vote, bool reversed = false);
    // One row per vote count that some number has, from the smallest up.
    static std::vector<VoteSummaryRow> summary(const CalculationResult& result, int position);
    static KeptMarks keptMarks(const CalculationResult& result);
    // After a check of a past issue: the numbers it drew that a position's list
    // judges (direct: the number at that position; group: those at positions
    // 1..K). Empty for the coming draw.
    static std::set<int> drawnAt(const CalculationResult& result, int position);

    // Rewrites ErrarrLei with rows 1..R from the tallies of `position`, in one transaction.
    static void store(SqliteDatabase& db, const CalculationResult& result, int position);
    // ErrarrLei as stored, ordered by Errcount (ties by num): the export's order.
    static std::vector<ErrorValueRow> readByKillCount(SqliteDatabase& db, bool kill);
};
