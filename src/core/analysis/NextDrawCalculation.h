#pragma once

#include "analysis/CalculationResult.h"
#include "analysis/RankingChoice.h"
#include "common/Progress.h"
#include "formula/FormulaRecord.h"
#include "formula/FormulaSelection.h"
#include "formula/FormulaStore.h"
#include "scoring/FormulaStatistics.h"

#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

class Database;
class HistorySnapshot;

// What to calculate: the play (K leading positions, direct or group), the kind
// of formulas, the number range, the reference draw and the formulas to use.
struct CalculationRequest {
    int leadingPositions = 1; // K, 1..5
    bool group = false;
    bool kill = true;
    int range = 11; // R, 11 or 12
    QString verifyIssue; // empty: the coming draw; else the past issue to check
    bool bestMethod = false; // false: every selected formula
    RankingChoice ranking; // keys and keep limit for the best method
    std::set<int> selected; // idx of the selected formulas, for a visited table not in tableSelections
    // A visited table named here uses its own selection (the window keeps one per table).
    std::map<QString, FormulaSelection> tableSelections;
    // The best method ranks by the statistics; with a window given, each visited
    // table is scored afresh first, so no ranking rests on scores left from an
    // older history or another window. The fresh scores are stored once the
    // whole calculation has run.
    std::optional<ScoringWindow> rescore;
};

// The calculation behind "计算公式(&C)": each formula is evaluated on the
// reference draw only, and the numbers it names are tallied per position.
class NextDrawCalculation {
public:
    // Lists the formulas of one table that have the requested kill/keep flag, in idx order.
    using FormulaLister = std::function<std::vector<FormulaRecord>(const QString& table, bool kill)>;

    // `progress` hears at each visited table (steps of 100 per table) and may stop the run.
    static CalculationResult run(const HistorySnapshot& history, const FormulaLister& formulas,
                                 const CalculationRequest& request, const ProgressCallback& progress = {});
    // Reads the formulas from the database's formula tables. A run stopped
    // through `progress` writes nothing.
    static CalculationResult run(Database& db, const HistorySnapshot& history, const CalculationRequest& request,
                                 const ProgressCallback& progress = {});
    // Reads the history and the visited tables' formulas in one snapshot, so the
    // reference draw and the formulas are of one state. With `shown` given, a
    // visited table whose formulas of that flag are no longer what the window
    // listed refuses the run (UserError) rather than let other formulas vote.
    static CalculationResult run(Database& db, const CalculationRequest& request, const ProgressCallback& progress,
                                 const std::optional<ShownList>& shown);
    static QString listChangedMessage() { return QStringLiteral("公式列表已被其他程序改动，请刷新后再计算"); }

    // The row whose values are read: the latest draw, or the draw just before
    // the verified issue. Raises UserError when there is no such draw.
    static int referenceRow(const HistorySnapshot& history, const QString& verifyIssue);
    // The tables visited and the position each tallies at.
    static std::vector<std::pair<QString, int>> visitedTables(int leadingPositions, bool group);
    // Orders formulas by the keys, each from the highest value down; ties keep idx order.
    static void rank(std::vector<FormulaRecord>& formulas, const std::vector<StatisticKey>& keys);
    // How many distinct numbers the best method needs at one position.
    static int targetCount(bool kill, int range, int keepLimit) { return kill ? range - keepLimit : keepLimit; }
};
