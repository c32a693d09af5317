#include "gui/search/HoldOutBox.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <algorithm>

HoldOutBox::HoldOutBox(int drawCount, int defaultDraws, QWidget* parent) : QWidget(parent)
{
    m_enabled = new QCheckBox(QStringLiteral("留出最新期数检验"), this);
    m_enabled->setObjectName(QStringLiteral("chkHoldOut"));
    m_enabled->setToolTip(QStringLiteral("搜索只使用较早的历史；找到的公式再用留出的最新各期检验，"
                                         "看它在没见过的开奖上是否仍然好于随机"));
    m_draws = new QSpinBox(this);
    m_draws->setObjectName(QStringLiteral("txtHoldOut"));
    m_draws->setRange(1, std::max(drawCount - 2, 1));
    m_draws->setValue(std::max(defaultDraws, 1));
    m_draws->setSuffix(QStringLiteral(" 期"));
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblHoldOut"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const bool possible = defaultDraws > 0;
    m_enabled->setEnabled(possible);
    m_draws->setEnabled(false);
    connect(m_enabled, &QCheckBox::toggled, m_draws, &QSpinBox::setEnabled);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_enabled);
    row->addWidget(m_draws);
    row->addWidget(m_summary, 1);
}

int HoldOutBox::heldOut() const { return m_enabled->isChecked() ? m_draws->value() : 0; }

void HoldOutBox::showSummary(const HoldOutSummary& summary) { m_summary->setText(summaryText(summary)); }

QString HoldOutBox::summaryText(const HoldOutSummary& s)
{
    if (s.heldOut <= 0 || s.count == 0)
        return {};
    return QStringLiteral("%1 条公式：样本内平均正确率 %2%，留出 %3 期平均正确率 %4%，随机期望 %5%")
        .arg(s.count)
        .arg(s.inSampleRate, 0, 'f', 4)
        .arg(s.heldOut)
        .arg(s.heldOutRate, 0, 'f', 4)
        .arg(s.chanceRate, 0, 'f', 4);
}

QString HoldOutBox::itemText(const FoundFormula& f)
{
    if (!f.heldOut || !f.heldOut->hasChance())
        return f.text;
    // The figures first, so they line up down the list whatever the formula's length.
    return QStringLiteral("样本内 %1%　留出 %2%　Z %3　　%4")
        .arg(static_cast<double>(f.statistics.rate), 0, 'f', 2)
        .arg(static_cast<double>(f.heldOut->rate), 0, 'f', 2)
        .arg(QString::asprintf("%+.2f", f.heldOut->z))
        .arg(f.text);
}
