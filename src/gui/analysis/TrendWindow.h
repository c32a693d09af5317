#pragma once

#include "analysis/TrendClasses.h"

#include <QDialog>
#include <array>
#include <memory>

class HistorySnapshot;
class OmissionTableModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QTableView;
class TrendChartView;

// "走势图": the trend chart of one position over the latest draws, with the
// omission table under it. Modeless; it follows the history it is handed.
class TrendWindow : public QDialog {
    Q_OBJECT
public:
    // The window choices of the omission table: 0 = every draw.
    static constexpr std::array<int, 5> kWindows{0, 100, 200, 500, 1000};

    explicit TrendWindow(QWidget* parent = nullptr);
    ~TrendWindow() override;

    // A new history (or lottery): the chart is rebuilt with the same choices.
    void setHistory(std::shared_ptr<const HistorySnapshot> history, int range);

    int chosenPosition() const;
    TrendView chosenView() const;
    int chosenWindow() const;
    TrendChartView* chartView() const { return m_chart; }
    const OmissionTableModel* omissionModel() const { return m_model; }

private:
    QWidget* buildChoices();
    void rebuild();

    std::shared_ptr<const HistorySnapshot> m_history;
    int m_range = 11;
    std::array<QRadioButton*, 5> m_positions{}; // optTrendPos1..5
    std::array<QRadioButton*, 4> m_views{}; // optTrendView0..3
    QComboBox* m_window = nullptr; // cboTrendWindow
    QCheckBox* m_lines = nullptr; // chkTrendLines
    QLabel* m_summary = nullptr; // lblTrendSummary
    TrendChartView* m_chart = nullptr;
    OmissionTableModel* m_model = nullptr;
    QTableView* m_table = nullptr; // OmissionTable
};
