#include "gui/search/SearchWindow.h"

#include "common/UserError.h"
#include "gui/main/UserPrompts.h"
#include "gui/search/HoldOutBox.h"
#include "gui/search/NullRunsBox.h"
#include "gui/widgets/FlowLayout.h"
#include "gui/widgets/ScreenFit.h"
#include "history/AttributeCatalog.h"
#include "history/HistorySnapshot.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
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

namespace {

using namespace std::chrono_literals;

// One tick's share of the user-interface thread.
constexpr auto kTickBudget = 50ms;
const QString kTitle = QStringLiteral("公式搜索");
const QString kRed = QStringLiteral("color: #ff0000;"); // current kind
const QString kBlue = QStringLiteral("color: #0000ff;"); // finished kind

template <typename T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QString arrayName(const char* base, int index) { return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(index); }

} // namespace

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
    m_hScroll1->setValue(m_settings.operandCount());
    m_text2->setText(QString::number(m_hScroll1->value()));
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
    top->addWidget(buildKindBox());
    top->addWidget(buildBoundsBox());
    top->addWidget(buildPlanBox());
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
    root->addWidget(buildTuneBox());
    scroll->setWidget(content);
    for (auto [timer, name] :
         {std::pair{&m_timer1, "Timer1"}, std::pair{&m_timer2, "Timer2"}, std::pair{&m_timer3, "Timer3"}}) {
        *timer = named(new QTimer(this), QString::fromLatin1(name));
        (*timer)->setInterval(1);
    }
}

int SearchWindow::boundWidth() const
{
    // Wide enough for "32768" and a rate such as "93.8000".
    return fontMetrics().horizontalAdvance(QStringLiteral("32768.0000")) + 12;
}

// Kind of formula: direct or group, kill or keep, position, text form, tail constant.
QGroupBox* SearchWindow::buildKindBox()
{
    auto* box = new QGroupBox(QStringLiteral("玩法选择"), this);
    auto* grid = new QGridLayout(box);
    auto* tdg = new QButtonGroup(this);
    auto* killGroup = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        m_opTDG[at] = named(new QRadioButton(i == 0 ? QStringLiteral("直选") : QStringLiteral("组选"), box),
                            QStringLiteral("opTDG%1").arg(i));
        tdg->addButton(m_opTDG[at]);
        grid->addWidget(m_opTDG[at], 0, i);
    }
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        m_option2[at] =
            named(new QRadioButton(i == 0 ? QStringLiteral("杀") : QStringLiteral("生"), box), arrayName("Option2", i));
        killGroup->addButton(m_option2[at]);
        grid->addWidget(m_option2[at], 1, i);
    }
    // Each caption above its choices keeps the box narrow.
    grid->addWidget(new QLabel(QStringLiteral("位数选择"), box), 2, 0, 1, 4);
    grid->addLayout(buildPositionRow(box), 3, 0, 1, 4);
    buildFormRows(box, grid);
    m_opTDG[0]->setChecked(true);
    m_option2[0]->setChecked(true);
    m_optXing[1]->setChecked(true);
    m_option6[1]->setChecked(true);
    m_option5[0]->setChecked(true);
    return box;
}

QLayout* SearchWindow::buildPositionRow(QGroupBox* box)
{
    auto* xing = new QButtonGroup(this);
    auto* row = new QHBoxLayout;
    for (int p = 1; p <= 5; ++p) {
        const auto at = static_cast<size_t>(p);
        m_optXing[at] =
            named(new QRadioButton(AttributeCatalog::positionWords()[p - 1], box), QStringLiteral("optXing%1").arg(p));
        xing->addButton(m_optXing[at]);
        row->addWidget(m_optXing[at]);
    }
    return row;
}

// The text form of found formulas, the tail constant and the operand count.
void SearchWindow::buildFormRows(QGroupBox* box, QGridLayout* grid)
{
    auto* form = new QButtonGroup(this);
    auto* constant = new QButtonGroup(this);
    grid->addWidget(new QLabel(QStringLiteral("公式形式"), box), 4, 0, 1, 4);
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        m_option6[at] =
            named(new QRadioButton(i == 0 ? QStringLiteral("[Xxx类]A+B") : QStringLiteral("A+B=下期杀xx"), box),
                  arrayName("Option6", i));
        form->addButton(m_option6[at]);
        grid->addWidget(m_option6[at], 5, i);
    }
    grid->addWidget(new QLabel(QStringLiteral("公式末尾偏移常数"), box), 6, 0, 1, 4);
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        m_option5[at] = named(new QRadioButton(i == 0 ? QStringLiteral("指定") : QStringLiteral("随机"), box),
                              arrayName("Option5", i));
        constant->addButton(m_option5[at]);
        grid->addWidget(m_option5[at], 7, i);
    }
    const int shortWidth = fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12;
    m_text6 = named(new QLineEdit(QStringLiteral("0"), box), QStringLiteral("Text6"));
    m_text6->setMaximumWidth(shortWidth);
    grid->addWidget(m_text6, 7, 2);
    grid->addWidget(new QLabel(QStringLiteral("公式运算元数"), box), 8, 0, 1, 4);
    m_hScroll1 = named(new QScrollBar(Qt::Horizontal, box), QStringLiteral("HScroll1"));
    m_hScroll1->setRange(CandidateGenerator::kMinOperands, CandidateGenerator::kMaxOperands);
    grid->addWidget(m_hScroll1, 9, 0, 1, 2);
    m_text2 = named(new QLineEdit(box), QStringLiteral("Text2"));
    m_text2->setReadOnly(true);
    m_text2->setMaximumWidth(shortWidth);
    grid->addWidget(m_text2, 9, 2);
}

// Acceptance bounds and the current candidate's statistics.
QGroupBox* SearchWindow::buildBoundsBox()
{
    auto* box = new QGroupBox(QStringLiteral("公式参数设置"), this);
    auto* grid = new QGridLayout(box);
    const QStringList statisticNames{QStringLiteral("正确率"), QStringLiteral("最大连错"), QStringLiteral("最大连对"),
                                     QStringLiteral("最后连错"), QStringLiteral("最后连对")};
    grid->addWidget(new QLabel(QStringLiteral("下限"), box), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("上限"), box), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("当前公式"), box), 0, 3);
    for (int i = 0; i < 16; ++i) {
        m_text1[static_cast<size_t>(i)] = named(new QLineEdit(box), arrayName("Text1", i));
        m_text1[static_cast<size_t>(i)]->setFixedWidth(boundWidth());
    }
    for (int s = 0; s < 5; ++s) {
        grid->addWidget(new QLabel(statisticNames[s], box), s + 1, 0);
        grid->addWidget(m_text1[static_cast<size_t>(2 * s)], s + 1, 1);
        grid->addWidget(m_text1[static_cast<size_t>(2 * s + 1)], s + 1, 2);
        m_text1[static_cast<size_t>(10 + s)]->setReadOnly(true);
        grid->addWidget(m_text1[static_cast<size_t>(10 + s)], s + 1, 3);
    }
    m_text1[15]->setText(QStringLiteral("100"));
    m_check1 = named(new QCheckBox(QStringLiteral("自动中止"), box), QStringLiteral("Check1"));
    grid->addWidget(new QLabel(QStringLiteral("目标数量"), box), 6, 0);
    grid->addWidget(m_text1[15], 6, 1);
    grid->addWidget(m_check1, 6, 2);
    grid->addWidget(named(new QPushButton(QStringLiteral("保存当前种类参数设置"), box), QStringLiteral("Command8")), 7,
                    0, 1, 4);
    return box;
}

// The search plan: a count per kind, its mode, the store at its end and its buttons.
QGroupBox* SearchWindow::buildPlanBox()
{
    auto* box = new QGroupBox(QStringLiteral("搜索方案"), this);
    auto* grid = new QGridLayout(box);
    for (int k = 1; k <= FormulaKind::kCount; ++k) {
        const auto at = static_cast<size_t>(k);
        // Direct kinds in the left half, group kinds in the right, one row per position.
        const FormulaKind kind = FormulaKind::fromSearchIndex(k);
        const int row = kind.position() - 1;
        const int column = kind.group() ? 3 : 0;
        m_label4[at] = named(new QLabel(kind.label(), box), arrayName("Label4", k));
        m_text5[at] = named(new QLineEdit(box), arrayName("Text5", k));
        m_text5[at]->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
        m_label5[at] = named(new QLabel(QStringLiteral("0"), box), arrayName("Label5", k));
        grid->addWidget(m_label4[at], row, column);
        grid->addWidget(m_text5[at], row, column + 1);
        grid->addWidget(m_label5[at], row, column + 2);
    }
    // Group 第一 judges exactly like direct 第一: it has no plan of its own.
    for (int k = 1; k <= FormulaKind::kCount; ++k)
        m_text5[static_cast<size_t>(k)]->setEnabled(SearchPlan::isSearched(k));
    auto* mode = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        m_option4[at] =
            named(new QRadioButton(i == 0 ? QStringLiteral("公式保有数量") : QStringLiteral("公式新增数量"), box),
                  arrayName("Option4", i));
        mode->addButton(m_option4[at]);
        grid->addWidget(m_option4[at], 5, i * 3, 1, 3);
    }
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        m_chkAutApd[at] = named(new QCheckBox(i == 0 ? QStringLiteral("搜索完毕公式自动追加到数据库")
                                                     : QStringLiteral("搜索完毕公式自动更新到数据库"),
                                              box),
                                arrayName("chkAutApd", i));
        grid->addWidget(m_chkAutApd[at], 6 + i, 0, 1, 6);
    }
    m_option4[1]->setChecked(true);
    m_planTotal = named(new QLabel(box), QStringLiteral("lblPlanTotal"));
    grid->addWidget(m_planTotal, 8, 0, 1, 6);
    // Two rows of buttons keep the box narrow.
    auto* buttons = new QGridLayout;
    int at = 0;
    for (const auto& [name, caption] :
         {std::pair{"Command5", "确定搜索方案开始搜索"}, std::pair{"Command7", "暂停"}, std::pair{"Command6", "继续"},
          std::pair{"Command9", "保存设置"}, std::pair{"Command10", "调用设置"}}) {
        buttons->addWidget(named(new QPushButton(QString::fromUtf8(caption), box), QString::fromLatin1(name)), at / 3,
                           at % 3);
        ++at;
    }
    grid->addLayout(buttons, 9, 0, 1, 6);
    return box;
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

// Tuning of the default bounds.
QGroupBox* SearchWindow::buildTuneBox()
{
    auto* box = new QGroupBox(QStringLiteral("公式参数智能设置"), this);
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("检索范围"), box), 0, 0);
    m_hScroll2 = named(new QScrollBar(Qt::Horizontal, box), QStringLiteral("HScroll2"));
    m_hScroll2->setRange(BoundTuner::kMinTrials, BoundTuner::kMaxTrials);
    m_hScroll2->setSingleStep(BoundTuner::kTrialStep);
    m_hScroll2->setPageStep(100);
    m_hScroll2->setValue(BoundTuner::kMinTrials);
    grid->addWidget(m_hScroll2, 0, 1, 1, 2);
    m_text7 = named(new QLineEdit(QString::number(BoundTuner::kMinTrials), box), QStringLiteral("Text7"));
    m_text7->setReadOnly(true);
    m_text7->setMaximumWidth(boundWidth());
    grid->addWidget(m_text7, 0, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->addWidget(named(new QPushButton(QStringLiteral("当前公式类在指定范围内检索最优参数设置"), box),
                          QStringLiteral("Command11")),
                    1, 0, 1, 2);
    grid->addWidget(named(new QPushButton(QStringLiteral("所有公式类在指定范围内检索最优参数设置并保存"), box),
                          QStringLiteral("Command12")),
                    1, 2, 1, 2);
    return box;
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
    connect(m_hScroll1, &QScrollBar::valueChanged, this, [this](int value) {
        m_text2->setText(QString::number(value));
        m_settings.setOperandCount(value);
    });
    connect(m_hScroll2, &QScrollBar::valueChanged, this, [this](int value) {
        // Trials move in steps of 20.
        const int stepped = (value + BoundTuner::kTrialStep / 2) / BoundTuner::kTrialStep * BoundTuner::kTrialStep;
        if (stepped != value) {
            m_hScroll2->setValue(stepped);
            return;
        }
        m_text7->setText(QString::number(value));
    });
    for (int i = 0; i < 2; ++i) {
        connect(m_option4[static_cast<size_t>(i)], &QRadioButton::toggled, this, [this] { updatePlanTotal(); });
        // At most one store at the end of a plan: ticking one clears the other.
        connect(m_chkAutApd[static_cast<size_t>(i)], &QCheckBox::toggled, this, [this, i](bool on) {
            if (on)
                m_chkAutApd[static_cast<size_t>(1 - i)]->setChecked(false);
        });
    }
    // The existing counts are per kill/keep flag.
    connect(m_option2[0], &QRadioButton::toggled, this, [this] { countExisting(); });
    // Each kind searches under its own bounds: a change of kind brings them into the boxes.
    std::vector<QRadioButton*> kindButtons{m_opTDG[0], m_opTDG[1], m_option2[0], m_option2[1]};
    for (int p = 1; p <= 5; ++p)
        kindButtons.push_back(m_optXing[static_cast<size_t>(p)]);
    for (QRadioButton* b : kindButtons)
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                showBounds(m_defaults.bounds(currentKind(), currentKill()).texts());
        });
    for (int k = 1; k <= 10; ++k)
        connect(m_text5[static_cast<size_t>(k)], &QLineEdit::editingFinished, this, [this] { updatePlanTotal(); });
}

int SearchWindow::currentPosition() const
{
    for (int p = 1; p <= 5; ++p)
        if (m_optXing[static_cast<size_t>(p)]->isChecked())
            return p;
    return 1;
}

bool SearchWindow::currentGroup() const { return m_opTDG[1]->isChecked(); }
bool SearchWindow::currentKill() const { return m_option2[0]->isChecked(); }

void SearchWindow::selectKind(FormulaKind kind)
{
    m_optXing[static_cast<size_t>(kind.position())]->setChecked(true);
    if (kind.isSearched())
        m_opTDG[kind.group() ? 1 : 0]->setChecked(true);
}

SearchOptions SearchWindow::currentOptions() const
{
    SearchOptions options;
    options.operands = m_hScroll1->value();
    if (m_option5[1]->isChecked())
        options.constant.reset();
    else
        options.constant = CandidateGenerator::constantOf(m_text6->text());
    options.form = m_option6[0]->isChecked() ? TextForm::Bracket : TextForm::Suffix;
    return options;
}

QStringList SearchWindow::boundTexts() const
{
    QStringList texts;
    for (int i = 0; i < StatisticBounds::kCount; ++i)
        texts << m_text1[static_cast<size_t>(i)]->text();
    return texts;
}

void SearchWindow::showBounds(const QStringList& texts)
{
    for (int i = 0; i < StatisticBounds::kCount && i < texts.size(); ++i)
        m_text1[static_cast<size_t>(i)]->setText(texts[i]);
}

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
    if (m_check1->isChecked() && m_session->stillWanted(StatisticBounds::numericValue(m_text1[15]->text())) == 0) {
        // It would stop before its first step: say why instead of doing nothing.
        m_prompts.inform(QStringLiteral("开始搜索"),
                         QStringLiteral("已找到 %1 个公式，已达到“自动中止”的目标个数 %2，搜索没有开始。\n"
                                        "请调高目标个数，或取消“自动中止”后再搜索。")
                             .arg(m_session->found().size())
                             .arg(m_text1[15]->text()));
        return;
    }
    m_timer1->start();
}

void SearchWindow::manualTick()
{
    // With 自动中止 ticked, the search stops once the found count reaches the target box.
    const auto stillWanted = [this] {
        return m_check1->isChecked() ? m_session->stillWanted(StatisticBounds::numericValue(m_text1[15]->text()))
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
    colourKindLabels();
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
        m_text1[15]->setText(QString::number(m_plan->kindTarget()));
    }
    showProgress(m_plan->kindFoundCount());
    colourKindLabels();
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
        tuner().tune(target, currentOptions(), m_seed ^ (++m_tuneRuns * 0x9E3779B97F4A7C15ULL), m_hScroll2->value());
    showBounds(BoundTuner::writeBack(result.tuned, boundTexts()));
    m_text3->setText(QString::number(result.evaluated));
    const FormulaStatistics& s = result.last;
    const std::array<QString, 5> shown{QString::number(s.rate, 'f', 4), QString::number(s.longestMissRun),
                                       QString::number(s.longestHitRun), QString::number(s.lastMissRun),
                                       QString::number(s.lastHitRun)};
    for (int i = 0; i < 5; ++i)
        m_text1[static_cast<size_t>(10 + i)]->setText(shown[static_cast<size_t>(i)]);
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
                             m_seed ^ (++m_tuneRuns * 0x9E3779B97F4A7C15ULL), m_hScroll2->value());
            // The boxes tuning does not write keep this kind's own saved values.
            const QStringList texts = BoundTuner::writeBack(result.tuned, m_defaults.bounds(kind, kill).texts());
            m_settings.saveBounds(kind, kill, StatisticBounds::fromTexts(texts), m_defaults);
            showBounds(texts);
            m_text3->setText(QString::number(result.evaluated));
        }
        m_settings.setOperandCount(m_hScroll1->value());
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    m_prompts.inform(QStringLiteral("更新参数默认设置"), QStringLiteral("各类公式的搜索默认值已更新完毕。"));
}

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
    m_settings.setOperandCount(m_hScroll1->value());
}

void SearchWindow::savePlan()
{
    for (int k = 1; k <= FormulaKind::kCount; ++k)
        if (SearchPlan::isSearched(k))
            m_settings.setPlanCount(k, currentKill(),
                                    StatisticBounds::numericValue(m_text5[static_cast<size_t>(k)]->text()));
}

void SearchWindow::loadPlan()
{
    for (int k = 1; k <= FormulaKind::kCount; ++k)
        if (SearchPlan::isSearched(k))
            m_text5[static_cast<size_t>(k)]->setText(m_settings.planCount(k, currentKill()));
    updatePlanTotal();
}

SearchPlan SearchWindow::currentPlan() const
{
    SearchPlan plan;
    plan.kill = currentKill();
    plan.mode = m_option4[0]->isChecked() ? SearchPlan::Mode::HoldCount : SearchPlan::Mode::NewCount;
    std::array<QString, 11> texts;
    for (int k = 1; k <= 10; ++k)
        texts[static_cast<size_t>(k)] = m_text5[static_cast<size_t>(k)]->text();
    plan.counts = SearchPlan::countsOf(texts);
    if (m_chkAutApd[0]->isChecked())
        plan.autoStore = StoreMode::Append;
    else if (m_chkAutApd[1]->isChecked())
        plan.autoStore = StoreMode::Replace;
    return plan;
}

void SearchWindow::updatePlanTotal()
{
    m_planTotal->setText(QStringLiteral("搜索公式总数：%1").arg(currentPlan().total(m_existing)));
}

void SearchWindow::countExisting()
{
    m_existing = m_store.existingCounts(currentKill());
    for (int k = 1; k <= 10; ++k)
        m_label5[static_cast<size_t>(k)]->setText(
            !SearchPlan::isSearched(k) ? QString() : QString::number(m_existing[static_cast<size_t>(k)]));
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
    const FormulaStatistics& s = m_session->lastStatistics();
    const std::array<QString, 5> shown{QString::number(s.rate, 'f', 4), QString::number(s.longestMissRun),
                                       QString::number(s.longestHitRun), QString::number(s.lastMissRun),
                                       QString::number(s.lastHitRun)};
    for (int i = 0; i < 5; ++i)
        m_text1[static_cast<size_t>(10 + i)]->setText(shown[static_cast<size_t>(i)]);
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

void SearchWindow::colourKindLabels()
{
    for (int k = 1; k <= 10; ++k) {
        const PlanSearch::KindState state = m_plan->state(k);
        m_label4[static_cast<size_t>(k)]->setStyleSheet(state == PlanSearch::KindState::Current ? kRed
                                                        : state == PlanSearch::KindState::Done  ? kBlue
                                                                                                : QString());
    }
}
