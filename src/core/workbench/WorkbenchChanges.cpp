#include "workbench/Workbench.h"

#include "common/UserError.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "history/IssueNumbers.h"

#include <algorithm>
#include <map>

// The changes to what is stored: the window's own quick changes, and the commits
// of other programs found by the poll. The state, the selection, the refresh and
// the job queue are in Workbench.cpp.

// ---- quick changes --------------------------------------------------------------------

void Workbench::addDraw(const QString& issue, const DrawNumbers& numbers)
{
    Database& db = requireDatabase();
    requireIdle(QStringLiteral("号码输入"));
    DrawStore(db, m_lottery).add(issue, numbers); // a refused draw raises and stores nothing
    m_drawTyped = true;
    refresh(RefreshParts(RefreshPart::History) | RefreshPart::Scores | RefreshPart::NextIssue);
}

FormulaTarget Workbench::addFormula(const QString& line)
{
    const ParsedFormula parsed = FormulaText::parse(line); // an unreadable line raises FormulaError
    Database& db = requireDatabase();
    requireIdle(QStringLiteral("添加公式"));
    FormulaStore(db).add(parsed);
    // The list shows where the formula went, its kill/keep flag included: a
    // formula stored out of sight looks to the user as if it was lost.
    setShown(parsed.target);
    resetSelection();
    refresh(RefreshParts(RefreshPart::Formulas) | RefreshPart::History | RefreshPart::Scores);
    return m_shown;
}

void Workbench::deleteFormula(const ShownFormula& formula) { deleteFormulas({formula}); }

void Workbench::deleteLastFormula()
{
    const ShownList listed = shownList();
    const auto last = std::max_element(listed.formulas.begin(), listed.formulas.end());
    if (last != listed.formulas.end())
        deleteFormula(*last);
}

void Workbench::deleteFormulas(const std::vector<ShownFormula>& formulas)
{
    if (formulas.empty())
        return;
    Database& db = requireDatabase();
    requireIdle(QStringLiteral("删除公式"));
    bool removed = false;
    try {
        removed = FormulaStore(db).removeShown(shownTable(), formulas) > 0;
    } catch (const UserError&) {
        // Nothing was deleted; the list shows what is stored now.
        refresh(RefreshParts(RefreshPart::Formulas) | RefreshPart::History | RefreshPart::Scores);
        throw;
    }
    if (formulas.size() == 1) {
        // The selection entries above it move down with their formulas.
        if (removed)
            selection().removeAndShift(formulas.front().first);
        emit selectionChanged();
    } else {
        resetSelection();
    }
    refresh(RefreshParts(RefreshPart::Formulas) | RefreshPart::History | RefreshPart::Scores);
    // Last: a compaction that fails leaves the list already showing what is stored.
    if (removed)
        compactAfterDeletion();
}

void Workbench::clearAllFormulas()
{
    Database& db = requireDatabase();
    requireIdle(QStringLiteral("清空所有公式"));
    FormulaStore(db).clearAll();
    resetAllSelections();
    refresh(RefreshParts(RefreshPart::Formulas) | RefreshPart::History | RefreshPart::Scores);
}

void Workbench::renumberShownTable()
{
    Database& db = requireDatabase();
    requireIdle(QStringLiteral("公式排序"));
    FormulaStore(db).remove(shownTable(), {}); // deletes nothing, numbers idx 1..n
    resetSelection();
    refresh(RefreshParts(RefreshPart::Formulas) | RefreshPart::Scores);
}

void Workbench::deleteLastDraw()
{
    Database& db = requireDatabase();
    requireIdle(QStringLiteral("删除历史"));
    DrawStore(db, m_lottery).deleteLast(1);
    // The selection stays and the file is not compacted.
    refresh(RefreshParts(RefreshPart::History) | RefreshPart::Scores | RefreshPart::NextIssue);
}

void Workbench::deleteLastDraws(int count)
{
    if (count <= 0)
        return;
    Database& db = requireDatabase();
    requireIdle(QStringLiteral("删除历史"));
    if (DrawStore(db, m_lottery).deleteLast(count) > 0)
        compactAfterDeletion();
    resetSelection();
    refresh();
}

void Workbench::deleteDrawsAfter(const QString& issue)
{
    Database& db = requireDatabase();
    if (!IssueNumbers::dateOf(issue, m_lottery.longDateIssue))
        throw UserError(QStringLiteral("删除期数"), QStringLiteral("%1 不是本彩种的期号（%2位数字）。")
                                                        .arg(issue)
                                                        .arg(IssueNumbers::length(m_lottery.longDateIssue)));
    requireIdle(QStringLiteral("删除期数"));
    if (DrawStore(db, m_lottery).deleteAfter(issue) > 0)
        compactAfterDeletion();
    resetSelection();
    refresh();
}

void Workbench::deleteAllDraws()
{
    Database& db = requireDatabase();
    requireIdle(QStringLiteral("删除所有历史"));
    DrawStore(db, m_lottery).deleteAll();
    resetSelection();
    refresh();
}

int Workbench::undoDrawDeletion()
{
    Database& db = requireDatabase();
    requireIdle(QStringLiteral("撤销删除"));
    const QStringList restored = DrawStore(db, m_lottery).restoreDeleted();
    if (restored.isEmpty())
        throw UserError(QStringLiteral("撤销删除"),
                        QStringLiteral("没有可以撤销的删除：只有最近一次删除的历史号码可以恢复，"
                                       "而且在历史号码再次改动之前。"),
                        false);
    refresh();
    return static_cast<int>(restored.size());
}

// ---- other programs ------------------------------------------------------------------

bool Workbench::checkForOtherPrograms()
{
    // While work runs the window's own jobs write; what they leave is compared once idle.
    if (!m_database || m_busy || !m_history)
        return false;
    std::vector<ShownFormula> stored;
    QString stamp;
    try {
        SqliteDatabase& sql = m_database->sql();
        const qint64 version = sql.scalar(QStringLiteral("PRAGMA data_version")).toLongLong();
        if (version == m_dataVersion)
            return false;
        const SqliteDatabase::ReadSnapshot snapshot(sql);
        stamp = RefreshJob::historyStamp(sql);
        stored = FormulaStore(*m_database).identities(shownTable(), m_shown.kill);
        m_dataVersion = version;
    } catch (const std::exception&) {
        return false; // a locked or busy file: the next poll looks again
    }
    const ShownList listed = shownList();
    RefreshParts parts;
    if (stamp != m_historyStamp)
        parts |= RefreshParts(RefreshPart::History) | RefreshPart::Scores | RefreshPart::NextIssue;
    if (m_listedRead && stored != listed.formulas) {
        parts |= RefreshParts(RefreshPart::Formulas) | RefreshPart::Scores;
        const FormulaSelection& shown = selection();
        std::vector<std::pair<QString, bool>> carried;
        carried.reserve(listed.formulas.size());
        for (const auto& [idx, code] : listed.formulas)
            carried.emplace_back(code, shown.isSelected(idx));
        m_carried = std::move(carried);
    }
    if (!parts)
        return false; // only scores or other tables changed
    emit changedElsewhere();
    refresh(parts);
    return true;
}

void Workbench::carrySelection(const std::vector<ScoredFormula>& rows)
{
    // Each formula keeps its state by what it is; new formulas start selected.
    std::multimap<QString, bool> before;
    for (const auto& [code, selected] : *m_carried)
        before.emplace(code, selected);
    FormulaSelection carried;
    for (const ScoredFormula& row : rows) {
        const auto found = before.find(row.record.code);
        if (found == before.end())
            continue;
        carried.setSelected(row.record.idx, found->second);
        before.erase(found);
    }
    selection() = carried;
    emit selectionChanged();
}
