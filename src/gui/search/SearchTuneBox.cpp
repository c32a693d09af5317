#include "gui/search/SearchTuneBox.h"

#include "gui/search/SearchBoundsBox.h"
#include "gui/search/SearchNames.h"
#include "search/BoundTuner.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using SearchNames::named;

SearchTuneBox::SearchTuneBox(QWidget* parent) : QGroupBox(QStringLiteral("公式参数智能设置"), parent)
{
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("检索范围"), this), 0, 0);
    hScroll2 = named(new QScrollBar(Qt::Horizontal, this), QStringLiteral("HScroll2"));
    hScroll2->setRange(BoundTuner::kMinTrials, BoundTuner::kMaxTrials);
    hScroll2->setSingleStep(BoundTuner::kTrialStep);
    hScroll2->setPageStep(100);
    hScroll2->setValue(BoundTuner::kMinTrials);
    grid->addWidget(hScroll2, 0, 1, 1, 2);
    text7 = named(new QLineEdit(QString::number(BoundTuner::kMinTrials), this), QStringLiteral("Text7"));
    text7->setReadOnly(true);
    text7->setMaximumWidth(SearchBoundsBox::boundWidth(*this));
    grid->addWidget(text7, 0, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->addWidget(named(new QPushButton(QStringLiteral("当前公式类在指定范围内检索最优参数设置"), this),
                          QStringLiteral("Command11")),
                    1, 0, 1, 2);
    grid->addWidget(named(new QPushButton(QStringLiteral("所有公式类在指定范围内检索最优参数设置并保存"), this),
                          QStringLiteral("Command12")),
                    1, 2, 1, 2);
    connect(hScroll2, &QScrollBar::valueChanged, this, [this](int value) {
        // Trials move in steps of 20.
        const int stepped = (value + BoundTuner::kTrialStep / 2) / BoundTuner::kTrialStep * BoundTuner::kTrialStep;
        if (stepped != value) {
            hScroll2->setValue(stepped);
            return;
        }
        text7->setText(QString::number(value));
    });
}

int SearchTuneBox::trials() const { return hScroll2->value(); }
