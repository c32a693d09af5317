// The window's controls and menus: captions, tool tips and object names, and
// which routine each one runs.
#include "gui/main/MainWindow.h"

#include "gui/main/DrawEntryWidget.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/HistoryTableModel.h"
#include "gui/main/WheelRouter.h"
#include "history/AttributeCatalog.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const char* const kLookBackCaptions[10] = {"前所有期", "前100期", "前200期",  "前300期",  "前500期",
                                           "前600期",  "前800期", "前1000期", "前1500期", "前3000期"};

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
    m_historyGrid->horizontalHeader()->setDefaultSectionSize(34);

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
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                showTableChoice();
        });
    for (QRadioButton* b : m_kind)
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                showTableChoice();
        });
    for (QRadioButton* b : m_killKeep)
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                showTableChoice();
        });
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
    struct ButtonEntry {
        const char* name;
        const char* caption;
    };
    static const ButtonEntry kButtons[] = {
        {"Command23", "计算公式(&C)"},
        {"Command22", "公式搜索(&F)"},
        {"Command12", "公式往期位置值结果列表"},
        {"Command7", "公式过滤设置"},
        {"Command8", "选中所有公式"},
        {"Command5", "反选所有公式"},
        {"Command2", "清空所有公式"},
        {"Command10", "读取公式文本(N)"},
        {"cmdGsgx", "公式在线更新（&W)"},
        {"Command11", "所有类公式中文导出"},
        {"Command20", "所选类公式中文导出"},
        {"cmdDcexl", "导出列表到Excel"},
        {"cmdLsdcTxt", "历史号码导出文本文件(&X)"},
        {"Command3", "删除最后历史(&D)"},
        {"Command21", "开奖历史号在线更新(&O)"},
        {"Command9", "软件设置(&T)"},
        {"Command18", "使用说明文档下载(&L)"},
        {"Command139", "幻灯图示说明下载(&P)"},
        {"Command6", "演示说明录像下载(&M)"},
    };
    int i = 0;
    for (const ButtonEntry& entry : kButtons) {
        auto* button = new QPushButton(QString::fromUtf8(entry.caption), panel);
        button->setObjectName(QString::fromLatin1(entry.name));
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
    m_resultColumn[0] =
        addAction(m_setupMenu, QStringLiteral("mnuYsXs0"), QStringLiteral("历史列表公式验算结果显示在下期(&N)"), true);
    m_resultColumn[1] =
        addAction(m_setupMenu, QStringLiteral("mnuYsXs1"), QStringLiteral("历史列表公式验算结果显示在当期(&T)"), true);
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
        QAction* action =
            addAction(lookBack, QStringLiteral("mnuQs%1").arg(i), QString::fromUtf8(kLookBackCaptions[i]), true);
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
        QAction* action =
            addAction(lotteries, QStringLiteral("mnu11S5%1").arg(i), LotteryTable::entry(i).caption, true);
        lotteryGroup->addAction(action);
        m_lotteries[static_cast<size_t>(i)] = action;
        connect(action, &QAction::triggered, this, [this, i] { guarded([this, i] { chooseLottery(i); }); });
    }
    m_setupMenu->addSeparator();
    connect(addAction(m_setupMenu, QStringLiteral("meuHfmr"), QStringLiteral("恢复默认设置(&R)")), &QAction::triggered,
            this, [this] { guarded([this] { restoreDefaults(); }); });
    connect(addAction(m_setupMenu, QStringLiteral("mnuHelp"), QStringLiteral("使用说明(&H)")), &QAction::triggered,
            this, [this] { openManual(); });

    QMenu* history = menuBar()->addMenu(QStringLiteral("历史管理"));
    history->setObjectName(QStringLiteral("mnuLsgl"));
    const std::pair<const char*, std::pair<const char*, Command>> kHistoryItems[] = {
        {"mnuDcls", {"导出历史号码(&O)", Command::ExportHistory}},
        {"mnuDlAll", {"删除所有历史(&A）", Command::DeleteAllHistory}},
        {"mnuDlzd", {"删除到选定期(&D)", Command::DeleteToIssue}},
        {"mnuEszhzd", {"删除最后指定数量期历史(&E)", Command::DeleteLastDraws}},
        {"mnuDrls", {"从文本文件导入历史号码(&I)", Command::ImportHistory}},
        {"mnuLsUrl", {"开奖页面地址设置(&U)", Command::HistoryPageAddress}},
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
    connect(excel, &QAction::triggered, this, [this, excel] { runHook(Command::ExportFormulaGrid, excel->text()); });
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
