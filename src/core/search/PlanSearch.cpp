#include "search/PlanSearch.h"

#include "search/FoundFormulaStore.h"

PlanSearch::PlanSearch(SearchSession& session, const DefaultBounds& bounds, const SearchOptions& options,
                       FoundFormulaStore* store)
    : m_session(session),
      m_bounds(bounds),
      m_options(options),
      m_store(store)
{}

void PlanSearch::start(const SearchPlan& plan, const std::array<int, 11>& existing)
{
    m_plan = plan;
    m_existing = existing;
    m_session.clearFound();
    m_kind = 1;
    m_kindFound = 0;
    m_target = 0;
    m_kindStarted = false;
    m_done.fill(false);
    m_stored = false;
    m_storeResult = {};
    m_storedCount = 0;
}

PlanSearch::KindState PlanSearch::state(int kind) const
{
    if (kind == m_kind)
        return KindState::Current;
    return kind >= 1 && kind <= 10 && m_done[static_cast<size_t>(kind)] ? KindState::Done : KindState::Waiting;
}

void PlanSearch::tick(const SearchBudget& budget)
{
    if (finished())
        return;
    const std::optional<int>& count = m_plan.counts[static_cast<size_t>(m_kind)];
    if (!SearchPlan::isSearched(m_kind) || !count) {
        // Nothing asked of this kind: pass it over (one step per tick).
        m_done[static_cast<size_t>(m_kind)] = true;
        ++m_kind;
        m_kindFound = 0;
        m_kindStarted = false;
        if (finished())
            finishPlan();
        return;
    }
    if (!m_kindStarted) {
        m_target =
            m_plan.mode == SearchPlan::Mode::NewCount ? *count : *count - m_existing[static_cast<size_t>(m_kind)];
        if (m_target <= 0) {
            finishKind();
            return;
        }
        m_session.begin(SearchPlan::targetOf(m_kind, m_plan.kill),
                        m_bounds.bounds(FormulaKind::fromSearchIndex(m_kind), m_plan.kill), m_options);
        m_kindStarted = true;
    }
    m_kindFound += m_session.run(budget, static_cast<std::uint64_t>(m_target - m_kindFound));
    if (m_kindFound >= m_target)
        finishKind();
}

void PlanSearch::giveUpKind()
{
    if (!finished())
        finishKind();
}

void PlanSearch::finishKind()
{
    m_done[static_cast<size_t>(m_kind)] = true;
    // Group 第一 judges like direct 第一 and is never searched: direct 第五 goes on to group 第二.
    ++m_kind;
    while (!finished() && !SearchPlan::isSearched(m_kind))
        ++m_kind;
    m_kindFound = 0;
    m_kindStarted = false;
    if (finished())
        finishPlan();
}

void PlanSearch::finishPlan()
{
    m_kind = 11;
    if (!m_plan.autoStore || !m_store)
        return;
    m_storedCount = static_cast<int>(m_session.found().size());
    m_storeResult = m_store->store(m_session.found(), *m_plan.autoStore);
    m_stored = true;
    m_session.clearFound();
}
