#pragma once

#include <QGroupBox>
#include <QStringList>
#include <array>

class QCheckBox;
class QLineEdit;
struct FormulaStatistics;

// "公式参数设置" of the search window: the acceptance bounds (a lower and an upper
// box per statistic), the current candidate's statistics, the target count and
// 自动中止.
class SearchBoundsBox : public QGroupBox {
    Q_OBJECT
public:
    explicit SearchBoundsBox(QWidget* parent);

    // Wide enough for "32768" and a rate such as "93.8000".
    static int boundWidth(const QWidget& widget);

    // The bound boxes' texts, lower and upper of each statistic in turn.
    QStringList texts() const;
    void showBounds(const QStringList& texts);
    void showStatistics(const FormulaStatistics& s);
    QLineEdit* target() const { return text1[15]; }

    // 0..9 the bounds, 10..14 the current statistics, 15 the target count.
    std::array<QLineEdit*, 16> text1{};
    QCheckBox* check1 = nullptr;
};
