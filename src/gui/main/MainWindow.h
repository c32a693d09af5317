#pragma once

#include "common/AppSettings.h"
#include "common/LotteryTable.h"
#include "formula/FormulaSelection.h"
#include "formula/FormulaTarget.h"
#include "formula/TableScorer.h"
#include "scoring/FormulaStatistics.h"

#include <QDate>
#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class AttributeHelpWindow;
class Database;
class DrawEntryWidget;
class FormulaTableModel;
class HistorySnapshot;
class HistoryTableModel;
class QAction;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSettings;
class QTabBar;
class QTableView;
class UserPrompts;
class WheelRouter;
class Workbench;
struct FormulaResultColumn;

// frmMain: the workbench window. It shows the formula list of the chosen position,
// kind and kill/keep flag, the draw history, the draw entry boxes and the settings
// menus. The Workbench holds the state and runs the work; this window builds the
// widgets, hands each command to the Workbench and shows what it reports.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Commands whose windows live elsewhere; the application connects them.
    enum class Command {
        Calculate, // Command23 "计算公式(&C)"
        BackTest, // Command12
        Filter, // Command7
        Search, // Command22
        ExportAllChinese, // Command11
        ExportTableChinese, // Command20
        ImportFormulas, // Command10
        OnlineFormulas, // cmdGsgx
        ExportExcel, // cmdDcexl: the history grid
        ExportFormulaGrid, // mnuExl: the formula grid
        ExportHistoryText, // cmdLsdcTxt
        DeleteLastDraw, // Command3
        OnlineHistory, // Command21
        ExportHistory, // mnuDcls
        DeleteAllHistory, // mnuDlAll
        DeleteToIssue, // mnuDlzd
        DeleteLastDraws, // mnuEszhzd
        ImportHistory, // mnuDrls
        HistoryPageAddress, // mnuLsUrl
        Trend, // cmdTrend, mnuTrend "走势图"
    };
    using Hook = std::function<void(MainWindow&)>;

    // `database` may be null (missing or refused file): the window still opens.
    MainWindow(std::unique_ptr<Database> database, QSettings& store, UserPrompts& prompts, std::function<QDate()> today,
               QWidget* parent = nullptr);
    // Stops the running work and waits for it before the widgets go.
    ~MainWindow() override;

    void setHook(Command command, Hook hook);

    Workbench& workbench() { return *m_workbench; }
    // What the connected windows read.
    Database* database() const;
    AppSettings& settings();
    UserPrompts& prompts() { return m_prompts; }
    const LotteryTable::Entry& lottery() const;
    std::shared_ptr<const HistorySnapshot> history() const;
    int currentPosition() const;
    bool currentGroup() const;
    bool shownKill() const;
    QString currentTable() const;
    QString currentLabel() const;
    FormulaSelection& selection(); // the shown table's
    const std::vector<ScoredFormula>& listedFormulas() const;
    ScoringWindow scoringWindow() const;
    ScoringRule scoringRule() const;
    bool verifyHistory() const; // "验证历史结果" chosen
    QString verifyIssue() const; // Text3
    QString manualPath() const;
    QString lastOpenedDocument() const { return m_lastOpened; }
    QDate today() const;
    // Opens a file with the desktop's program (unless VELMORA_NO_OPEN=1) and
    // remembers it as lastOpenedDocument(). When no program can show it, the
    // user is told where the file is (under `title`); returns false then.
    bool openDocument(const QString& path, const QString& title = QStringLiteral("打开文件"));
    // Hands a file to the desktop; false when nothing could open it. Tests replace it.
    using DocumentOpener = std::function<bool(const QString& path)>;
    void setDocumentOpener(DocumentOpener opener) { m_opener = std::move(opener); }
    // The first number box gets the focus, at once or as soon as the running work ends.
    void focusDrawEntry();

    // After a connected window changed draws or formulas: AddGongshi, AddHaoma,
    // Yansuan, QihaoXianshi, in this order, as one refresh.
    void reloadAll();
    // The issue in the draw entry box (Text1).
    QString entryIssue() const;

    // The window's routines. Each asks the Workbench for one step; steps asked
    // for one after another run together as one refresh, off this thread.
    void AddGongshi(); // reread the list; every formula of the table selected
    void AddGongshiZhonglei(); // reread the list in idx order; selection kept
    void AddHaoma(); // reload the history grid
    void Yansuan(); // evaluate and score the listed formulas
    void QihaoXianshi(); // propose the next issue (Text1) and show the last (Text3)
    void CompactDb();
    void ArrGs(); // renumber the shown table 1..n and rescore

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Window construction (MainWindowLayout.cpp).
    void buildControls();
    QWidget* buildHistoryPanel();
    QWidget* buildFormulaPanel();
    void buildChoiceFrames(QWidget* panel, QLayout* into);
    QGroupBox* buildTargetFrame(QWidget* panel);
    QGroupBox* buildMethodFrame(QWidget* panel);
    QWidget* buildFormulaList(QWidget* panel);
    QLayout* buildFormulaInput(QWidget* panel);
    QLayout* buildProgressRow(QWidget* panel);
    QWidget* buildButtonPanel();
    void connectButtons();
    void connectCommand(const char* name, Command command);
    QPushButton* button(const char* name) const;
    // Menus (MainWindowMenus.cpp).
    void buildMenus();
    void buildLookBackMenu(QMenu* parent);
    void buildLotteryMenu(QMenu* parent);
    void buildHistoryMenu();
    void buildManageMenu();
    QAction* addAction(QMenu* menu, const QString& name, const QString& caption, bool checkable = false);

    // Load sequence and settings (MainWindowSettings.cpp).
    void load();
    void applySettingsToControls();
    void chooseLottery(int index);
    void chooseLookBack(int index);
    void chooseResultColumn(bool sameDraw);
    void showChanceColumns(bool show);
    void askSearchDays();
    void askDrawsPerDay();
    void restoreDefaults();

    // Draw entry and formula list (MainWindowFormulas.cpp).
    void saveTypedDraw();
    void addTypedFormula();
    void showTarget(const FormulaTarget& target);
    void showTableChoice();
    void formulaClicked(const QModelIndex& index);
    // A double click on a column's cell or heading ranks the list by it ("双击参数列").
    void rankBy(int column);
    void formulaContextMenu(const QPoint& pos);
    void deleteCurrentFormula();
    void deleteFormulas(bool selected);
    void clearAllFormulas();
    void showFormulaDetail();
    void showAttributeHelp();

    // What the Workbench reports (MainWindow.cpp).
    void connectWorkbench();
    void showFormulas(const std::vector<ScoredFormula>& rows);
    void showHistory(const std::shared_ptr<const HistorySnapshot>& history);
    void showScores(const std::vector<ScoredFormula>& rows, const std::vector<FormulaResultColumn>& columns);
    void showBusy(bool busy);
    void showProgress(int done, int total);

    // Shared plumbing (MainWindow.cpp).
    void openManual();
    void runHook(Command command, const QString& caption);
    // Runs a handler; a UserError (or any failure) reaches the user as a message.
    void guarded(const std::function<void()>& handler);
    void sizeHistoryColumns();
    void sizeFormulaColumns();
    void fitFormulaColumn();
    static constexpr int kFormulaColumnWidth = 236; // 公式 at least

    // Goes before the widgets (they are deleted by the base class), after the
    // running work has stopped; the formula model reads it through a QPointer.
    std::unique_ptr<Workbench> m_workbench;
    UserPrompts& m_prompts;
    std::map<Command, Hook> m_hooks;
    bool m_loading = false;
    bool m_focusEntryWhenIdle = false;
    // The next lists shown keep the current formula and the scrolled place (after
    // a deletion, after another program's change) until the work is done.
    bool m_keepPlace = false;
    std::optional<int> m_rankColumn; // the statistic the list is ranked by, once chosen
    QString m_lastOpened;
    DocumentOpener m_opener;

    HistoryTableModel* m_historyModel = nullptr;
    FormulaTableModel* m_formulaModel = nullptr;
    WheelRouter* m_wheel = nullptr;
    QTableView* m_historyGrid = nullptr; // MSFlexGrid1
    QTableView* m_formulaGrid = nullptr; // MSFlexGrid2
    DrawEntryWidget* m_entry = nullptr;
    QLineEdit* m_formulaInput = nullptr; // Text2
    QLineEdit* m_verifyIssue = nullptr; // Text3
    QProgressBar* m_progress = nullptr; // ProgressBar1
    QPushButton* m_cancel = nullptr; // cmdCancelWork
    QCheckBox* m_showResults = nullptr; // Check1
    QTabBar* m_tabs = nullptr; // TabStrip1
    std::array<QRadioButton*, 5> m_position{}; // optXing1..5
    std::array<QRadioButton*, 2> m_kind{}; // opTDG0, opTDG1
    std::array<QRadioButton*, 2> m_killKeep{}; // Option2_0 杀, Option2_1 生
    std::array<QRadioButton*, 2> m_target{}; // Option5_0, Option5_1
    std::array<QRadioButton*, 2> m_method{}; // Option6_0 最优公式法, Option6_1 计算选中公式
    QMenu* m_setupMenu = nullptr; // mnuSetup
    QMenu* m_manageMenu = nullptr; // mnuMang
    std::array<QAction*, 2> m_resultColumn{}; // mnuYsXs0, mnuYsXs1
    std::array<QAction*, 10> m_lookBack{}; // mnuQs0..9
    std::array<QAction*, LotteryTable::kCount> m_lotteries{}; // mnu11S50..27
    QAction* m_excludeCurrent = nullptr; // mnuBuhan
    QAction* m_weighted = nullptr; // mnuZqlJq
    QAction* m_showChance = nullptr; // mnuChance
    // Commands that change stored data or start long work: off while work runs.
    std::vector<QWidget*> m_dataWidgets;
    std::vector<QAction*> m_dataActions;
    AttributeHelpWindow* m_attributeHelp = nullptr;
};
