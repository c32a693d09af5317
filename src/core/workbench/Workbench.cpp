#include "workbench/Workbench.h"

#include "common/UserError.h"
#include "formula/FormulaStore.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"
#include "history/LotteryFolders.h"
#include "workbench/WorkbenchDelivery.h"

#include <algorithm>

using WorkbenchDelivery::deliver;

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
