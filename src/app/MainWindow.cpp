#include "app/MainWindow.h"

#include "app/AttributeHelpWindow.h"
#include "app/DrawEntryWidget.h"
#include "app/FormulaDetailDialog.h"
#include "app/FormulaRanking.h"
#include "app/FormulaResultColumns.h"
#include "app/FormulaTableModel.h"
#include "app/HistoryTableModel.h"
#include "app/UserPrompts.h"
#include "app/WheelRouter.h"
#include "formula/FormulaError.h"
#include "formula/FormulaScoring.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTableView>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const kLookBackCaptions[10] = {"前所有期", "前100期", "前200期", "前300期", "前500期",
                                          "前600期", "前800期", "前1000期", "前1500期", "前3000期"};

QString notAvailableMessage()
{
    return QStringLiteral("此功能暂不可用。");
}

// A grid of fixed-height rows, so twenty thousand draws scroll without measuring each row.
QTableView* makeGrid(const QString& name, QWidget* parent)
{
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->verticalHeader()->setVisible(false);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->setFocusPolicy(Qt::StrongFocus);
    return grid;
}

} // namespace

MainWindow::MainWindow(std::unique_ptr<Database> database, QSettings& store, UserPrompts& prompts,
                       std::function<QDate()> today, QWidget* parent)
    : QMainWindow(parent), m_database(std::move(database)), m_settings(store), m_prompts(prompts),
      m_today(std::move(today)), m_lottery(LotteryTable::entry(0))
{
    setObjectName(QStringLiteral("frmMain"));
    buildControls();
    buildMenus();
    load();
}

MainWindow::~MainWindow() = default;

void MainWindow::setHook(Command command, Hook hook)
{
    m_hooks[command] = std::move(hook);
}

// ---- construction --------------------------------------------------------

void MainWindow::buildControls()
{
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splMain"));
    splitter->addWidget(buildHistoryPanel());
    splitter->addWidget(buildFormulaPanel());
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({400, 960});
    setCentralWidget(splitter);

    m_wheel = new WheelRouter(this);
    m_wheel->addGrid(m_historyGrid);
    m_wheel->addGrid(m_formulaGrid);
    resize(1366, 740);
}

QWidget* MainWindow::buildHistoryPanel()
{
    auto* panel = new QWidget(this);
    m_historyModel = new HistoryTableModel(this);
    m_historyGrid = makeGrid(QStringLiteral("MSFlexGrid1"), panel);
    m_historyGrid->setModel(m_historyModel);
    m_historyGrid->horizontalScrollBar()->setObjectName(QStringLiteral("HScroll1"));
    m_historyGrid->horizontalHeader()->setDefaultSectionSize(40);

    m_entry = new DrawEntryWidget(panel);
    m_entry->setObjectName(QStringLiteral("DrawEntry"));
    connect(m_entry, &DrawEntryWidget::completed, this, [this] { saveTypedDraw(); });

    m_showResults = new QCheckBox(QStringLiteral("历史列表显示公式各期验算结果(时间较长，请耐性等待...)"), panel);
    m_showResults->setObjectName(QStringLiteral("Check1"));
    connect(m_showResults, &QCheckBox::toggled, this, [this] {
        guarded([this] {
            AddHaoma();
            Yansuan();
        });
    });

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_historyGrid, 1);
    layout->addWidget(m_entry);
    layout->addWidget(m_showResults);
    return panel;
}

QWidget* MainWindow::buildFormulaPanel()
{
    auto* panel = new QWidget(this);
    auto radio = [](QWidget* owner, const QString& name, const QString& caption) {
        auto* button = new QRadioButton(caption, owner);
        button->setObjectName(name);
        return button;
    };

    auto* frame1 = new QGroupBox(QStringLiteral("位数选择"), panel);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* frame1Layout = new QHBoxLayout(frame1);
    for (int i = 0; i < 5; ++i) {
        m_position[static_cast<size_t>(i)] =
            radio(frame1, QStringLiteral("optXing%1").arg(i + 1), AttributeCatalog::positionWords()[i]);
        frame1Layout->addWidget(m_position[static_cast<size_t>(i)]);
    }
    m_position[0]->setChecked(true);

    auto* frame2 = new QGroupBox(QStringLiteral("玩法选择"), panel);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* frame2Layout = new QHBoxLayout(frame2);
    m_kind = {radio(frame2, QStringLiteral("opTDG0"), QStringLiteral("直选")),
              radio(frame2, QStringLiteral("opTDG1"), QStringLiteral("组选"))};
    m_kind[0]->setChecked(true);

    // The kill/keep choice has a frame of its own; "Frame2" already names the play choice.
    auto* frame4 = new QGroupBox(QStringLiteral("生杀"), panel);
    frame4->setObjectName(QStringLiteral("Frame4"));
    auto* frame4Layout = new QHBoxLayout(frame4);
    m_killKeep = {radio(frame4, QStringLiteral("Option2_0"), QStringLiteral("杀")),
                  radio(frame4, QStringLiteral("Option2_1"), QStringLiteral("生"))};
    m_killKeep[0]->setChecked(true);

    auto* frame5 = new QGroupBox(QStringLiteral("计算/验算选择"), panel);
    frame5->setObjectName(QStringLiteral("Frame5"));
    auto* frame5Layout = new QGridLayout(frame5);
    m_target = {radio(frame5, QStringLiteral("Option5_0"), QStringLiteral("计算下期结果")),
                radio(frame5, QStringLiteral("Option5_1"), QStringLiteral("验证历史结果"))};
    m_target[0]->setToolTip(QStringLiteral("现存历史号码的下一期"));
    m_target[1]->setToolTip(QStringLiteral("验算指定期下期结果"));
    m_target[0]->setChecked(true);
    m_verifyIssue = new QLineEdit(frame5);
    m_verifyIssue->setObjectName(QStringLiteral("Text3"));
    m_verifyIssue->setToolTip(QStringLiteral("验算这一期的下期结果"));
    m_verifyIssue->setMaximumWidth(110);
    m_verifyIssue->installEventFilter(this);
    connect(m_verifyIssue, &QLineEdit::textEdited, this, [this] { m_target[1]->setChecked(true); });

    auto* frame6 = new QGroupBox(QStringLiteral("计算方法"), panel);
    frame6->setObjectName(QStringLiteral("Frame6"));
    auto* frame6Layout = new QVBoxLayout(frame6);
    m_method = {radio(frame6, QStringLiteral("Option6_0"), QStringLiteral("最优公式法")),
                radio(frame6, QStringLiteral("Option6_1"), QStringLiteral("计算选中公式"))};
    m_method[1]->setChecked(true);

    for (QRadioButton* b : m_kind)
        frame2Layout->addWidget(b);
    for (QRadioButton* b : m_killKeep)
        frame4Layout->addWidget(b);
    frame5Layout->addWidget(m_target[0], 0, 0);
    frame5Layout->addWidget(m_target[1], 1, 0);
    frame5Layout->addWidget(m_verifyIssue, 1, 1);
    for (QRadioButton* b : m_method)
        frame6Layout->addWidget(b);

    for (QRadioButton* b : m_position)
        connect(b, &QRadioButton::toggled, this, [this](bool on) { if (on) showTableChoice(); });
    for (QRadioButton* b : m_kind)
        connect(b, &QRadioButton::toggled, this, [this](bool on) { if (on) showTableChoice(); });
    for (QRadioButton* b : m_killKeep)
        connect(b, &QRadioButton::toggled, this, [this](bool on) { if (on) showTableChoice(); });
    connect(m_method[1], &QRadioButton::toggled, this, [this](bool on) {
        if (!m_loading)
            m_settings.setCalculateSelected(on);
    });

    auto* frames = new QHBoxLayout;
    frames->addWidget(frame1);
    frames->addWidget(frame2);
    frames->addWidget(frame4);
    frames->addWidget(frame5);
    frames->addWidget(frame6);
    frames->addStretch(1);

    m_tabs = new QTabBar(panel);
    m_tabs->setObjectName(QStringLiteral("TabStrip1"));
    m_tabs->addTab(QStringLiteral("中文公式"));
    m_tabs->addTab(QStringLiteral("公式代码"));
    m_tabs->setToolTip(QStringLiteral("公式列以中文或代码形式显示"));

    m_formulaModel = new FormulaTableModel(m_selection, this);
    m_formulaGrid = makeGrid(QStringLiteral("MSFlexGrid2"), panel);
    m_formulaGrid->setToolTip(QStringLiteral("双击参数列可以以该参数次序排序，单击鼠标右键可以打开此表功能扩展菜单"));
    m_formulaGrid->setModel(m_formulaModel);
    m_formulaGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    const int widths[FormulaTableModel::kColumns] = {46, 236, 66, 36, 50, 226, 62, 62, 62, 62};
    for (int c = 0; c < FormulaTableModel::kColumns; ++c)
        m_formulaGrid->setColumnWidth(c, widths[c]);
    m_formulaGrid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int tab) { m_formulaModel->setShowCode(tab == 1); });
    connect(m_formulaGrid, &QTableView::clicked, this, [this](const QModelIndex& i) { formulaClicked(i); });
    connect(m_formulaGrid, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { formulaDoubleClicked(i); });
    connect(m_formulaGrid, &QTableView::customContextMenuRequested, this,
            [this](const QPoint& pos) { formulaContextMenu(pos); });

    m_formulaInput = new QLineEdit(panel);
    m_formulaInput->setObjectName(QStringLiteral("Text2"));
    m_formulaInput->setPlaceholderText(QStringLiteral("例：第一码+第二大小=下期杀第三直选"));
    connect(m_formulaInput, &QLineEdit::returnPressed, this, [this] { guarded([this] { addTypedFormula(); }); });
    auto* addButton = new QPushButton(QStringLiteral("添加所输公式(&A)"), panel);
    addButton->setObjectName(QStringLiteral("Command1"));
    connect(addButton, &QPushButton::clicked, this, [this] { guarded([this] { addTypedFormula(); }); });
    auto* helpButton = new QPushButton(QStringLiteral("公式参数对照说明(&I)"), panel);
    helpButton->setObjectName(QStringLiteral("Command4"));
    connect(helpButton, &QPushButton::clicked, this, [this] { showAttributeHelp(); });
    auto* input = new QHBoxLayout;
    input->addWidget(m_formulaInput, 1);
    input->addWidget(addButton);
    input->addWidget(helpButton);

    m_progress = new QProgressBar(panel);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(10);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(frames);
    layout->addWidget(m_tabs);
    layout->addWidget(m_formulaGrid, 1);
    layout->addLayout(input);
    layout->addWidget(m_progress);
    layout->addWidget(buildButtonPanel());
    return panel;
}

QWidget* MainWindow::buildButtonPanel()
{
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    struct ButtonSpec {
        const char* name;
        const char* caption;
    };
    static const ButtonSpec kButtons[] = {
        {"Command23", "计算公式(&C)"},          {"Command22", "公式搜索(&F)"},
        {"Command12", "公式往期位置值结果列表"}, {"Command7", "公式过滤设置"},
        {"Command8", "选中所有公式"},           {"Command5", "反选所有公式"},
        {"Command2", "清空所有公式"},           {"Command10", "读取公式文本(N)"},
        {"cmdGsgx", "公式在线更新（&W)"},       {"Command11", "所有类公式中文导出"},
        {"Command20", "所选类公式中文导出"},     {"cmdDcexl", "导出列表到Excel"},
        {"cmdLsdcTxt", "历史号码导出文本文件(&X)"}, {"Command3", "删除最后历史(&D)"},
        {"Command21", "开奖历史号在线更新(&O)"}, {"Command9", "软件设置(&T)"},
        {"Command18", "使用说明文档下载(&L)"},   {"Command139", "幻灯图示说明下载(&P)"},
        {"Command6", "演示说明录像下载(&M)"},
    };
    int i = 0;
    for (const ButtonSpec& spec : kButtons) {
        auto* button = new QPushButton(QString::fromUtf8(spec.caption), panel);
        button->setObjectName(QString::fromLatin1(spec.name));
        grid->addWidget(button, i / 7, i % 7);
        ++i;
    }
    findChild<QPushButton*>(QStringLiteral("Command21"))->setToolTip(QStringLiteral("从官方服务器更新历史号码"));

    auto clicked = [this](const char* name, std::function<void()> run) {
        connect(findChild<QPushButton*>(QString::fromLatin1(name)), &QPushButton::clicked, this,
                [this, run = std::move(run)] { guarded(run); });
    };
    clicked("Command8", [this] { selectAllFormulas(); });
    clicked("Command5", [this] { invertSelection(); });
    clicked("Command2", [this] { clearAllFormulas(); });
    clicked("Command9", [this] {
        auto* button = findChild<QPushButton*>(QStringLiteral("Command9"));
        m_setupMenu->popup(button->mapToGlobal(QPoint(0, button->height())));
    });
    for (const char* help : {"Command18", "Command139", "Command6"})
        clicked(help, [this] { openManual(); });
    connectCommand("Command23", Command::Calculate);
    connectCommand("Command12", Command::BackTest);
    connectCommand("Command7", Command::Filter);
    connectCommand("Command22", Command::Search);
    connectCommand("Command11", Command::ExportAllChinese);
    connectCommand("Command20", Command::ExportTableChinese);
    connectCommand("Command10", Command::ImportFormulas);
    connectCommand("cmdGsgx", Command::OnlineFormulas);
    connectCommand("cmdDcexl", Command::ExportExcel);
    connectCommand("cmdLsdcTxt", Command::ExportHistoryText);
    connectCommand("Command3", Command::DeleteLastDraw);
    connectCommand("Command21", Command::OnlineHistory);
    return panel;
}

void MainWindow::connectCommand(const char* name, Command command)
{
    auto* button = findChild<QPushButton*>(QString::fromLatin1(name));
    connect(button, &QPushButton::clicked, this, [this, button, command] { runHook(command, button->text()); });
}

QAction* MainWindow::addAction(QMenu* menu, const QString& name, const QString& caption, bool checkable)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(checkable);
    return action;
}

void MainWindow::buildMenus()
{
    m_setupMenu = menuBar()->addMenu(QStringLiteral("设置"));
    m_setupMenu->setObjectName(QStringLiteral("mnuSetup"));
    auto* resultGroup = new QActionGroup(this);
    m_resultColumn[0] = addAction(m_setupMenu, QStringLiteral("mnuYsXs0"), QStringLiteral("历史列表公式验算结果显示在下期(&N)"), true);
    m_resultColumn[1] = addAction(m_setupMenu, QStringLiteral("mnuYsXs1"), QStringLiteral("历史列表公式验算结果显示在当期(&T)"), true);
    for (int i = 0; i < 2; ++i) {
        resultGroup->addAction(m_resultColumn[static_cast<size_t>(i)]);
        connect(m_resultColumn[static_cast<size_t>(i)], &QAction::triggered, this,
                [this, i] { guarded([this, i] { chooseResultColumn(i == 1); }); });
    }
    m_setupMenu->addSeparator();

    QMenu* lookBack = m_setupMenu->addMenu(QStringLiteral("检索期数设置(&Q)"));
    lookBack->setObjectName(QStringLiteral("mnuQsJs"));
    m_excludeCurrent = addAction(lookBack, QStringLiteral("mnuBuhan"), QStringLiteral("检索期数前溯不含当前期"), true);
    connect(m_excludeCurrent, &QAction::triggered, this, [this](bool on) {
        guarded([this, on] {
            m_settings.setExcludeCurrent(on);
            Yansuan();
        });
    });
    lookBack->addSeparator();
    auto* lookBackGroup = new QActionGroup(this);
    for (int i = 0; i < 10; ++i) {
        QAction* action = addAction(lookBack, QStringLiteral("mnuQs%1").arg(i), QString::fromUtf8(kLookBackCaptions[i]), true);
        lookBackGroup->addAction(action);
        m_lookBack[static_cast<size_t>(i)] = action;
        connect(action, &QAction::triggered, this, [this, i] { guarded([this, i] { chooseLookBack(i); }); });
    }

    m_weighted = addAction(m_setupMenu, QStringLiteral("mnuZqlJq"), QStringLiteral("正确率使用期数加权算法(&A)"), true);
    connect(m_weighted, &QAction::triggered, this, [this](bool on) {
        guarded([this, on] {
            m_settings.setWeightedRate(on);
            m_formulaModel->setWeighted(on);
            Yansuan();
        });
    });
    connect(addAction(m_setupMenu, QStringLiteral("mnuSetDay"), QStringLiteral("历史号码更新检索天数设置(&D)")),
            &QAction::triggered, this, [this] { guarded([this] { askSearchDays(); }); });

    QMenu* lotteries = m_setupMenu->addMenu(QStringLiteral("彩种选择"));
    lotteries->setObjectName(QStringLiteral("mnuCaizhong"));
    auto* lotteryGroup = new QActionGroup(this);
    for (int i = 0; i < LotteryTable::kCount; ++i) {
        QAction* action = addAction(lotteries, QStringLiteral("mnu11S5%1").arg(i), LotteryTable::entry(i).caption, true);
        lotteryGroup->addAction(action);
        m_lotteries[static_cast<size_t>(i)] = action;
        connect(action, &QAction::triggered, this, [this, i] { guarded([this, i] { chooseLottery(i); }); });
    }
    m_setupMenu->addSeparator();
    connect(addAction(m_setupMenu, QStringLiteral("meuHfmr"), QStringLiteral("恢复默认设置(&R)")), &QAction::triggered,
            this, [this] { guarded([this] { restoreDefaults(); }); });
    connect(addAction(m_setupMenu, QStringLiteral("mnuHelp"), QStringLiteral("使用说明(&H)")), &QAction::triggered, this,
            [this] { openManual(); });

    QMenu* history = menuBar()->addMenu(QStringLiteral("历史管理"));
    history->setObjectName(QStringLiteral("mnuLsgl"));
    const std::pair<const char*, std::pair<const char*, Command>> kHistoryItems[] = {
        {"mnuDcls", {"导出历史号码(&O)", Command::ExportHistory}},
        {"mnuDlAll", {"删除所有历史(&A）", Command::DeleteAllHistory}},
        {"mnuDlzd", {"删除到选定期(&D)", Command::DeleteToIssue}},
        {"mnuEszhzd", {"删除最后指定数量期历史(&E)", Command::DeleteLastDraws}},
    };
    for (const auto& [name, item] : kHistoryItems) {
        QAction* action = addAction(history, QString::fromLatin1(name), QString::fromUtf8(item.first));
        const Command command = item.second;
        connect(action, &QAction::triggered, this, [this, action, command] { runHook(command, action->text()); });
    }

    // The formula grid's pop-up menu; it is not on the menu bar.
    m_manageMenu = new QMenu(QStringLiteral("管理"), this);
    m_manageMenu->setObjectName(QStringLiteral("mnuMang"));
    QAction* excel = addAction(m_manageMenu, QStringLiteral("mnuExl"), QStringLiteral("导出到EXCEL表格(&E)"));
    connect(excel, &QAction::triggered, this, [this, excel] { runHook(Command::ExportExcel, excel->text()); });
    connect(addAction(m_manageMenu, QStringLiteral("mnuCulate"), QStringLiteral("查询该公式历史计算式(&U)")),
            &QAction::triggered, this, [this] { guarded([this] { showFormulaDetail(); }); });
    m_manageMenu->addSeparator();
    connect(addAction(m_manageMenu, QStringLiteral("mnuDelGS"), QStringLiteral("删除该公式(&D)")), &QAction::triggered,
            this, [this] { guarded([this] { deleteCurrentFormula(); }); });
    connect(addAction(m_manageMenu, QStringLiteral("mnuDelXzGS"), QStringLiteral("删除选中所有公式(&C)")),
            &QAction::triggered, this, [this] { guarded([this] { deleteFormulas(true); }); });
    connect(addAction(m_manageMenu, QStringLiteral("mnuDelLst"), QStringLiteral("删除最后公式(&E)")),
            &QAction::triggered, this, [this] { guarded([this] { deleteLastFormula(); }); });
    connect(addAction(m_manageMenu, QStringLiteral("mnuDelNXzGS"), QStringLiteral("删除未选中公式(&X)")),
            &QAction::triggered, this, [this] { guarded([this] { deleteFormulas(false); }); });
}

// ---- state ----------------------------------------------------------------

int MainWindow::currentPosition() const
{
    for (size_t i = 0; i < m_position.size(); ++i)
        if (m_position[i]->isChecked())
            return static_cast<int>(i) + 1;
    return 1;
}

bool MainWindow::currentGroup() const
{
    return m_kind[1]->isChecked();
}

bool MainWindow::shownKill() const
{
    return !m_killKeep[1]->isChecked();
}

QString MainWindow::currentTable() const
{
    return Database::formulaTableName(currentPosition(), currentGroup());
}

QString MainWindow::currentLabel() const
{
    return FormulaTarget{currentPosition(), currentGroup(), shownKill()}.label();
}

const std::vector<ScoredFormula>& MainWindow::listedFormulas() const
{
    return m_formulaModel->rows();
}

ScoringWindow MainWindow::scoringWindow() const
{
    return ScoringWindow{m_settings.lookBackDraws(), m_settings.excludeCurrent(), m_settings.weightedRate()};
}

ScoringRule MainWindow::scoringRule() const
{
    return ScoringRule{m_lottery.numberRange, currentPosition(), currentGroup(), shownKill()};
}

bool MainWindow::verifyHistory() const
{
    return m_target[1]->isChecked();
}

QString MainWindow::verifyIssue() const
{
    return m_verifyIssue->text().trimmed();
}

Database& MainWindow::requireDatabase() const
{
    if (!m_database)
        throw UserError(QStringLiteral("数据库错误"), QStringLiteral("数据库没有打开，无法完成此操作。"), false);
    return *m_database;
}

void MainWindow::guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const UserError& error) {
        m_prompts.warn(error.title(), error.message());
    } catch (const std::exception& error) {
        m_prompts.warn(QStringLiteral("错误"), QString::fromLocal8Bit(error.what()));
    }
}

void MainWindow::runBusy(const std::function<void()>& work)
{
    if (m_busy) {
        work();
        return;
    }
    m_busy = true;
    m_progress->setRange(0, 0);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::exception_ptr failure;
    QThread* thread = QThread::create([&work, &failure] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    QEventLoop loop;
    connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    // Paints and timers go on; clicks and keys wait until the work is done.
    if (!thread->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    delete thread;
    QApplication::restoreOverrideCursor();
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_busy = false;
    if (failure)
        std::rethrow_exception(failure);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_busy)
        event->ignore(); // the worker still uses the database
    else
        QMainWindow::closeEvent(event);
}

// ---- routines -------------------------------------------------------------

void MainWindow::reloadAll()
{
    AddGongshi();
    AddHaoma();
    Yansuan();
    QihaoXianshi();
}

void MainWindow::refreshFormulaModel(std::vector<ScoredFormula> rows)
{
    m_formulaModel->setKindLabel(currentLabel());
    m_formulaModel->setWeighted(m_settings.weightedRate());
    m_formulaModel->setHighlight(std::nullopt);
    m_formulaModel->setRows(std::move(rows));
    m_formulaGrid->scrollToBottom();
}

void MainWindow::AddGongshiZhonglei()
{
    if (!m_database) {
        refreshFormulaModel({});
        return;
    }
    std::vector<ScoredFormula> rows;
    for (FormulaRecord& record : FormulaStore(*m_database).list(currentTable(), shownKill())) {
        ScoredFormula row;
        row.rateText = FormulaScoring::rateCellText(record.statistics);
        row.record = std::move(record);
        rows.push_back(std::move(row));
    }
    refreshFormulaModel(std::move(rows));
}

void MainWindow::AddGongshi()
{
    if (m_database) {
        const auto all = FormulaStore(*m_database).list(currentTable());
        int highest = 0;
        for (const FormulaRecord& record : all)
            highest = std::max(highest, record.idx);
        m_selection.selectFirst(highest);
    }
    AddGongshiZhonglei();
}

void MainWindow::AddHaoma()
{
    if (!m_database) {
        m_historyModel->setHistory(std::make_shared<HistorySnapshot>());
        m_history = std::make_shared<HistorySnapshot>();
        return;
    }
    std::shared_ptr<HistorySnapshot> loaded;
    Database& db = *m_database;
    runBusy([&] { loaded = std::make_shared<HistorySnapshot>(HistorySnapshot::load(db.sql())); });
    m_history = loaded;
    m_historyModel->setHistory(m_history);
    m_historyGrid->setColumnWidth(0, 100);
    for (int c = 1; c < HistoryTableModel::kFixedColumns; ++c)
        m_historyGrid->setColumnWidth(c, 40);
}

void MainWindow::Yansuan()
{
    if (!m_database || !m_history)
        return;
    std::vector<ScoredFormula> scored;
    std::vector<FormulaResultColumn> columns;
    Database& db = *m_database;
    const auto history = m_history;
    const QString table = currentTable();
    const bool kill = shownKill();
    const ScoringRule rule = scoringRule();
    const ScoringWindow window = scoringWindow();
    const bool withColumns = m_showResults->isChecked();
    const bool sameDraw = m_settings.resultOnSameDraw();
    runBusy([&] {
        scored = TableScorer::scoreTable(db, *history, table, kill, rule.range, window);
        if (withColumns) {
            std::vector<FormulaRecord> records;
            records.reserve(scored.size());
            for (const ScoredFormula& formula : scored)
                records.push_back(formula.record);
            columns = FormulaResultColumns::build(*history, records, rule, sameDraw);
        }
    });
    m_historyGrid->setUpdatesEnabled(false);
    m_historyModel->setResultColumns(std::move(columns));
    for (int c = HistoryTableModel::kFixedColumns; c < m_historyModel->columnCount(); ++c)
        m_historyGrid->setColumnWidth(c, 34);
    m_historyGrid->setUpdatesEnabled(true);
    refreshFormulaModel(std::move(scored));
}

void MainWindow::QihaoXianshi()
{
    if (!m_database)
        return;
    const DrawStore store(*m_database, m_lottery);
    m_entry->setIssue(store.nextIssue(m_today()));
    m_verifyIssue->setText(store.lastIssue());
}

void MainWindow::CompactDb()
{
    Database& db = requireDatabase();
    runBusy([&db] { db.compact(); });
}

void MainWindow::ArrGs()
{
    FormulaStore(requireDatabase()).remove(currentTable(), {});
    AddGongshi();
    Yansuan();
}

// ---- load sequence and settings ------------------------------------------

void MainWindow::load()
{
    m_loading = true;
    guarded([this] { applySettingsToControls(); });
    m_loading = false;
    if (!m_database)
        return;
    guarded([this] { QihaoXianshi(); });
    guarded([this] {
        AddGongshi();
        AddHaoma();
        Yansuan();
    });
    m_historyGrid->scrollToBottom();
}

void MainWindow::applySettingsToControls()
{
    const int lottery = m_settings.lotteryIndex();
    m_lottery = LotteryTable::entry(lottery);
    m_lotteries[static_cast<size_t>(LotteryTable::isValidIndex(lottery) ? lottery : 0)]->setChecked(true);
    setWindowTitle(QStringLiteral("Velmora - %1").arg(m_lottery.caption));
    const bool selected = m_settings.calculateSelected();
    QSignalBlocker block0(m_method[0]);
    QSignalBlocker block1(m_method[1]);
    m_method[selected ? 1 : 0]->setChecked(true);
    m_resultColumn[m_settings.resultOnSameDraw() ? 1 : 0]->setChecked(true);
    m_excludeCurrent->setChecked(m_settings.excludeCurrent());
    m_weighted->setChecked(m_settings.weightedRate());
    m_formulaModel->setWeighted(m_settings.weightedRate());
    const int lookBack = m_settings.lookBackIndex();
    for (size_t i = 0; i < m_lookBack.size(); ++i)
        m_lookBack[i]->setChecked(static_cast<int>(i) == lookBack);
}

void MainWindow::chooseLottery(int index)
{
    m_settings.setLotteryIndex(index);
    m_lottery = LotteryTable::entry(index);
    for (size_t i = 0; i < m_lotteries.size(); ++i)
        m_lotteries[i]->setChecked(static_cast<int>(i) == index);
    setWindowTitle(QStringLiteral("Velmora - %1").arg(m_lottery.caption));
    QihaoXianshi();
    Yansuan();
}

void MainWindow::chooseLookBack(int index)
{
    m_settings.setLookBackIndex(index);
    for (size_t i = 0; i < m_lookBack.size(); ++i)
        m_lookBack[i]->setChecked(static_cast<int>(i) == index);
    Yansuan();
}

void MainWindow::chooseResultColumn(bool sameDraw)
{
    m_settings.setResultOnSameDraw(sameDraw);
    m_resultColumn[sameDraw ? 1 : 0]->setChecked(true);
    if (m_showResults->isChecked())
        Yansuan();
}

void MainWindow::askSearchDays()
{
    QString initial = QString::number(m_settings.searchDays());
    for (;;) {
        const auto answer = m_prompts.askText(QStringLiteral("设置天数"),
                                              QStringLiteral("请输入需要统计的历史号码的天数（2~10中的任意自然数）"), initial);
        if (!answer)
            return;
        if (const auto days = AppSettings::parseSearchDays(*answer)) {
            m_settings.setSearchDays(*days);
            return;
        }
        m_prompts.warn(AppSettings::searchDaysErrorTitle(), AppSettings::searchDaysErrorMessage());
        initial = *answer;
    }
}

void MainWindow::restoreDefaults()
{
    m_settings.restoreDefaults();
    applySettingsToControls();
    Yansuan();
}

// ---- draw entry -----------------------------------------------------------

void MainWindow::saveTypedDraw()
{
    guarded([this] {
        DrawStore store(requireDatabase(), m_lottery);
        store.add(m_entry->issue(), m_entry->numbers()); // a refused draw raises and stores nothing
        m_historyChanged = true;
        m_historyGrid->setUpdatesEnabled(false);
        AddHaoma();
        Yansuan();
        QihaoXianshi();
        m_entry->clearNumbers();
        m_entry->box(1)->setFocus(Qt::OtherFocusReason);
        m_historyGrid->setUpdatesEnabled(true);
        if (m_historyModel->rowCount() + 1 > 29)
            m_historyGrid->scrollToBottom();
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_verifyIssue && event->type() == QEvent::FocusIn)
        m_target[1]->setChecked(true); // typing an issue here means verifying it
    return QMainWindow::eventFilter(watched, event);
}

// ---- formula list ---------------------------------------------------------

void MainWindow::addTypedFormula()
{
    if (m_formulaInput->text().trimmed().isEmpty()) {
        m_prompts.warn(QStringLiteral("添加公式失败"), QStringLiteral("请在左边文本框输入需要添加的公式"));
        m_formulaInput->setFocus();
        return;
    }
    ParsedFormula parsed;
    try {
        parsed = FormulaText::parse(m_formulaInput->text());
    } catch (const FormulaError& error) {
        m_prompts.warn(error.title(), error.message() + QStringLiteral("\n\n") + error.detail());
        return;
    }
    FormulaStore(requireDatabase()).add(parsed);
    // Show the table the formula went to; the kill/keep filter stays as chosen.
    {
        for (QRadioButton* b : m_position)
            b->blockSignals(true);
        for (QRadioButton* b : m_kind)
            b->blockSignals(true);
        m_position[static_cast<size_t>(parsed.target.position - 1)]->setChecked(true);
        m_kind[parsed.target.group ? 1 : 0]->setChecked(true);
        for (QRadioButton* b : m_position)
            b->blockSignals(false);
        for (QRadioButton* b : m_kind)
            b->blockSignals(false);
    }
    m_formulaInput->clear();
    AddGongshi();
    AddHaoma();
    Yansuan();
}

void MainWindow::showTableChoice()
{
    if (m_loading)
        return;
    guarded([this] {
        AddGongshi();
        if (m_showResults->isChecked())
            AddHaoma();
        Yansuan();
    });
}

void MainWindow::formulaClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    if (index.column() == 1) {
        m_selection.toggle(m_formulaModel->idxAt(index.row()));
        m_formulaModel->selectionChanged();
    } else if (index.column() == 4) {
        const QString kind = m_formulaModel->index(index.row(), 2).data().toString();
        const QString value = m_formulaModel->index(index.row(), 4).data().toString();
        m_formulaModel->setHighlight(std::make_pair(kind, value));
    }
}

void MainWindow::formulaDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    // Statistic columns re-order the list; the others refill it as it stands.
    std::vector<ScoredFormula> rows = m_formulaModel->rows();
    FormulaRanking::rank(rows, index.column());
    m_formulaModel->setRows(std::move(rows));
    m_formulaGrid->scrollToBottom();
}

void MainWindow::formulaContextMenu(const QPoint& pos)
{
    const QModelIndex index = m_formulaGrid->indexAt(pos);
    if (index.isValid())
        m_formulaGrid->setCurrentIndex(m_formulaModel->index(index.row(), 0));
    m_manageMenu->popup(m_formulaGrid->viewport()->mapToGlobal(pos));
}

void MainWindow::deleteOne(int idx)
{
    FormulaStore(requireDatabase()).remove(currentTable(), {idx});
    CompactDb();
    m_selection.removeAndShift(idx);
    AddGongshiZhonglei();
    AddHaoma();
    Yansuan();
}

void MainWindow::deleteCurrentFormula()
{
    const QModelIndex current = m_formulaGrid->currentIndex();
    if (!current.isValid())
        return;
    deleteOne(m_formulaModel->idxAt(current.row()));
}

void MainWindow::deleteLastFormula()
{
    const std::vector<int> listed = m_formulaModel->idxs();
    if (listed.empty())
        return;
    deleteOne(*std::max_element(listed.begin(), listed.end()));
}

void MainWindow::deleteFormulas(bool selected)
{
    // Only listed formulas: those of the other kill/keep flag are not on screen,
    // so their selection state cannot have been the user's choice.
    const std::vector<int> listed = m_formulaModel->idxs();
    const std::vector<int> doomed = selected ? m_selection.selected(listed) : m_selection.unselected(listed);
    if (doomed.empty())
        return;
    const QString question = selected ? QStringLiteral("确实要删除选中的所有公式(公式列表序号蓝色表示)吗?")
                                      : QStringLiteral("确实要删除选未中的所有公式(公式列表序号灰色表示)吗?");
    if (!m_prompts.confirm(QStringLiteral("删除公式"), question))
        return;
    FormulaStore(requireDatabase()).remove(currentTable(), doomed);
    CompactDb();
    AddGongshi();
    AddHaoma();
    Yansuan();
}

void MainWindow::clearAllFormulas()
{
    if (!m_prompts.confirm(QStringLiteral("清空所有公式"), QStringLiteral("清空所有公式后将无法恢复，是否清空所有类别的公式？")))
        return;
    FormulaStore(requireDatabase()).clearAll();
    AddGongshi();
    AddHaoma();
    Yansuan();
}

void MainWindow::selectAllFormulas()
{
    m_selection.selectAll(m_formulaModel->idxs());
    m_formulaModel->selectionChanged();
}

void MainWindow::invertSelection()
{
    m_selection.invert(m_formulaModel->idxs());
    m_formulaModel->selectionChanged();
}

void MainWindow::showFormulaDetail()
{
    const QModelIndex current = m_formulaGrid->currentIndex();
    if (!current.isValid() || !m_history)
        return;
    const FormulaRecord& record = m_formulaModel->rows()[static_cast<size_t>(current.row())].record;
    auto* dialog = new FormulaDetailDialog(m_history, record, scoringRule(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void MainWindow::showAttributeHelp()
{
    if (!m_attributeHelp)
        m_attributeHelp = new AttributeHelpWindow(this);
    m_attributeHelp->show();
    m_attributeHelp->raise();
}

QString MainWindow::manualPath() const
{
    const QString appDir = QCoreApplication::applicationDirPath();
    // Installed beside the program, in a build tree below the sources, or in the sources.
    const QStringList candidates = {
        appDir + QStringLiteral("/docs/manual.md"),
        appDir + QStringLiteral("/../docs/manual.md"),
        appDir + QStringLiteral("/../share/velmora/manual.md"),
        QFileInfo(QString::fromUtf8(__FILE__)).absolutePath() + QStringLiteral("/../../docs/manual.md"),
    };
    for (const QString& candidate : candidates)
        if (QFileInfo::exists(candidate))
            return QFileInfo(candidate).canonicalFilePath();
    return {};
}

void MainWindow::openManual()
{
    const QString path = manualPath();
    if (path.isEmpty()) {
        m_prompts.warn(QStringLiteral("使用说明"), QStringLiteral("找不到使用说明文件 manual.md。"));
        return;
    }
    m_lastOpened = path;
    if (qEnvironmentVariable("VELMORA_NO_OPEN") != QStringLiteral("1"))
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void MainWindow::runHook(Command command, const QString& caption)
{
    const auto hook = m_hooks.find(command);
    if (hook == m_hooks.end() || !hook->second) {
        m_prompts.inform(QString(caption).remove(u'&'), notAvailableMessage());
        return;
    }
    guarded([this, &hook] { hook->second(*this); });
}
