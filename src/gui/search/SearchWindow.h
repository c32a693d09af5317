#pragma once

#include "common/LotteryTable.h"
#include "scoring/FormulaStatistics.h"
#include "search/BoundTuner.h"
#include "search/DefaultBounds.h"
#include "search/FoundFormulaStore.h"
#include "search/PlanSearch.h"
#include "search/SearchEngine.h"
#include "search/SearchSession.h"
#include "search/SearchSettings.h"

#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>

class Database;
class HistorySnapshot;
class HoldOutBox;
class NullRunsBox;
class QLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSettings;
class SearchBoundsBox;
class SearchKindBox;
class SearchPlanBox;
class SearchTuneBox;
class QTimer;
class UserPrompts;

// frmGSGL "公式搜索设置以及搜索结果": search settings, manual and plan search,
// storing the found formulas and tuning the default bounds. Timer1 (manual),
// Timer2 (plan) and Timer3 (tuning) each run one time-boxed batch per tick, so
// the window stays responsive and a paused search resumes where it stopped.
class SearchWindow : public QDialog {
    Q_OBJECT

public:
    SearchWindow(Database& db, const HistorySnapshot& history, LotteryTable::Entry lottery, ScoringWindow window,
                 QSettings& store, UserPrompts& prompts, std::uint64_t seed, QWidget* parent = nullptr);
    ~SearchWindow() override;

    const SearchSession& session() const { return *m_session; }
    const PlanSearch& plan() const { return *m_plan; }

signals:
    // Formulas were written to the database: reload and re-score the list.
    void formulasStored();

private:
    void buildControls();
    QLayout* buildRunRow();
    QLayout* buildStoreRow();
    void connectControls();
    void connectInputs();

    bool currentKill() const;
    FormulaKind currentKind() const;
    void selectKind(FormulaKind kind);
    SearchOptions currentOptions() const;
    SearchPlan currentPlan() const; // the plan boxes, mode, kill flag and store box as they stand
    QStringList boundTexts() const;
    void showBounds(const QStringList& texts);
    bool haveHistory();
    // Gives the session the hold-out the box asks for. A change empties the found
    // list: unless `listGoes` (a plan empties it anyway), the user confirms first.
    bool applyHoldOut(bool listGoes);
    // The manual search as it stands, for the shuffled-history check.
    void connectNullRuns();
    // Tunes on the draws the search sees, so a held-out draw cannot reach the bounds either.
    BoundTuner tuner();

    void startManual(); // Command1
    void startPlan(); // Command5
    void manualTick(); // Timer1
    void planTick(); // Timer2
    void tuneTick(); // Timer3
    void tuneAllKinds(); // Command12
    void storeFound(StoreMode mode); // Command3 / Command4 and the end of a plan
    void afterStore(const FoundStoreResult& result);
    void saveKindBounds(); // Command8
    void savePlan(); // Command9
    void loadPlan(); // Command10
    void updatePlanTotal();
    void countExisting(); // ModelDsip
    void exportTexts(); // Command20
    void stopForCapacity(QTimer* timer);
    void showProgress(int foundShown);
    void refreshFoundList();

    Database& m_db;
    const HistorySnapshot& m_history;
    LotteryTable::Entry m_lottery;
    ScoringWindow m_window;
    UserPrompts& m_prompts;
    std::uint64_t m_seed;
    std::uint64_t m_tuneRuns = 0;

    SearchSettings m_settings;
    DefaultBounds m_defaults;
    SearchEngine m_engine;
    std::unique_ptr<SearchSession> m_session;
    std::unique_ptr<PlanSearch> m_plan;
    FoundFormulaStore m_store;
    std::array<int, 11> m_existing{};
    bool m_planFlag = false;

    SearchKindBox* m_kindBox = nullptr;
    SearchBoundsBox* m_boundsBox = nullptr;
    SearchPlanBox* m_planBox = nullptr;
    SearchTuneBox* m_tuneBox = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLineEdit* m_text4 = nullptr;
    QLineEdit* m_text11 = nullptr;
    QLabel* m_rate = nullptr;
    QListWidget* m_list1 = nullptr;
    HoldOutBox* m_holdOut = nullptr;
    NullRunsBox* m_nullRuns = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QTimer* m_timer3 = nullptr;
};
