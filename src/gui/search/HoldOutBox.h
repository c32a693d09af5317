#pragma once

#include "search/FoundFormula.h"
#include "search/HoldOut.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QSpinBox;

// The walk-forward check of the search window: "留出最新期数检验" with the number
// of newest draws held out (20% of the window to begin with), and the summary
// line of the found list once held-out figures are in.
class HoldOutBox : public QWidget {
    Q_OBJECT
public:
    // drawCount: the whole history; defaultDraws: HoldOut::defaultDraws (0 when
    // the history is too short to hold anything out, which disables the box).
    HoldOutBox(int drawCount, int defaultDraws, QWidget* parent = nullptr);

    // The draws to hold out: 0 when the box is not ticked.
    int heldOut() const;
    void showSummary(const HoldOutSummary& summary);
    // The found list's line: the formula, and with held-out figures its in-sample
    // rate, held-out rate and z.
    static QString itemText(const FoundFormula& found);
    static QString summaryText(const HoldOutSummary& summary);

private:
    QCheckBox* m_enabled = nullptr;
    QSpinBox* m_draws = nullptr;
    QLabel* m_summary = nullptr;
};
