#pragma once

#include "analysis/BackTest.h"
#include "analysis/CalculationResult.h"
#include "analysis/NextDrawCalculation.h"
#include "common/AppSettings.h"
#include "common/LotteryTable.h"
#include "formula/FormulaSelection.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaTarget.h"
#include "history/DrawAttributes.h"
#include "workbench/JobRunner.h"
#include "workbench/RefreshJob.h"

#include <QDate>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class Database;
class HistorySnapshot;
class QSettings;

// What the main window works on: the database, the settings, the current
// lottery, the history snapshot, the shown formula table with its list, and one
// formula selection per table for the session. Windows build and update widgets
// from its signals; it holds the rules.
//
// Long work (reloading, scoring, the calculation, the back-test, compaction,
// file work) runs one job at a time on a worker thread over a database
// connection of its own. A refresh asked for while another refresh waits or
// runs is merged into one, and the steps always run in the order formulas,
// history, scores, next issue. Quick changes (a typed draw, a formula, a
// deletion) run here on the connection of this thread, only while no job runs
// (busy() false); each then asks for the refresh it needs.
class Workbench : public QObject {
    Q_OBJECT
public:
    // `database` may be null (missing or refused file): everything reads as empty.
    Workbench(std::unique_ptr<Database> database, QSettings& store, std::function<QDate()> today,
              QObject* parent = nullptr);
    // The data directory whose lottery folders (LotteryFolders) the lottery
    // choice switches between. Without it a new lottery keeps the open database,
    // which then refuses draws of the new lottery.
    void setDataDirectory(const QString& dataDirectory) { m_dataDirectory = dataDirectory; }
    // Cancels the running job and waits for its worker to stop.
    ~Workbench() override;

    // ---- state --------------------------------------------------------------
    Database* database() const { return m_database.get(); }
    Database& requireDatabase() const;
    AppSettings& settings() { return m_settings; }
    const AppSettings& settings() const { return m_settings; }
    const LotteryTable::Entry& lottery() const { return m_lottery; }
    // Saves the choice (refused while work other than a refresh runs or waits;
    // a refresh makes way) and opens the lottery's own database
    // (see setDataDirectory); every selection starts afresh and everything is
    // read again. emits lotteryChanged once the new database is open (or could
    // not be opened: failed() says why and everything reads as empty).
    void chooseLottery(int index);
    // Saves 每天期数 of the current lottery (same refusal as chooseLottery);
    // the next issue is proposed again. Stored draws keep their attributes.
    void setDrawsPerDay(int draws);
    std::shared_ptr<const HistorySnapshot> history() const { return m_history; }
    bool drawTyped() const { return m_drawTyped; } // a draw was saved in this session
    QDate today() const { return m_today(); }

    const FormulaTarget& shown() const { return m_shown; }
    // Another table or flag: the list empties until the next refresh reads it.
    void setShown(const FormulaTarget& shown);
    QString shownTable() const { return m_shown.tableName(); }
    ScoringWindow scoringWindow() const;
    ScoringRule scoringRule() const;
    bool resultColumnsShown() const { return m_resultColumns; }
    void setResultColumnsShown(bool shown) { m_resultColumns = shown; }
    // The shown table's formulas with the shown flag, as last read or scored.
    const std::vector<ScoredFormula>& listed() const { return m_listed; }
    std::vector<int> listedIdxs() const;
    // The listed formulas as the window shows them, for writes by identity.
    ShownList shownList() const;

    // ---- selection (one per table, kept for the session) -------------------
    FormulaSelection& selection() { return selection(shownTable()); }
    FormulaSelection& selection(const QString& table);
    void toggleSelected(int idx);
    void selectListed(); // Command8
    void invertListed(); // Command5
    // Leaves selected exactly the listed formulas named in `chosen` (the filter).
    // Refused (UserError) when one of them is no longer listed as it was.
    void keepListedSelected(const std::vector<ShownFormula>& chosen);
    // What a full rebuild of the list does: every formula of the shown table selected.
    void resetSelection();
    // After formulas were stored by another window: every table starts afresh.
    void resetAllSelections();

    // ---- refresh ------------------------------------------------------------
    // AddGongshi, AddHaoma, Yansuan, QihaoXianshi: the parts asked for, in that order.
    void refresh(RefreshParts parts = kEveryRefreshPart);

    // ---- quick changes (refused while busy) -----------------------------------
    void addDraw(const QString& issue, const DrawNumbers& numbers);
    // Parses and stores a formula line; the list then shows its table and its
    // kill/keep flag. Returns where it went.
    FormulaTarget addFormula(const QString& line);
    // Formulas are named as the window showed them: when another program changed
    // the table since, nothing is deleted and UserError says so (the list is read
    // again). One formula: the selection entries above it move down with their formulas.
    void deleteFormula(const ShownFormula& formula);
    // The highest idx of the listed flag.
    void deleteLastFormula();
    // Several formulas of the shown table (the listed ones the caller picked).
    void deleteFormulas(const std::vector<ShownFormula>& formulas);
    void clearAllFormulas();
    void renumberShownTable(); // ArrGs
    void deleteLastDraw(); // "删除最后历史": the selection stays, no compaction
    void deleteLastDraws(int count); // then compaction (when any went) and a full rebuild
    // Keeps `issue` and every draw before it.
    void deleteDrawsAfter(const QString& issue);
    void deleteAllDraws();
    // 撤销删除: the draws of the latest deletion come back whole, until the next
    // change of the history. Returns how many; raises UserError when there is
    // nothing to restore.
    int undoDrawDeletion();

    // ---- long work ------------------------------------------------------------
    void compact(); // CompactDb
    using CalculationDone = std::function<void(const CalculationResult& result)>;
    // Runs the next-draw calculation over the history and formulas as stored when
    // it starts (one snapshot); refused when the listed table changed since the
    // window read it. Each visited table votes with its own selection. `done` runs here with the result unless the run
    // fails (failed()) or is cancelled.
    void calculate(CalculationRequest request, CalculationDone done);

    using BackTestDone = std::function<void(std::shared_ptr<const BackTestResult> result)>;
    // Replays the history with the selected formulas of the request's table and
    // flag, both read in one snapshot when the job starts (the request's formulas
    // are filled in then); refused when that table is listed and changed since.
    // `done` runs here with the result unless the run fails (failed()) or is cancelled.
    void backTest(BackTestRequest request, BackTestDone done);

    // Any other long work: `work` runs on the worker over a connection of its own
    // (report progress through the callback to let "取消" stop it); `done` runs
    // here afterwards unless the work failed (failed()) or was cancelled.
    using Work = std::function<void(Database& db, const ProgressCallback& progress)>;
    void run(Work work, std::function<void()> done);

    // True from the moment work is asked for until no job runs or waits.
    bool busy() const { return m_busy; }
    // Another program's commit: when what is stored differs from what is shown
    // (history or the listed formulas), reads it again, keeps the selection of
    // the formulas that stayed, emits changedElsewhere and returns true. Polled
    // while idle (PRAGMA data_version, so it costs nothing while nothing changes).
    bool checkForOtherPrograms();

    // Stops the running job at its next check and drops the waiting ones (saying
    // so through failed() when jobs other than refreshes were dropped).
    void cancel();

signals:
    void formulasChanged(const std::vector<ScoredFormula>& rows);
    void historyChanged(const std::shared_ptr<const HistorySnapshot>& history);
    void scoresReady(const std::vector<ScoredFormula>& rows, const std::vector<FormulaResultColumn>& columns);
    void nextIssueReady(const QString& next, const QString& last);
    void selectionChanged();
    // Another lottery's database is open now (or none could be): windows holding
    // the old one let go of it.
    void lotteryChanged();
    // Another program changed what is shown; a reload follows.
    void changedElsewhere();
    void busyChanged(bool busy);
    void progressChanged(int done, int total);
    void failed(const QString& title, const QString& message);

private:
    using Job = std::function<void()>; // starts one job on the runner

    void requireIdle(const QString& title) const;
    // After a deletion that removed something: a failure of the compaction says
    // that the deletion itself is done.
    void compactAfterDeletion();
    void startCompaction(bool afterDeletion);
    void enqueue(Job job);
    void schedule();
    void startNext();
    void startRefresh();
    void applyRefresh(const RefreshOutput& output);
    void applyWithoutDatabase(RefreshParts parts);
    void finished(const JobRunner::Outcome& outcome);
    void setBusy(bool busy);
    void report(const std::exception_ptr& failure);
    void carrySelection(const std::vector<ScoredFormula>& rows);

    std::unique_ptr<Database> m_database;
    QString m_dataDirectory;
    AppSettings m_settings;
    std::function<QDate()> m_today;
    LotteryTable::Entry m_lottery;
    std::shared_ptr<const HistorySnapshot> m_history;
    FormulaTarget m_shown;
    bool m_resultColumns = false;
    std::vector<ScoredFormula> m_listed;
    bool m_listedRead = false; // m_listed was read for the shown table and flag
    std::map<QString, FormulaSelection> m_selections;
    bool m_drawTyped = false;

    QTimer m_watch; // polls for other programs' commits while idle
    qint64 m_dataVersion = -1;
    QString m_historyStamp; // of the history shown, as read with it
    // The listed formulas and their selection before another program changed
    // them: the selection follows the formulas into the reloaded list.
    std::optional<std::vector<std::pair<QString, bool>>> m_carried;

    JobRunner m_runner;
    RefreshParts m_pending; // refresh steps asked for and not yet started
    RefreshParts m_running; // steps of the refresh that runs, none when another job runs
    bool m_replaced = false; // the running refresh was cancelled for a newer one
    std::deque<Job> m_queue; // other jobs, in the order asked for
    bool m_scheduled = false;
    bool m_busy = false;
};
