#include "gui/search/NullRunsBox.h"

#include "analysis/MethodVerdict.h"
#include "common/UserError.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <chrono>

using namespace std::chrono_literals;

namespace {
constexpr auto kSlice = 50ms;
}

NullRunsBox::NullRunsBox(SearchEngine& engine, const HistorySnapshot& history, QWidget* parent)
    : QWidget(parent),
      m_engine(engine),
      m_history(history)
{
    m_enabled = new QCheckBox(QStringLiteral("打乱顺序对照"), this);
    m_enabled->setObjectName(QStringLiteral("chkNullRuns"));
    m_enabled->setToolTip(QStringLiteral("搜索停止后，用同样的种子、界限和候选数在打乱开奖顺序的历史上重复搜索，"
                                         "看随机本身能找到多少条"));
    m_runs = new QSpinBox(this);
    m_runs->setObjectName(QStringLiteral("txtNullRuns"));
    m_runs->setRange(1, 100);
    m_runs->setValue(5);
    m_runs->setSuffix(QStringLiteral(" 次"));
    m_run = new QPushButton(QStringLiteral("对照"), this);
    m_run->setObjectName(QStringLiteral("cmdNullRuns"));
    m_line = new QLabel(this);
    m_line->setObjectName(QStringLiteral("lblNullRuns"));
    m_line->setWordWrap(true);
    m_line->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_timer = new QTimer(this);
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &NullRunsBox::tick);
    connect(m_run, &QPushButton::clicked, this, [this] {
        if (running())
            stop();
        else
            start();
    });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_enabled);
    row->addWidget(m_runs);
    row->addWidget(m_run);
    row->addWidget(m_line, 1);
}

NullRunsBox::~NullRunsBox() = default;

bool NullRunsBox::wanted() const { return m_enabled->isChecked(); }

QString NullRunsBox::text() const { return m_line->text(); }

void NullRunsBox::start()
{
    stop();
    m_real = m_source ? m_source() : std::nullopt;
    if (!m_real || m_real->request.candidates == 0) {
        m_line->setText(QStringLiteral("还没有可以对照的搜索"));
        return;
    }
    m_real->request.runs = m_runs->value();
    m_search = std::make_unique<NullSearch>(m_engine, m_history, m_real->request);
    m_run->setText(QStringLiteral("停止对照"));
    m_line->setText(QStringLiteral("在打乱顺序的历史上重复搜索：0/%1").arg(m_real->request.runs));
    m_timer->start();
}

void NullRunsBox::searchStopped()
{
    if (wanted()) {
        start();
        return;
    }
    stop();
    const std::optional<Search> real = m_source ? m_source() : std::nullopt;
    if (!real || real->request.candidates == 0)
        return;
    m_line->setText(MethodVerdict::searchText(
        real->found, real->bestZ, NullSearch::chanceBestZ(real->request.candidates), real->request.candidates));
}

void NullRunsBox::stop()
{
    m_timer->stop();
    m_search.reset();
    m_run->setText(QStringLiteral("对照"));
}

void NullRunsBox::tick()
{
    try {
        const bool done = m_search->step(kSlice);
        if (!done) {
            m_line->setText(QStringLiteral("在打乱顺序的历史上重复搜索：%1/%2")
                                .arg(m_search->runsDone())
                                .arg(m_real->request.runs));
            return;
        }
        showOutcome();
    } catch (const UserError& e) {
        m_line->setText(e.message());
    }
    stop();
}

void NullRunsBox::showOutcome()
{
    const NullSearchSummary& summary = m_search->summary();
    m_line->setText(MethodVerdict::searchText(
        m_real->found, m_real->bestZ, NullSearch::chanceBestZ(m_real->request.candidates), m_real->request.candidates,
        summary.runs, summary.meanFound, NullSearch::exceedance(m_real->found, summary.foundPerRun)));
}
