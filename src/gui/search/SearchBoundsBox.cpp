#include "gui/search/SearchBoundsBox.h"

#include "gui/search/SearchNames.h"
#include "scoring/FormulaStatistics.h"
#include "scoring/StatisticBounds.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using SearchNames::arrayName;
using SearchNames::named;

SearchBoundsBox::SearchBoundsBox(QWidget* parent) : QGroupBox(QStringLiteral("公式参数设置"), parent)
{
    auto* grid = new QGridLayout(this);
    const QStringList statisticNames{QStringLiteral("正确率"), QStringLiteral("最大连错"), QStringLiteral("最大连对"),
                                     QStringLiteral("最后连错"), QStringLiteral("最后连对")};
    grid->addWidget(new QLabel(QStringLiteral("下限"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("上限"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("当前公式"), this), 0, 3);
    for (int i = 0; i < 16; ++i) {
        text1[static_cast<size_t>(i)] = named(new QLineEdit(this), arrayName("Text1", i));
        text1[static_cast<size_t>(i)]->setFixedWidth(boundWidth(*this));
    }
    for (int s = 0; s < 5; ++s) {
        grid->addWidget(new QLabel(statisticNames[s], this), s + 1, 0);
        grid->addWidget(text1[static_cast<size_t>(2 * s)], s + 1, 1);
        grid->addWidget(text1[static_cast<size_t>(2 * s + 1)], s + 1, 2);
        text1[static_cast<size_t>(10 + s)]->setReadOnly(true);
        grid->addWidget(text1[static_cast<size_t>(10 + s)], s + 1, 3);
    }
    text1[15]->setText(QStringLiteral("100"));
    check1 = named(new QCheckBox(QStringLiteral("自动中止"), this), QStringLiteral("Check1"));
    grid->addWidget(new QLabel(QStringLiteral("目标数量"), this), 6, 0);
    grid->addWidget(text1[15], 6, 1);
    grid->addWidget(check1, 6, 2);
    grid->addWidget(named(new QPushButton(QStringLiteral("保存当前种类参数设置"), this), QStringLiteral("Command8")), 7,
                    0, 1, 4);
}

int SearchBoundsBox::boundWidth(const QWidget& widget)
{
    return widget.fontMetrics().horizontalAdvance(QStringLiteral("32768.0000")) + 12;
}

QStringList SearchBoundsBox::texts() const
{
    QStringList texts;
    for (int i = 0; i < StatisticBounds::kCount; ++i)
        texts << text1[static_cast<size_t>(i)]->text();
    return texts;
}

void SearchBoundsBox::showBounds(const QStringList& texts)
{
    for (int i = 0; i < StatisticBounds::kCount && i < texts.size(); ++i)
        text1[static_cast<size_t>(i)]->setText(texts[i]);
}

void SearchBoundsBox::showStatistics(const FormulaStatistics& s)
{
    const std::array<QString, 5> shown{QString::number(s.rate, 'f', 4), QString::number(s.longestMissRun),
                                       QString::number(s.longestHitRun), QString::number(s.lastMissRun),
                                       QString::number(s.lastHitRun)};
    for (int i = 0; i < 5; ++i)
        text1[static_cast<size_t>(10 + i)]->setText(shown[static_cast<size_t>(i)]);
}
