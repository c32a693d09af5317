#pragma once

#include "analysis/TrendClasses.h"
#include "analysis/TrendRange.h"

#include <QDate>
#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class HistorySnapshot;
class OmissionTableModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;
class TrendChartView;

// "走势图": the trend chart of one view (one position, or the whole draw) over
// the chosen draws, with the omission table and its fit to chance under it.
// Modeless; it follows the history it is handed.
class TrendWindow : public QDialog {
    Q_OBJECT
public:
    explicit TrendWindow(QWidget* parent = nullptr);
    ~TrendWindow() override;

    // A new history (or lottery): the chart is rebuilt with the same choices.
    void setHistory(std::shared_ptr<const HistorySnapshot> history, int range, bool longDateIssues = false);
    // Where 今天 and 昨天 are counted from (the system clock unless set).
    void setClock(std::function<QDate()> today);

    // Where 导出到EXCEL writes zoushi.xlsx (the lottery's data folder).
    void setExportFolder(const QString& folder) { m_exportFolder = folder; }
    using MessageSink = std::function<void(const QString& title, const QString& text)>;
    using FileOpener = std::function<bool(const QString& path)>;
    void setMessageSink(MessageSink sink) { m_sink = std::move(sink); }
    void setFileOpener(FileOpener opener) { m_opener = std::move(opener); }
    // Writes the shown chart and table on a worker thread; `done` hears the file written (empty on failure,
    // which the message sink has told).
    void exportSheet(std::function<void(const QString& path)> done = {});

    int chosenPosition() const;
    TrendView chosenView() const;
    // The range choice: the draws or days it counts.
    TrendRange chosenRange() const;
    // The latest N draws of the range choice; 0 for 全部 and for the day choices.
    int chosenWindow() const;
    TrendChartView* chartView() const { return m_chart; }
    const OmissionTableModel* omissionModel() const { return m_model; }

private:
    QWidget* buildChoices();
    void rebuild();

    std::shared_ptr<const HistorySnapshot> m_history;
    int m_range = 11;
    bool m_longDateIssues = false;
    std::function<QDate()> m_today;
    std::array<QRadioButton*, 5> m_positions{}; // optTrendPos1..5
    QComboBox* m_view = nullptr; // cboTrendView
    QComboBox* m_window = nullptr; // cboTrendWindow
    QCheckBox* m_lines = nullptr; // chkTrendLines
    QLabel* m_summary = nullptr; // lblTrendSummary
    QLabel* m_fit = nullptr; // lblTrendFit
    QPushButton* m_export = nullptr; // cmdTrendExport
    QString m_exportFolder;
    MessageSink m_sink;
    FileOpener m_opener;
    TrendChartView* m_chart = nullptr;
    OmissionTableModel* m_model = nullptr;
    QTableView* m_table = nullptr; // OmissionTable
};
