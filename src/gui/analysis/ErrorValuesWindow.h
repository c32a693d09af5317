#pragma once

#include "analysis/CalculationResult.h"
#include "analysis/ErrorValuesTable.h"

#include <QDialog>
#include <functional>
#include <vector>

class Database;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTableWidgetItem;

// frmErrarrLei: the tallies of the last calculation, one tab per shown position,
// each with its ordered list and verdicts, a summary by vote count and a bar chart.
// Shown modeless; prepare() refills it for a new calculation.
class ErrorValuesWindow : public QDialog {
    Q_OBJECT
public:
    using MessageSink = std::function<void(const QString& title, const QString& text)>;
    // Hands a written file to the desktop; false when nothing could open it.
    using FileOpener = std::function<bool(const QString& path)>;

    ErrorValuesWindow(Database& db, const CalculationResult& result, QWidget* parent = nullptr);

    // Rewrites ErrarrLei for each tab (left holding the last one) and rebuilds the tabs.
    void prepare(const CalculationResult& result);
    // Re-sorts a tab's list by a column (1..4), flipping its direction; 0 and 5 only flip.
    void resort(int tab, int column);
    // Command1: writes the shown tab to ErrarrLei.xlsx in the data directory; returns the path.
    QString exportCurrentTab();
    // Warnings, and where an export went (when it is not opened).
    void setMessageSink(MessageSink sink)
    {
        m_sink = sink;
        m_note = std::move(sink);
    }
    // 导出后打开文件: asked at each export; without it exports are opened.
    void setOpenExports(std::function<bool()> wanted) { m_openExports = std::move(wanted); }
    void setFileOpener(FileOpener opener) { m_opener = std::move(opener); }

private:
    struct TabState {
        int position = 0;
        bool reversed = false;
        bool resorted = false; // headings carry "（公式错误值）" after a column re-sort
        ErrorValueColumn column = ErrorValueColumn::Vote;
        QTableWidget* list = nullptr;
    };

    QWidget* buildTab(int index, const std::set<int>& kept, const std::set<int>& shaded);
    void fillList(int index);
    void fillSummary(QTableWidget* grid, int position);
    void markDrawn(QTableWidgetItem* item) const;
    static void sizeColumns(QTableWidget* list);
    void showDetails();

    Database& m_db;
    CalculationResult m_result;
    KeptMarks m_marks;
    std::vector<TabState> m_tabs;
    QLabel* m_verified = nullptr; // the verified issue's numbers
    QTabWidget* m_tabStrip = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_details = nullptr;
    MessageSink m_sink;
    MessageSink m_note;
    std::function<bool()> m_openExports = [] { return true; };
    FileOpener m_opener;
};
