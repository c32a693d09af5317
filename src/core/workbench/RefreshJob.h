#pragma once

#include "common/LotteryTable.h"
#include "common/Progress.h"
#include "formula/FormulaResultColumn.h"
#include "formula/FormulaTarget.h"
#include "formula/TableScorer.h"

#include <QDate>
#include <QFlags>
#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class HistorySnapshot;
class SqliteDatabase;

// The steps that bring the main window up to date, always taken in this order.
enum class RefreshPart : unsigned {
    Formulas = 0x1, // AddGongshi: reread the shown table's list
    History = 0x2, // AddHaoma: reload the history snapshot
    Scores = 0x4, // Yansuan: score the listed formulas, store the scores, build the result columns
    NextIssue = 0x8, // QihaoXianshi: propose the next issue, show the last
};
Q_DECLARE_FLAGS(RefreshParts, RefreshPart)
Q_DECLARE_OPERATORS_FOR_FLAGS(RefreshParts)

inline constexpr RefreshParts kEveryRefreshPart =
    RefreshParts(RefreshPart::Formulas) | RefreshPart::History | RefreshPart::Scores | RefreshPart::NextIssue;

// Everything a refresh needs, copied when it starts: it never reads the
// workbench while it runs.
struct RefreshInput {
    QString folder; // of formula.mdb
    QString dataDirectory; // of the exports and reports
    RefreshParts parts;
    FormulaTarget shown;
    ScoringWindow window;
    bool resultColumns = false; // Check1: also build the per-draw result columns
    bool sameDraw = false; // the result columns show each draw's own value
    LotteryTable::Entry lottery;
    QDate today;
    std::shared_ptr<const HistorySnapshot> history; // scored unless History is among the parts
};

struct RefreshOutput {
    std::optional<std::vector<ScoredFormula>> formulas; // the list with its stored scores
    std::shared_ptr<const HistorySnapshot> history; // set when reloaded
    QString historyStamp; // of the reloaded history (historyStamp())
    std::optional<std::vector<ScoredFormula>> scored;
    std::vector<FormulaResultColumn> columns;
    std::optional<std::pair<QString, QString>> issues; // next, last
    std::vector<std::pair<QString, QString>> failures; // title and message of each step that failed
    bool cancelled = false; // scoring was stopped: nothing of it was stored
};

// The refresh itself, run on a worker thread over a connection of its own.
// The list, the history and the next issue are read in one snapshot, so they
// always show one state. Each step runs on its own: one that fails is reported
// and the others still run. A cancel stops the scoring before anything is stored; the cheap steps
// around it still run, so the list and history shown stay current.
class RefreshJob {
public:
    static RefreshOutput run(const RefreshInput& input, const ProgressCallback& progress);
    // A short text that changes whenever the stored draws do (count, first and
    // last issue, a sum over every draw): cheap to read, to compare with the shown one.
    static QString historyStamp(SqliteDatabase& db);
};
