#pragma once

#include <QGroupBox>

class QLineEdit;
class QScrollBar;

// "公式参数智能设置" of the search window: how many candidates tuning tries (in
// steps of BoundTuner::kTrialStep) and its two buttons.
class SearchTuneBox : public QGroupBox {
    Q_OBJECT
public:
    explicit SearchTuneBox(QWidget* parent);

    int trials() const;

    QScrollBar* hScroll2 = nullptr;
    QLineEdit* text7 = nullptr;
};
