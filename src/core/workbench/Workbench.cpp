#include "workbench/Workbench.h"

#include "common/UserError.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "history/IssueNumbers.h"
#include "history/LotteryFolders.h"
#include "scoring/FormulaKind.h"

#include <algorithm>
#include <map>

namespace {

// Runs code handed a job's result; whatever it throws becomes a message.
template <typename Handler>
void deliver(Workbench& workbench, Handler handler)
{
    try {
        handler();
    } catch (const UserError& error) {
        emit workbench.failed(error.title(), error.message());
    } catch (const std::exception& error) {
        emit workbench.failed(QStringLiteral("错误"), QString::fromLocal8Bit(error.what()));
    }
}

} // namespace

Workbench::Workbench(std::unique_ptr<Database> database, QSettings& store, std::function<QDate()> today,
                     QObject* parent)
    : QObject(parent),
      m_database(std::move(database)),
      m_settings(store),
      m_today(std::move(today)),
      m_lottery(m_settings.lottery(m_settings.lotteryIndex()))
{
    connect(&m_runner, &JobRunner::progressChanged, this, &Workbench::progressChanged);
    // A few times a second: another program's commit shows soon, and an
    // unchanged data_version costs one query.
    m_watch.setInterval(300);
    connect(&m_watch, &QTimer::timeout, this, &Workbench::checkForOtherPrograms);
    m_watch.start();
}

Workbench::~Workbench() = default; // the runner cancels and waits for its worker

// ---- state --------------------------------------------------------------------

Database& Workbench::requireDatabase() const
{
    if (!m_database)
        throw UserError(QStringLiteral("数据库错误"), QStringLiteral("数据库没有打开，无法完成此操作。"), false);
    return *m_database;
}

void Workbench::requireIdle(const QString& title) const
{
    if (m_busy)
        throw UserError(title, QStringLiteral("正在计算，请等计算完成或取消后再操作。"), false);
}

void Workbench::chooseLottery(int index)
{
    // A refresh only shows what is stored, and would show the old lottery: it
    // makes way. Other work (storing, calculating) finishes first.
    const bool otherWork = !m_queue.empty() || (m_runner.running() && !m_running);
    if (otherWork)
        requireIdle(QStringLiteral("彩种选择"));
    m_settings.setLotteryIndex(index);
    m_lottery = m_settings.lottery(index);
    if (m_dataDirectory.isEmpty() ||
        (m_database && m_database->folder() == LotteryFolders::folder(m_dataDirectory, m_lottery))) {
        refresh(RefreshParts(RefreshPart::Scores) | RefreshPart::NextIssue);
        return;
    }
    // Nothing of the other lottery stays: its list, history and selections.
    if (m_running) {
        m_replaced = true; // runs again, over the new lottery's database
        m_runner.cancel();
    }
    m_database.reset();
    m_history.reset();
    m_dataVersion = -1;
    m_carried.reset();
    m_listed.clear();
    m_listedRead = false;
    m_selections.clear();
    std::exception_ptr failure;
    try {
        m_database = LotteryFolders::open(m_dataDirectory, m_lottery);
    } catch (...) {
        failure = std::current_exception();
    }
    emit lotteryChanged();
    emit selectionChanged();
    if (failure)
        report(failure);
    refresh();
}

void Workbench::setDrawsPerDay(int draws)
{
    // A fetch or an import on the worker carries the old count: it finishes first.
    const bool otherWork = !m_queue.empty() || (m_runner.running() && !m_running);
    if (otherWork)
        requireIdle(QStringLiteral("每天期数设置"));
    m_settings.setDrawsPerDay(m_lottery.index, draws);
    m_lottery = m_settings.lottery(m_lottery.index);
    refresh(RefreshPart::NextIssue);
}

void Workbench::setShown(const FormulaTarget& shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    m_listed.clear();
    m_listedRead = false;
    emit formulasChanged(m_listed);
}

ScoringWindow Workbench::scoringWindow() const
{
    return ScoringWindow{m_settings.lookBackDraws(), m_settings.excludeCurrent(), m_settings.weightedRate()};
}

ScoringRule Workbench::scoringRule() const { return m_shown.rule(m_lottery.numberRange); }

ShownList Workbench::shownList() const
{
    ShownList shown{m_shown.tableName(), m_shown.kill, {}};
    shown.formulas.reserve(m_listed.size());
    for (const ScoredFormula& formula : m_listed)
        shown.formulas.emplace_back(formula.record.idx, formula.record.code);
    return shown;
}

std::vector<int> Workbench::listedIdxs() const
{
    std::vector<int> idxs;
    idxs.reserve(m_listed.size());
    for (const ScoredFormula& formula : m_listed)
        idxs.push_back(formula.record.idx);
    return idxs;
}

// ---- selection ------------------------------------------------------------------

FormulaSelection& Workbench::selection(const QString& table) { return m_selections[table]; }

void Workbench::toggleSelected(int idx)
{
    selection().toggle(idx);
    emit selectionChanged();
}

void Workbench::selectListed()
{
    selection().selectAll(listedIdxs());
    emit selectionChanged();
}

void Workbench::invertListed()
{
    selection().invert(listedIdxs());
    emit selectionChanged();
}

void Workbench::keepListedSelected(const std::vector<ShownFormula>& chosen)
{
    const ShownList listed = shownList();
    for (const ShownFormula& formula : chosen)
        if (std::find(listed.formulas.begin(), listed.formulas.end(), formula) == listed.formulas.end())
            throw UserError(QStringLiteral("公式过滤"), QStringLiteral("公式列表已被其他程序改动，请重新过滤。"),
                            false);
    FormulaSelection& shown = selection();
    for (const ShownFormula& formula : listed.formulas)
        shown.setSelected(formula.first, std::find(chosen.begin(), chosen.end(), formula) != chosen.end());
    emit selectionChanged();
}

void Workbench::resetSelection()
{
    selection().selectEverything();
    emit selectionChanged();
}

void Workbench::resetAllSelections()
{
    m_selections.clear(); // a table without an entry has every formula selected
    emit selectionChanged();
}

// ---- refresh ----------------------------------------------------------------------

void Workbench::refresh(RefreshParts parts)
{
    if (!m_database) {
        applyWithoutDatabase(parts);
        return;
    }
    if (parts.testFlag(RefreshPart::Scores) && !m_history)
        parts |= RefreshPart::History;
    m_pending |= parts;
    if (m_running) {
        // The running refresh would show what is already out of date.
        m_replaced = true;
        m_runner.cancel();
    }
    schedule();
}

void Workbench::applyWithoutDatabase(RefreshParts parts)
{
    if (parts.testFlag(RefreshPart::Formulas)) {
        m_listed.clear();
        emit formulasChanged(m_listed);
    }
    if (parts.testFlag(RefreshPart::History)) {
        m_history = std::make_shared<const HistorySnapshot>();
        emit historyChanged(m_history);
    }
}

void Workbench::startRefresh()
{
    RefreshInput input;
    input.folder = m_database->folder();
    input.dataDirectory = m_database->dataDirectory();
    input.parts = m_pending;
    input.shown = m_shown;
    input.window = scoringWindow();
    input.resultColumns = m_resultColumns;
    input.sameDraw = m_settings.resultOnSameDraw();
    input.lottery = m_lottery;
    input.today = m_today();
    input.history = m_history;
    m_running = m_pending;
    m_pending = {};
    m_replaced = false;
    auto output = std::make_shared<RefreshOutput>();
    m_runner.start([input, output](const ProgressCallback& progress) { *output = RefreshJob::run(input, progress); },
                   [this, output](const JobRunner::Outcome& outcome) {
                       const RefreshParts asked = m_running;
                       m_running = {};
                       if (m_replaced)
                           m_pending |= asked; // run again, merged with the newer request
                       else if (outcome.failure)
                           report(outcome.failure);
                       else
                           applyRefresh(*output);
                       m_replaced = false;
                       startNext();
                   });
}

void Workbench::applyRefresh(const RefreshOutput& output)
{
    if (output.formulas) {
        m_listedRead = true;
        m_listed = *output.formulas;
        emit formulasChanged(m_listed);
    }
    if (output.formulas && m_carried) {
        carrySelection(*output.formulas);
        m_carried.reset();
    }
    if (output.history) {
        m_history = output.history;
        m_historyStamp = output.historyStamp;
        emit historyChanged(m_history);
    }
    if (output.scored) {
        m_listedRead = true;
        m_listed = *output.scored;
        emit scoresReady(m_listed, output.columns);
    }
    if (output.issues)
        emit nextIssueReady(output.issues->first, output.issues->second);
    for (const auto& [title, message] : output.failures)
        emit failed(title, message);
}

// ---- jobs -------------------------------------------------------------------------

void Workbench::enqueue(Job job)
{
    m_queue.push_back(std::move(job));
    schedule();
}

void Workbench::schedule()
{
    setBusy(true);
    if (m_scheduled || m_runner.running())
        return;
    // Started from the event loop, so requests made one after another (AddGongshi,
    // then AddHaoma, then Yansuan) become one refresh.
    m_scheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_scheduled = false;
            startNext();
        },
        Qt::QueuedConnection);
}

void Workbench::startNext()
{
    if (m_runner.running())
        return;
    if (m_pending) {
        startRefresh();
        return;
    }
    if (!m_queue.empty()) {
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        job();
        return;
    }
    setBusy(false);
}

void Workbench::finished(const JobRunner::Outcome& outcome)
{
    if (outcome.failure)
        report(outcome.failure);
    startNext();
}

void Workbench::cancel()
{
    const auto dropped = static_cast<int>(m_queue.size());
    m_pending = {};
    m_queue.clear();
    m_replaced = false;
    m_runner.cancel();
    if (!m_runner.running())
        setBusy(false);
    // A waiting job may have been asked for by the user (storing a downloaded page):
    // that it did not run is said, never left silent.
    if (dropped > 0)
        emit failed(QStringLiteral("取消"), QStringLiteral("已取消；排在后面的 %1 项工作没有进行。").arg(dropped));
}

void Workbench::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

void Workbench::report(const std::exception_ptr& failure)
{
    deliver(*this, [&failure] { std::rethrow_exception(failure); });
}

void Workbench::compact() { startCompaction(false); }

void Workbench::compactAfterDeletion() { startCompaction(true); }

void Workbench::startCompaction(bool afterDeletion)
{
    const QString folder = requireDatabase().folder();
    enqueue([this, folder, afterDeletion] {
        // Not cancellable once begun; a cancel before it starts skips it.
        m_runner.start([folder](const ProgressCallback&) { Database(folder).compact(); },
                       [this, afterDeletion](const JobRunner::Outcome& outcome) {
                           if (outcome.failure && afterDeletion) {
                               // The deletion was committed before: a user told it failed would
                               // delete again.
                               deliver(*this, [&outcome] {
                                   try {
                                       std::rethrow_exception(outcome.failure);
                                   } catch (const UserError& error) {
                                       throw UserError(
                                           QStringLiteral("压缩数据库"),
                                           QStringLiteral("删除已完成，但压缩数据库失败：") + error.message(), false);
                                   }
                               });
                               startNext();
                               return;
                           }
                           finished(outcome);
                       });
    });
}

void Workbench::run(Work work, std::function<void()> done)
{
    const QString folder = requireDatabase().folder();
    const QString directory = requireDatabase().dataDirectory();
    enqueue([this, folder, directory, work, done] {
        m_runner.start(
            [folder, directory, work](const ProgressCallback& progress) {
                Database db(folder, directory);
                work(db, progress);
            },
            [this, done](const JobRunner::Outcome& outcome) {
                if (!outcome.failure && !outcome.cancelled && done)
                    deliver(*this, done);
                finished(outcome);
            });
    });
}

void Workbench::calculate(CalculationRequest request, CalculationDone done)
{
    const QString folder = requireDatabase().folder();
    enqueue([this, folder, request, done]() mutable {
        // Read when the job starts, after every refresh asked for before it.
        for (const auto& visited : NextDrawCalculation::visitedTables(request.leadingPositions, request.group))
            request.tableSelections[visited.first] = selection(visited.first);
        // Only a list the window has read can be out of date.
        std::optional<ShownList> shown;
        if (m_listedRead)
            shown = shownList();
        auto result = std::make_shared<CalculationResult>();
        m_runner.start(
            [folder, shown, request, result](const ProgressCallback& progress) {
                Database db(folder);
                // The history and the formulas of one state, read by the job itself.
                *result = NextDrawCalculation::run(db, request, progress, shown);
            },
            [this, result, done](const JobRunner::Outcome& outcome) {
                if (!outcome.failure && !outcome.cancelled && done)
                    deliver(*this, [&] { done(*result); });
                finished(outcome);
            });
    });
}

void Workbench::backTest(BackTestRequest request, BackTestDone done)
{
    const QString folder = requireDatabase().folder();
    enqueue([this, folder, request, done] {
        const FormulaSelection chosen = selection(request.table);
        std::optional<ShownList> shown;
        if (m_listedRead && FormulaKind::ofTable(request.table).tableName() == shownTable() &&
            request.kill == m_shown.kill)
            shown = shownList();
        auto result = std::make_shared<std::optional<BackTestResult>>();
        m_runner.start(
            [folder, chosen, shown, request, result](const ProgressCallback& progress) mutable {
                Database db(folder);
                HistorySnapshot history;
                {
                    const SqliteDatabase::ReadSnapshot snapshot(db.sql());
                    history = HistorySnapshot::load(db.sql());
                    request.formulas = FormulaStore(db).list(request.table, request.kill);
                }
                if (shown && FormulaStore::identities(request.formulas) != shown->formulas)
                    throw UserError(QStringLiteral("往期结果对照"),
                                    QStringLiteral("公式列表已被其他程序改动，请刷新后再查询"), false);
                request.selected.clear();
                for (const FormulaRecord& formula : request.formulas)
                    if (chosen.isSelected(formula.idx))
                        request.selected.insert(formula.idx);
                // A cancel stops the replay through the progress callback.
                *result = BackTest::run(history, request, [&progress](int step, int steps) {
                    progress(step, steps);
                    return true;
                });
            },
            [this, result, done](const JobRunner::Outcome& outcome) {
                if (!outcome.failure && !outcome.cancelled && *result && done)
                    deliver(*this, [&] { done(std::make_shared<const BackTestResult>(std::move(**result))); });
                finished(outcome);
            });
    });
}

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
