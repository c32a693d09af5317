#include "gui/search/SearchWindow.h"

#include "gui/main/UserPrompts.h"
#include "gui/search/HoldOutBox.h"
#include "gui/search/NullRunsBox.h"
#include "gui/search/SearchBoundsBox.h"
#include "gui/search/SearchKindBox.h"
#include "gui/search/SearchPlanBox.h"
#include "gui/search/SearchTuneBox.h"
#include "history/HistorySnapshot.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTimer>

// How the search window drives its searches: the manual search (Timer1), the
// plan (Timer2) and the tuning (Timer3), one time-boxed batch per tick, and what
// each shows as it goes. Building the window and storing its results are in
// SearchWindow.cpp.

namespace {

using namespace std::chrono_literals;

// One tick's share of the user-interface thread.
constexpr auto kTickBudget = 50ms;
const QString kTitle = QStringLiteral("公式搜索");

} // namespace

bool SearchWindow::haveHistory()
{
    if (m_history.size() >= 2)
        return true;
    m_prompts.warn(kTitle, QStringLiteral("历史数据不足两期，无法搜索公式。"));
    return false;
}

bool SearchWindow::applyHoldOut(bool listGoes)
{
    const int draws = m_holdOut->heldOut();
    if (draws == m_session->heldOut())
        return true;
    if (!listGoes && !m_session->found().empty() &&
        !m_prompts.confirm(kTitle, QStringLiteral("留出期数已改变，搜索结果列表中的公式将被清空，是否继续？")))
        return false;
    m_session->setHeldOut(draws);
    m_list1->clear();
    m_holdOut->showSummary({});
    return true;
}

BoundTuner SearchWindow::tuner()
{
    return BoundTuner(m_engine, m_session->searched(), m_lottery.numberRange, m_window);
}

void SearchWindow::startManual()
{
    if (!haveHistory())
        return;
    m_timer2->stop();
    if (!applyHoldOut(false))
        return;
    m_planFlag = false;
    // Bounds through their numeric values: a box that is not a number counts as 0.
    const StatisticBounds bounds = StatisticBounds::fromTexts(boundTexts());
    showBounds(bounds.texts());
    m_session->begin(FormulaTarget(currentKind(), currentKill()), bounds, currentOptions());
    if (m_boundsBox->check1->isChecked() &&
        m_session->stillWanted(StatisticBounds::numericValue(m_boundsBox->target()->text())) == 0) {
        // It would stop before its first step: say why instead of doing nothing.
        m_prompts.inform(QStringLiteral("开始搜索"),
                         QStringLiteral("已找到 %1 个公式，已达到“自动中止”的目标个数 %2，搜索没有开始。\n"
                                        "请调高目标个数，或取消“自动中止”后再搜索。")
                             .arg(m_session->found().size())
                             .arg(m_boundsBox->target()->text()));
        return;
    }
    m_timer1->start();
}

void SearchWindow::manualTick()
{
    // With 自动中止 ticked, the search stops once the found count reaches the target box.
    const auto stillWanted = [this] {
        return m_boundsBox->check1->isChecked()
                   ? m_session->stillWanted(StatisticBounds::numericValue(m_boundsBox->target()->text()))
                   : SearchSession::kUnlimited;
    };
    const std::uint64_t wanted = stillWanted();
    if (wanted == 0) {
        m_timer1->stop();
        return;
    }
    m_session->run({std::nullopt, kTickBudget}, wanted);
    showProgress(static_cast<int>(m_session->found().size()));
    if (stillWanted() == 0) {
        m_timer1->stop();
        m_nullRuns->searchStopped();
    }
    if (m_session->full())
        stopForCapacity(m_timer1);
}

void SearchWindow::connectNullRuns()
{
    m_nullRuns->setSearchSource([this]() -> std::optional<NullRunsBox::Search> {
        if (!m_session->hasTask() || m_planFlag)
            return std::nullopt;
        NullRunsBox::Search search;
        NullSearchRequest& r = search.request;
        r.target = m_session->target();
        r.bounds = m_session->bounds();
        r.shape = currentOptions();
        r.window = m_window;
        r.seed = m_seed;
        r.candidates = m_session->verifiedCount();
        r.heldOut = m_session->heldOut();
        r.range = m_lottery.numberRange;
        r.drawsPerDay = m_lottery.drawsPerDay;
        search.found = static_cast<int>(m_session->found().size());
        search.bestZ = NullSearch::bestZ(m_session->searched(), m_session->found(), r.range, r.window);
        return search;
    });
}

void SearchWindow::startPlan()
{
    if (!haveHistory())
        return;
    m_timer1->stop();
    if (!applyHoldOut(true))
        return;
    m_planFlag = true;
    countExisting();
    m_plan = std::make_unique<PlanSearch>(*m_session, m_defaults, currentOptions(), &m_store);
    m_plan->start(currentPlan(), m_existing);
    m_list1->clear();
    m_planBox->colourKinds(*m_plan);
    m_timer2->start();
}

void SearchWindow::planTick()
{
    const int kind = m_plan->currentKind();
    if (kind <= FormulaKind::kCount && SearchPlan::isSearched(kind))
        selectKind(FormulaKind::fromSearchIndex(kind));
    m_plan->tick({std::nullopt, kTickBudget});
    if (m_session->hasTask() && kind <= 10) {
        showBounds(m_session->bounds().texts());
        m_boundsBox->target()->setText(QString::number(m_plan->kindTarget()));
    }
    showProgress(m_plan->kindFoundCount());
    m_planBox->colourKinds(*m_plan);
    if (m_plan->finished()) {
        m_timer2->stop();
        if (m_plan->stored())
            afterStore(m_plan->storeResult());
        return;
    }
    if (m_session->full())
        stopForCapacity(m_timer2);
}

void SearchWindow::tuneTick()
{
    m_timer3->stop();
    const FormulaTarget target(currentKind(), currentKill());
    const BoundTuner::Result result =
        tuner().tune(target, currentOptions(), m_seed ^ (++m_tuneRuns * 0x9E3779B97F4A7C15ULL), m_tuneBox->trials());
    showBounds(BoundTuner::writeBack(result.tuned, boundTexts()));
    m_text3->setText(QString::number(result.evaluated));
    m_boundsBox->showStatistics(result.last);
    m_prompts.inform(QStringLiteral("参数调整"),
                     QStringLiteral("%1%2公式的搜索参数已调整完毕（试算 %3 个公式），已填入参数框。")
                         .arg(target.label(), target.killWord())
                         .arg(result.evaluated));
}

void SearchWindow::tuneAllKinds()
{
    if (!m_prompts.confirm(QStringLiteral("更新参数默认设置"),
                           QStringLiteral("此操作将耗时一分钟到数分钟自动搜索分析各类公式并分析其参数值，归纳出相对参数"
                                          "较高的数值为设置软件各类公式搜索的默认值，"
                                          "操作后各类公式搜索默认值将改变，是否确认更改搜索默认值？")))
        return;
    if (!haveHistory() || !applyHoldOut(false))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const bool kill = currentKill();
        for (const FormulaKind& kind : FormulaKind::all()) {
            if (!kind.isSearched())
                continue;
            selectKind(kind);
            const BoundTuner::Result result =
                tuner().tune(FormulaTarget(kind, kill), currentOptions(),
                             m_seed ^ (++m_tuneRuns * 0x9E3779B97F4A7C15ULL), m_tuneBox->trials());
            // The boxes tuning does not write keep this kind's own saved values.
            const QStringList texts = BoundTuner::writeBack(result.tuned, m_defaults.bounds(kind, kill).texts());
            m_settings.saveBounds(kind, kill, StatisticBounds::fromTexts(texts), m_defaults);
            showBounds(texts);
            m_text3->setText(QString::number(result.evaluated));
        }
        m_settings.setOperandCount(m_kindBox->hScroll1->value());
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    m_prompts.inform(QStringLiteral("更新参数默认设置"), QStringLiteral("各类公式的搜索默认值已更新完毕。"));
}

void SearchWindow::stopForCapacity(QTimer* timer)
{
    timer->stop();
    m_prompts.warn(
        kTitle,
        QStringLiteral("合格公式已达%1条上限，搜索已停止。请先将公式存入数据库。").arg(SearchSession::kCapacity));
}

void SearchWindow::showProgress(int foundShown)
{
    m_text11->setText(m_session->lastText());
    m_text3->setText(QString::number(m_session->verifiedCount()));
    m_rate->setText(QStringLiteral("%1 个/秒").arg(m_session->candidatesPerSecond(), 0, 'f', 0));
    m_boundsBox->showStatistics(m_session->lastStatistics());
    m_text4->setText(QString::number(foundShown));
    refreshFoundList();
}

void SearchWindow::refreshFoundList()
{
    const auto& found = m_session->found();
    if (static_cast<size_t>(m_list1->count()) > found.size())
        m_list1->clear();
    QStringList added;
    for (size_t i = static_cast<size_t>(m_list1->count()); i < found.size(); ++i)
        added << HoldOutBox::itemText(found[i]);
    m_list1->addItems(added);
    m_holdOut->showSummary(HoldOut::summarize(found, m_session->heldOut()));
}
