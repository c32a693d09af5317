#pragma once

#include "formula/FormulaRecord.h"
#include "scoring/FormulaStatistics.h"

#include <QDialog>
#include <memory>

class HistorySnapshot;
class HitStripWidget;
class QScrollArea;

// "查询该公式历史计算式": one formula's code and Chinese forms, its scores and
// chance baseline over the list's window, its hit strip (hit or miss on every
// counted draw, with the rolling rate) and, beside every draw, its value and the
// number it predicted for that draw (green when it came true).
class FormulaDetailDialog : public QDialog {
    Q_OBJECT
public:
    // Raises FormulaError when the code form does not compile.
    FormulaDetailDialog(std::shared_ptr<const HistorySnapshot> history, const FormulaRecord& formula,
                        const ScoringRule& rule, const ScoringWindow& window, QWidget* parent = nullptr);

    const FormulaStatistics& statistics() const { return m_statistics; }
    const HitStripWidget& hitStrip() const { return *m_strip; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    FormulaStatistics m_statistics;
    HitStripWidget* m_strip = nullptr;
    QScrollArea* m_stripScroll = nullptr;
};
