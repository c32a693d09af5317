#pragma once

#include "scoring/FormulaKind.h"
#include "search/SearchOptions.h"

#include <QGroupBox>
#include <array>

class QGridLayout;
class QLayout;
class QLineEdit;
class QRadioButton;
class QScrollBar;

// "玩法选择" of the search window: direct or group, kill or keep, the position,
// the text form of found formulas, the tail constant and the operand count.
class SearchKindBox : public QGroupBox {
    Q_OBJECT
public:
    explicit SearchKindBox(QWidget* parent);

    int position() const;
    bool group() const;
    bool kill() const;
    FormulaKind kind() const { return FormulaKind(position(), group()); }
    void select(FormulaKind kind);
    // The shape of the candidates: operand count, tail constant, text form.
    SearchOptions options() const;

    std::array<QRadioButton*, 2> opTDG{};
    std::array<QRadioButton*, 2> option2{};
    std::array<QRadioButton*, 6> optXing{}; // 1..5
    std::array<QRadioButton*, 2> option6{};
    std::array<QRadioButton*, 2> option5{};
    QLineEdit* text6 = nullptr;
    QScrollBar* hScroll1 = nullptr;
    QLineEdit* text2 = nullptr;

private:
    QLayout* buildPositionRow();
    void buildFormRows(QGridLayout* grid);
};
