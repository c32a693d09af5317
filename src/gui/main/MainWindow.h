#pragma once

#include "common/AppSettings.h"
#include "common/LotteryTable.h"
#include "formula/FormulaSelection.h"
#include "formula/FormulaStatistics.h"
#include "formula/TableScorer.h"

#include <QDate>
#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class AttributeHelpWindow;
class Database;
class DrawEntryWidget;
class FormulaTableModel;
class HistorySnapshot;
class HistoryTableModel;
class QAction;
class QActionGroup;
class QCheckBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QRadioButton;
class QSettings;
class QTabBar;
class QTableView;
class UserPrompts;
class WheelRouter;

// frmMain: the workbench window. It shows the formula list of the chosen position,
// kind and kill/keep flag, the draw history, the draw entry boxes and the settings
// menus, and hands every piece of real work to the engine.
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
    };
    using Hook = std::function<void(MainWindow&)>;

    // `database` may be null (missing or refused file): the window still opens.
    MainWindow(std::unique_ptr<Database> database, QSettings& store, UserPrompts& prompts, std::function<QDate()> today,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    void setHook(Command command, Hook hook);

    // What the connected windows read.
    Database* database() const { return m_database.get(); }
    AppSettings& settings() { return m_settings; }
    UserPrompts& prompts() { return m_prompts; }
    const LotteryTable::Entry& lottery() const { return m_lottery; }
    std::shared_ptr<const HistorySnapshot> history() const { return m_history; }
    int currentPosition() const;
    bool currentGroup() const;
    bool shownKill() const;
    QString currentTable() const;
    QString currentLabel() const;
    FormulaSelection& selection() { return m_selection; }
    // Repaints the list after a connected window changed the selection.
    void showSelection();
    const std::vector<ScoredFormula>& listedFormulas() const;
    ScoringWindow scoringWindow() const;
    ScoringRule scoringRule() const;
    bool verifyHistory() const; // "验证历史结果" chosen
    QString verifyIssue() const; // Text3
    QString manualPath() const;
    QString lastOpenedDocument() const { return m_lastOpened; }
    bool historyChanged() const { return m_historyChanged; }
    QDate today() const { return m_today(); }
    // True while runBusy() is working; the database must then be left alone.
    bool isBusy() const { return m_busy; }
    // Opens a written file with the desktop's program (unless VELMORA_NO_OPEN=1)
    // and remembers it as lastOpenedDocument().
    void openDocument(const QString& path);

    // After a connected window changed draws or formulas: AddGongshi, AddHaoma,
    // Yansuan, QihaoXianshi, in this order.
    void reloadAll();
    // Runs `work` off the window's thread while ProgressBar1 runs and the window
    // keeps painting; exceptions come back here. `work` must not touch widgets.
    void runBusy(const std::function<void()>& work);
    // ProgressBar1 shows `done` of `total`; safe to call from the work of runBusy.
    void reportProgress(int done, int total);
    // The issue in the draw entry box (Text1).
    QString entryIssue() const;

    // The window's routines, each a call into the engine.
    void AddGongshi(); // reread the list; every formula selected
    void AddGongshiZhonglei(); // reread the list; selection kept
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
    void buildMenus();
    QWidget* buildHistoryPanel();
    QWidget* buildFormulaPanel();
    QWidget* buildButtonPanel();
    QAction* addAction(QMenu* menu, const QString& name, const QString& caption, bool checkable = false);
    void connectCommand(const char* name, Command command);

    // Load sequence and settings (MainWindowSettings.cpp).
    void load();
    void applySettingsToControls();
    void chooseLottery(int index);
    void chooseLookBack(int index);
    void chooseResultColumn(bool sameDraw);
    void askSearchDays();
    void restoreDefaults();

    // Draw entry and formula list (MainWindowFormulas.cpp).
    void saveTypedDraw();
    void addTypedFormula();
    void showTableChoice();
    void formulaClicked(const QModelIndex& index);
    void formulaDoubleClicked(const QModelIndex& index);
    void formulaContextMenu(const QPoint& pos);
    void deleteCurrentFormula();
    void deleteLastFormula();
    void deleteFormulas(bool selected);
    void deleteOne(int idx);
    void clearAllFormulas();
    void selectAllFormulas();
    void invertSelection();
    void showFormulaDetail();
    void showAttributeHelp();

    // Shared plumbing (MainWindow.cpp).
    void openManual();
    void runHook(Command command, const QString& caption);
    Database& requireDatabase() const;
    // Runs a handler; a UserError (or any failure) reaches the user as a message.
    void guarded(const std::function<void()>& handler);
    void refreshFormulaModel(std::vector<ScoredFormula> rows);
    void sizeHistoryColumns();

    std::unique_ptr<Database> m_database;
    AppSettings m_settings;
    UserPrompts& m_prompts;
    std::function<QDate()> m_today;
    LotteryTable::Entry m_lottery;
    std::shared_ptr<const HistorySnapshot> m_history;
    FormulaSelection m_selection;
    std::map<Command, Hook> m_hooks;
    bool m_historyChanged = false;
    bool m_busy = false;
    bool m_loading = false;
    QString m_lastOpened;

    HistoryTableModel* m_historyModel = nullptr;
    FormulaTableModel* m_formulaModel = nullptr;
    WheelRouter* m_wheel = nullptr;
    QTableView* m_historyGrid = nullptr; // MSFlexGrid1
    QTableView* m_formulaGrid = nullptr; // MSFlexGrid2
    DrawEntryWidget* m_entry = nullptr;
    QLineEdit* m_formulaInput = nullptr; // Text2
    QLineEdit* m_verifyIssue = nullptr; // Text3
    QProgressBar* m_progress = nullptr; // ProgressBar1
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
    AttributeHelpWindow* m_attributeHelp = nullptr;
};
