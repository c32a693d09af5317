#pragma once

#include "analysis/CalculationResult.h"

#include <QDialog>

// frmXxlb: the formulas used by the last calculation, with their value on the
// reference draw and the number they named; formulas that could not be read follow.
class DetailListWindow : public QDialog {
    Q_OBJECT
public:
    explicit DetailListWindow(const CalculationResult& result, QWidget* parent = nullptr);
};
