#include "gui/search/SearchWindow.h"

#include "common/UserError.h"
#include "gui/main/UserPrompts.h"
#include "gui/search/HoldOutBox.h"
#include "gui/search/NullRunsBox.h"
#include "gui/search/SearchBoundsBox.h"
#include "gui/search/SearchKindBox.h"
#include "gui/search/SearchNames.h"
#include "gui/search/SearchPlanBox.h"
#include "gui/search/SearchTuneBox.h"
#include "gui/widgets/FlowLayout.h"
#include "gui/widgets/ScreenFit.h"
#include "history/HistorySnapshot.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

using SearchNames::named;

SearchWindow::SearchWindow(Database& db, const HistorySnapshot& history, LotteryTable::Entry lottery,
                           ScoringWindow window, QSettings& store, UserPrompts& prompts, std::uint64_t seed,
                           QWidget* parent)
    : QDialog(parent),
      m_db(db),
      m_history(history),
      m_lottery(std::move(lottery)),
      m_window(window),
      m_prompts(prompts),
      m_seed(seed),
      m_settings(store),
      m_defaults(m_settings.loadBounds()),
      m_engine(0),
      m_session(std::make_unique<SearchSession>(m_engine, m_history, m_lottery.numberRange, m_window, seed)),
      m_store(db)
{
    setObjectName(QStringLiteral("frmGSGL"));
    setWindowTitle(QStringLiteral("公式搜索设置以及搜索结果"));
    buildControls();
    ScreenFit::apply(this, QSize(1180, 760)); // room for the found list below the settings
    m_plan = std::make_unique<PlanSearch>(*m_session, m_defaults, currentOptions(), &m_store);
    connectControls();

    showBounds(m_defaults.bounds(currentKind(), currentKill()).texts());
    m_kindBox->hScroll1->setValue(m_settings.operandCount());
    m_kindBox->text2->setText(QString::number(m_kindBox->hScroll1->value()));
    countExisting();
    loadPlan();
}

SearchWindow::~SearchWindow() = default;

void SearchWindow::buildControls()
{
    // Everything scrolls in a window too small for it; the settings groups wrap
    // onto more rows in a narrow one.
    auto* scroll = named(new QScrollArea(this), QStringLiteral("scrContent"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    auto* root = new QVBoxLayout(content);
    auto* top = new FlowLayout;
    root->addLayout(top);
    m_kindBox = new SearchKindBox(this);
    m_boundsBox = new SearchBoundsBox(this);
    m_planBox = new SearchPlanBox(this);
    top->addWidget(m_kindBox);
    top->addWidget(m_boundsBox);
    top->addWidget(m_planBox);
    root->addLayout(buildRunRow());
    m_holdOut = new HoldOutBox(m_history.size(), HoldOut::defaultDraws(m_history.size(), m_window), this);
    root->addWidget(m_holdOut);
    m_nullRuns = new NullRunsBox(m_engine, m_history, this);
    root->addWidget(m_nullRuns);
    connectNullRuns();
    m_text11 = named(new QLineEdit(this), QStringLiteral("Text11"));
    m_text11->setReadOnly(true);
    root->addWidget(m_text11);
    m_list1 = named(new QListWidget(this), QStringLiteral("List1"));
    // The list takes the height left over, down to a few lines, before the window scrolls.
    m_list1->setMinimumHeight(100);
    m_list1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    root->addWidget(m_list1, 1);
    root->addLayout(buildStoreRow());
    m_tuneBox = new SearchTuneBox(this);
    root->addWidget(m_tuneBox);
    scroll->setWidget(content);
    for (auto [timer, name] :
         {std::pair{&m_timer1, "Timer1"}, std::pair{&m_timer2, "Timer2"}, std::pair{&m_timer3, "Timer3"}}) {
        *timer = named(new QTimer(this), QString::fromLatin1(name));
        (*timer)->setInterval(1);
    }
}

// Start and pause of the manual search with its counters.
QLayout* SearchWindow::buildRunRow()
{
    auto* row = new QHBoxLayout;
    for (const auto& [name, caption] : {std::pair{"Command1", "开始搜索(&F)"}, std::pair{"Command2", "暂停搜索(&E)"}})
        row->addWidget(named(new QPushButton(QString::fromUtf8(caption), this), QString::fromLatin1(name)));
    row->addWidget(new QLabel(QStringLiteral("已验证"), this));
    m_text3 = named(new QLineEdit(QStringLiteral("0"), this), QStringLiteral("Text3"));
    m_text3->setReadOnly(true);
    row->addWidget(m_text3);
    m_rate = named(new QLabel(this), QStringLiteral("lblRate"));
    row->addWidget(m_rate);
    row->addWidget(new QLabel(QStringLiteral("合格公式"), this));
    m_text4 = named(new QLineEdit(QStringLiteral("0"), this), QStringLiteral("Text4"));
    m_text4->setReadOnly(true);
    row->addWidget(m_text4);
    return row;
}

// Storing the found list, and its export as text.
QLayout* SearchWindow::buildStoreRow()
{
    auto* row = new QHBoxLayout;
    auto* command3 = named(new QPushButton(QStringLiteral("公式追加到数据库(&A)"), this), QStringLiteral("Command3"));
    command3->setToolTip(QStringLiteral("保留软件现有公式然后将所有合格公式追加到软件数据库。"));
    auto* command4 = named(new QPushButton(QStringLiteral("公式更新到数据库(&N)"), this), QStringLiteral("Command4"));
    command4->setToolTip(QStringLiteral("删除软件现有公式然后将所有合格公式添加到软件数据库。"));
    row->addWidget(command3);
    row->addWidget(command4);
    row->addWidget(named(new QPushButton(QStringLiteral("公式中文导出"), this), QStringLiteral("Command20")));
    return row;
}

void SearchWindow::connectControls()
{
    const auto button = [this](const char* name) { return findChild<QPushButton*>(QString::fromLatin1(name)); };
    // Every button reports an error as a message and never leaves a timer running after a failure.
    const auto guarded = [this](auto handler) {
        return [this, handler] {
            try {
                handler();
            } catch (const UserError& e) {
                m_timer1->stop();
                m_timer2->stop();
                m_timer3->stop();
                m_prompts.warn(e.title(), e.message());
            }
        };
    };
    connect(button("Command1"), &QPushButton::clicked, this, guarded([this] { startManual(); }));
    connect(button("Command2"), &QPushButton::clicked, this, [this] {
        const bool wasRunning = m_timer1->isActive();
        m_timer1->stop();
        if (wasRunning)
            m_nullRuns->searchStopped();
    });
    connect(button("Command3"), &QPushButton::clicked, this, guarded([this] { storeFound(StoreMode::Append); }));
    connect(button("Command4"), &QPushButton::clicked, this, guarded([this] { storeFound(StoreMode::Replace); }));
    connect(button("Command5"), &QPushButton::clicked, this, guarded([this] { startPlan(); }));
    connect(button("Command6"), &QPushButton::clicked, this, [this] {
        if (m_planFlag && !m_plan->finished())
            m_timer2->start();
    });
    connect(button("Command7"), &QPushButton::clicked, m_timer2, &QTimer::stop);
    connect(button("Command8"), &QPushButton::clicked, this, guarded([this] { saveKindBounds(); }));
    connect(button("Command9"), &QPushButton::clicked, this, guarded([this] { savePlan(); }));
    connect(button("Command10"), &QPushButton::clicked, this, guarded([this] { loadPlan(); }));
    connect(button("Command11"), &QPushButton::clicked, this, guarded([this] {
                if (haveHistory() && applyHoldOut(false))
                    m_timer3->start();
            }));
    connect(button("Command12"), &QPushButton::clicked, this, guarded([this] { tuneAllKinds(); }));
    connect(button("Command20"), &QPushButton::clicked, this, guarded([this] { exportTexts(); }));
    connect(m_timer1, &QTimer::timeout, this, guarded([this] { manualTick(); }));
    connect(m_timer2, &QTimer::timeout, this, guarded([this] { planTick(); }));
    connect(m_timer3, &QTimer::timeout, this, guarded([this] { tuneTick(); }));
    connectInputs();
}

// Scroll bars, plan boxes and check boxes that update other controls or the settings.
void SearchWindow::connectInputs()
{
    connect(m_kindBox->hScroll1, &QScrollBar::valueChanged, this, [this](int value) {
        m_kindBox->text2->setText(QString::number(value));
        m_settings.setOperandCount(value);
    });
    for (QRadioButton* mode : m_planBox->option4)
        connect(mode, &QRadioButton::toggled, this, [this] { updatePlanTotal(); });
    // The existing counts are per kill/keep flag.
    connect(m_kindBox->option2[0], &QRadioButton::toggled, this, [this] { countExisting(); });
    // Each kind searches under its own bounds: a change of kind brings them into the boxes.
    std::vector<QRadioButton*> kindButtons{m_kindBox->opTDG[0], m_kindBox->opTDG[1], m_kindBox->option2[0],
                                           m_kindBox->option2[1]};
    for (int p = 1; p <= 5; ++p)
        kindButtons.push_back(m_kindBox->optXing[static_cast<size_t>(p)]);
    for (QRadioButton* b : kindButtons)
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                showBounds(m_defaults.bounds(currentKind(), currentKill()).texts());
        });
    for (int k = 1; k <= 10; ++k)
        connect(m_planBox->text5[static_cast<size_t>(k)], &QLineEdit::editingFinished, this,
                [this] { updatePlanTotal(); });
}

bool SearchWindow::currentKill() const { return m_kindBox->kill(); }
FormulaKind SearchWindow::currentKind() const { return m_kindBox->kind(); }
void SearchWindow::selectKind(FormulaKind kind) { m_kindBox->select(kind); }
SearchOptions SearchWindow::currentOptions() const { return m_kindBox->options(); }
SearchPlan SearchWindow::currentPlan() const { return m_planBox->plan(currentKill()); }
QStringList SearchWindow::boundTexts() const { return m_boundsBox->texts(); }
void SearchWindow::showBounds(const QStringList& texts) { m_boundsBox->showBounds(texts); }

void SearchWindow::storeFound(StoreMode mode)
{
    const std::vector<FoundFormula>& found = m_session->found();
    // A replace says first which formulas of which table go; the other flag's stay.
    // The formulas named in the question are the ones replaced, or nothing is.
    const std::vector<ReplacedFormulas> asked =
        mode == StoreMode::Replace && !found.empty() ? m_store.replacedBy(found) : std::vector<ReplacedFormulas>{};
    if (!asked.empty() && !m_prompts.confirm(FoundFormulaStore::replaceTitle(),
                                             FoundFormulaStore::replaceQuestion(asked, static_cast<int>(found.size()))))
        return;
    const FoundStoreResult result = m_store.store(found, mode, asked);
    if (m_planFlag) {
        // A plan's list is stored once and then emptied.
        m_session->clearFound();
        m_list1->clear();
        m_holdOut->showSummary({});
    } else if (!m_session->found().empty()) {
        const FormulaTarget& last = m_session->found().back().target;
        selectKind(last.kind);
    }
    afterStore(result);
}

void SearchWindow::afterStore(const FoundStoreResult& result)
{
    countExisting();
    emit formulasStored();
    m_prompts.inform(FoundFormulaStore::titleFor(result), FoundFormulaStore::messageFor(result));
}

void SearchWindow::saveKindBounds()
{
    m_settings.saveBounds(currentKind(), currentKill(), StatisticBounds::fromTexts(boundTexts()), m_defaults);
    m_settings.setOperandCount(m_kindBox->hScroll1->value());
}

void SearchWindow::savePlan()
{
    for (int k = 1; k <= FormulaKind::kCount; ++k)
        if (SearchPlan::isSearched(k))
            m_settings.setPlanCount(k, currentKill(),
                                    StatisticBounds::numericValue(m_planBox->text5[static_cast<size_t>(k)]->text()));
}

void SearchWindow::loadPlan()
{
    for (int k = 1; k <= FormulaKind::kCount; ++k)
        if (SearchPlan::isSearched(k))
            m_planBox->text5[static_cast<size_t>(k)]->setText(m_settings.planCount(k, currentKill()));
    updatePlanTotal();
}

void SearchWindow::updatePlanTotal() { m_planBox->showTotal(currentPlan().total(m_existing)); }

void SearchWindow::countExisting()
{
    m_existing = m_store.existingCounts(currentKill());
    m_planBox->showExisting(m_existing);
    updatePlanTotal();
}

void SearchWindow::exportTexts()
{
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("公式中文导出"), QString(), QStringLiteral("*.txt"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        throw UserError(QStringLiteral("公式中文导出"),
                        QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString()), false);
    QTextStream out(&file);
    for (const FoundFormula& f : m_session->found())
        out << f.text << '\n';
}
