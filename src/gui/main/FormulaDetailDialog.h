#pragma once

#include "formula/FormulaRecord.h"
#include "formula/FormulaStatistics.h"

#include <QDialog>
#include <memory>

class HistorySnapshot;

// "查询该公式历史计算式": one formula's code and Chinese forms, and beside every
// draw its value and the number it predicted for that draw (green when it came true).
class FormulaDetailDialog : public QDialog {
    Q_OBJECT
public:
    // Raises FormulaError when the code form does not compile.
    FormulaDetailDialog(std::shared_ptr<const HistorySnapshot> history, const FormulaRecord& formula,
                        const ScoringRule& rule, QWidget* parent = nullptr);
};
