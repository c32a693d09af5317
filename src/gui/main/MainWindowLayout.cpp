// The window's controls: captions, tool tips and object names, and which
// routine each one runs.
#include "gui/main/MainWindow.h"

#include "gui/main/DrawEntryWidget.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/HistoryTableModel.h"
#include "gui/main/WheelRouter.h"
#include "gui/widgets/FlowLayout.h"
#include "gui/widgets/ScreenFit.h"
#include "history/AttributeCatalog.h"
#include "workbench/Workbench.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

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

QRadioButton* radio(QWidget* owner, const QString& name, const QString& caption)
{
    auto* button = new QRadioButton(caption, owner);
    button->setObjectName(name);
    return button;
}

QGroupBox* frame(QWidget* owner, const QString& name, const QString& title)
{
    auto* box = new QGroupBox(title, owner);
    box->setObjectName(name);
    return box;
}

struct ButtonEntry {
    const char* name;
    const char* caption;
};

const ButtonEntry kButtons[] = {
    {"Command23", "计算公式(&C)"},
    {"Command22", "公式搜索(&F)"},
    {"Command12", "公式往期位置值结果列表"},
    {"cmdTrend", "走势图(&Z)"},
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

// Buttons that only change the selection, open a menu or the manual: they stay
// usable while work runs. Every other button changes stored data or starts work.
bool staysUsable(const char* name)
{
    for (const char* free :
         {"Command7", "Command8", "Command5", "Command9", "Command18", "Command139", "Command6", "cmdTrend"})
        if (qstrcmp(name, free) == 0)
            return true;
    return false;
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
    splitter->setSizes({360, 1000});
    setCentralWidget(splitter);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    m_wheel = new WheelRouter(this);
    m_wheel->addGrid(m_historyGrid);
    m_wheel->addGrid(m_formulaGrid);
    ScreenFit::apply(this, QSize(1366, 740));
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
    m_dataWidgets.push_back(m_entry);

    m_showResults = new QCheckBox(QStringLiteral("历史列表显示公式各期验算结果(时间较长，请耐性等待...)"), panel);
    m_showResults->setObjectName(QStringLiteral("Check1"));
    connect(m_showResults, &QCheckBox::toggled, this, [this](bool on) {
        m_workbench->setResultColumnsShown(on);
        AddHaoma();
        Yansuan();
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
    // The frames wrap onto a second row in a narrow window.
    auto* frames = new FlowLayout;
    buildChoiceFrames(panel, frames);
    frames->addWidget(buildTargetFrame(panel));
    frames->addWidget(buildMethodFrame(panel));

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(frames);
    layout->addWidget(buildFormulaList(panel), 1);
    layout->addLayout(buildFormulaInput(panel));
    layout->addLayout(buildProgressRow(panel));
    layout->addWidget(buildButtonPanel());
    return panel;
}

// 位数选择, 玩法选择 and 生杀: which formula table the list shows.
void MainWindow::buildChoiceFrames(QWidget* panel, QLayout* into)
{
    auto* frame1 = frame(panel, QStringLiteral("Frame1"), QStringLiteral("位数选择"));
    auto* frame1Layout = new QHBoxLayout(frame1);
    for (size_t i = 0; i < m_position.size(); ++i) {
        m_position[i] = radio(frame1, QStringLiteral("optXing%1").arg(i + 1),
                              AttributeCatalog::positionWords()[static_cast<int>(i)]);
        frame1Layout->addWidget(m_position[i]);
    }
    // The kill/keep choice has a frame of its own; "Frame2" already names the play choice.
    auto* frame2 = frame(panel, QStringLiteral("Frame2"), QStringLiteral("玩法选择"));
    m_kind = {radio(frame2, QStringLiteral("opTDG0"), QStringLiteral("直选")),
              radio(frame2, QStringLiteral("opTDG1"), QStringLiteral("组选"))};
    auto* frame4 = frame(panel, QStringLiteral("Frame4"), QStringLiteral("生杀"));
    m_killKeep = {radio(frame4, QStringLiteral("Option2_0"), QStringLiteral("杀")),
                  radio(frame4, QStringLiteral("Option2_1"), QStringLiteral("生"))};
    auto* frame2Layout = new QHBoxLayout(frame2);
    auto* frame4Layout = new QHBoxLayout(frame4);
    for (size_t i = 0; i < 2; ++i) {
        frame2Layout->addWidget(m_kind[i]);
        frame4Layout->addWidget(m_killKeep[i]);
    }
    m_position[0]->setChecked(true);
    m_kind[0]->setChecked(true);
    m_killKeep[0]->setChecked(true);

    std::vector<QRadioButton*> choices(m_position.begin(), m_position.end());
    choices.insert(choices.end(), {m_kind[0], m_kind[1], m_killKeep[0], m_killKeep[1]});
    for (QRadioButton* b : choices)
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                showTableChoice();
        });
    into->addWidget(frame1);
    into->addWidget(frame2);
    into->addWidget(frame4);
}

// 计算/验算选择: the coming draw, or the draw after the issue typed in Text3.
QGroupBox* MainWindow::buildTargetFrame(QWidget* panel)
{
    auto* frame5 = frame(panel, QStringLiteral("Frame5"), QStringLiteral("计算/验算选择"));
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
    // One row, so the frames above the list stay low.
    auto* layout = new QHBoxLayout(frame5);
    layout->addWidget(m_target[0]);
    layout->addWidget(m_target[1]);
    layout->addWidget(m_verifyIssue);
    return frame5;
}

// 计算方法: the best formulas or the selected ones; remembered in the settings.
QGroupBox* MainWindow::buildMethodFrame(QWidget* panel)
{
    auto* frame6 = frame(panel, QStringLiteral("Frame6"), QStringLiteral("计算方法"));
    m_method = {radio(frame6, QStringLiteral("Option6_0"), QStringLiteral("最优公式法")),
                radio(frame6, QStringLiteral("Option6_1"), QStringLiteral("计算选中公式"))};
    m_method[1]->setChecked(true);
    auto* layout = new QHBoxLayout(frame6);
    for (QRadioButton* b : m_method)
        layout->addWidget(b);
    connect(m_method[1], &QRadioButton::toggled, this, [this](bool on) {
        if (!m_loading)
            m_workbench->settings().setCalculateSelected(on);
    });
    return frame6;
}

// TabStrip1 and the formula grid MSFlexGrid2.
QWidget* MainWindow::buildFormulaList(QWidget* panel)
{
    auto* box = new QWidget(panel);
    m_tabs = new QTabBar(box);
    m_tabs->setObjectName(QStringLiteral("TabStrip1"));
    m_tabs->addTab(QStringLiteral("中文公式"));
    m_tabs->addTab(QStringLiteral("公式代码"));
    m_tabs->setToolTip(QStringLiteral("公式列以中文或代码形式显示"));

    const QPointer<Workbench> workbench = m_workbench.get();
    m_formulaModel = new FormulaTableModel(
        [workbench]() -> const FormulaSelection* { return workbench ? &workbench->selection() : nullptr; }, this);
    m_formulaGrid = makeGrid(QStringLiteral("MSFlexGrid2"), box);
    m_formulaGrid->setToolTip(QStringLiteral("双击参数列可以以该参数次序排序，单击鼠标右键可以打开此表功能扩展菜单"));
    m_formulaGrid->setModel(m_formulaModel);
    m_formulaGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    const int widths[FormulaTableModel::kColumns] = {46, kFormulaColumnWidth, 66, 36, 50, 226, 62, 62, 62, 62, 86, 66};
    for (int c = 0; c < FormulaTableModel::kColumns; ++c)
        m_formulaGrid->setColumnWidth(c, widths[c]);
    // 公式 takes the room the other columns leave, never less than its own width
    // (the grid then scrolls sideways); the user may still drag it.
    m_formulaGrid->viewport()->installEventFilter(this);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int tab) { m_formulaModel->setShowCode(tab == 1); });
    connect(m_formulaGrid, &QTableView::clicked, this, [this](const QModelIndex& i) { formulaClicked(i); });
    connect(m_formulaGrid, &QTableView::doubleClicked, this, [this](const QModelIndex& i) {
        if (i.isValid())
            rankBy(i.column());
    });
    connect(m_formulaGrid->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int column) { rankBy(column); });
    connect(m_formulaGrid, &QTableView::customContextMenuRequested, this,
            [this](const QPoint& pos) { formulaContextMenu(pos); });

    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    layout->addWidget(m_formulaGrid, 1);
    return box;
}

// Text2 with "添加所输公式" and the attribute help.
QLayout* MainWindow::buildFormulaInput(QWidget* panel)
{
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
    m_dataWidgets.insert(m_dataWidgets.end(), {m_formulaInput, addButton});
    auto* row = new QHBoxLayout;
    row->addWidget(m_formulaInput, 1);
    row->addWidget(addButton);
    row->addWidget(helpButton);
    return row;
}

// ProgressBar1 and the button that stops the running work.
QLayout* MainWindow::buildProgressRow(QWidget* panel)
{
    m_progress = new QProgressBar(panel);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(10);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_cancel = new QPushButton(QStringLiteral("取消"), panel);
    m_cancel->setObjectName(QStringLiteral("cmdCancelWork"));
    m_cancel->setToolTip(QStringLiteral("停止正在进行的计算，已保存的数据保持不变"));
    m_cancel->setEnabled(false);
    m_cancel->setMaximumHeight(20);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_workbench->cancel(); });
    auto* row = new QHBoxLayout;
    row->addWidget(m_progress, 1);
    row->addWidget(m_cancel);
    return row;
}

QWidget* MainWindow::buildButtonPanel()
{
    auto* panel = new QWidget(this);
    // As many buttons to a row as the width allows, all of one width.
    auto* flow = new FlowLayout(panel, 4);
    flow->setUniformWidths(true);
    for (const ButtonEntry& entry : kButtons) {
        auto* button = new QPushButton(QString::fromUtf8(entry.caption), panel);
        button->setObjectName(QString::fromLatin1(entry.name));
        flow->addWidget(button);
        if (!staysUsable(entry.name))
            m_dataWidgets.push_back(button);
    }
    button("Command21")->setToolTip(QStringLiteral("从官方服务器更新历史号码"));
    connectButtons();
    return panel;
}

void MainWindow::connectButtons()
{
    auto clicked = [this](const char* name, std::function<void()> run) {
        connect(button(name), &QPushButton::clicked, this, [this, run = std::move(run)] { guarded(run); });
    };
    clicked("Command8", [this] { m_workbench->selectListed(); });
    clicked("Command5", [this] { m_workbench->invertListed(); });
    clicked("Command2", [this] { clearAllFormulas(); });
    clicked("Command9", [this] {
        auto* settings = button("Command9");
        m_setupMenu->popup(settings->mapToGlobal(QPoint(0, settings->height())));
    });
    for (const char* help : {"Command18", "Command139", "Command6"})
        clicked(help, [this] { openManual(); });
    const std::pair<const char*, Command> kCommands[] = {
        {"Command23", Command::Calculate},
        {"Command12", Command::BackTest},
        {"cmdTrend", Command::Trend},
        {"Command7", Command::Filter},
        {"Command22", Command::Search},
        {"Command11", Command::ExportAllChinese},
        {"Command20", Command::ExportTableChinese},
        {"Command10", Command::ImportFormulas},
        {"cmdGsgx", Command::OnlineFormulas},
        {"cmdDcexl", Command::ExportExcel},
        {"cmdLsdcTxt", Command::ExportHistoryText},
        {"Command3", Command::DeleteLastDraw},
        {"Command21", Command::OnlineHistory},
    };
    for (const auto& [name, command] : kCommands)
        connectCommand(name, command);
}

void MainWindow::connectCommand(const char* name, Command command)
{
    auto* target = button(name);
    connect(target, &QPushButton::clicked, this, [this, target, command] { runHook(command, target->text()); });
}

QPushButton* MainWindow::button(const char* name) const { return findChild<QPushButton*>(QString::fromLatin1(name)); }
