#pragma once

#include "search/SearchPlan.h"

#include <QGroupBox>
#include <array>

class PlanSearch;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// "搜索方案" of the search window: a count per kind with the formulas stored of
// it, the plan's mode, the store at its end, the total and the plan's buttons.
class SearchPlanBox : public QGroupBox {
    Q_OBJECT
public:
    explicit SearchPlanBox(QWidget* parent);

    // The plan boxes, mode and store box as they stand, for the kill or keep flag.
    SearchPlan plan(bool kill) const;
    void showExisting(const std::array<int, 11>& existing);
    void showTotal(long long total);
    // The kind the plan searches in red, the kinds it finished in blue.
    void colourKinds(const PlanSearch& plan);

    std::array<QLabel*, 11> label4{}; // 1..10
    std::array<QLineEdit*, 11> text5{}; // 1..10
    std::array<QLabel*, 11> label5{}; // 1..10
    std::array<QRadioButton*, 2> option4{};
    std::array<QCheckBox*, 2> chkAutApd{};
    QLabel* planTotal = nullptr;
};
