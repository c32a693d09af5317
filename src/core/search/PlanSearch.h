#pragma once

#include "search/DefaultBounds.h"
#include "search/FoundFormulaStore.h"
#include "search/SearchOptions.h"
#include "search/SearchPlan.h"
#include "search/SearchSession.h"

#include <array>

// Walks the ten kinds of a plan one after another. Each tick does one plan
// step: skip an empty kind, finish a kind whose target is already met, or
// search the current kind within the budget. Kinds are search indexes of
// FormulaKind; group 第一 judges like direct 第一 and is always passed over.
// At kind 11 the plan is finished and, when asked, the found list is stored
// and emptied.
class PlanSearch {
public:
    enum class KindState { Waiting, Current, Done };

    PlanSearch(SearchSession& session, const DefaultBounds& bounds, const SearchOptions& options,
               FoundFormulaStore* store = nullptr);

    // Clears the found list and starts at kind 1. `existing` holds the rows of
    // each kind's table (hold-count mode).
    void start(const SearchPlan& plan, const std::array<int, 11>& existing);
    void tick(const SearchBudget& budget);
    // Ends the current kind with what it has found (a caller's candidate limit ran out).
    void giveUpKind();

    bool finished() const { return m_kind >= 11; }
    int currentKind() const { return m_kind; }
    KindState state(int kind) const;
    int kindFoundCount() const { return m_kindFound; }
    // Candidates evaluated for the current kind so far.
    std::uint64_t kindEvaluated() const { return m_kindStarted ? m_session.verifiedCount() : 0; }
    // The current kind's target (Text1 item 15), 0 before a kind is searched.
    int kindTarget() const { return m_target; }
    // How the plan ended: true when the found list was stored at the end.
    bool stored() const { return m_stored; }
    QStringList storedTables() const { return m_storeResult.tables; }
    const FoundStoreResult& storeResult() const { return m_storeResult; }
    int storedCount() const { return m_storedCount; }

private:
    void finishKind();
    void finishPlan();

    SearchSession& m_session;
    DefaultBounds m_bounds;
    SearchOptions m_options;
    FoundFormulaStore* m_store;

    SearchPlan m_plan;
    std::array<int, 11> m_existing{};
    int m_kind = 11;
    int m_kindFound = 0;
    int m_target = 0;
    bool m_kindStarted = false;
    std::array<bool, 12> m_done{};
    bool m_stored = false;
    FoundStoreResult m_storeResult;
    int m_storedCount = 0;
};
