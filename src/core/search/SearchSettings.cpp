#include "search/SearchSettings.h"

#include "search/CandidateGenerator.h"

#include <QSettings>
#include <algorithm>

namespace {
// Section: the search index − 1 of the kind judged like (group 第一 is kept as direct 第一).
QString boundKey(FormulaKind kind, bool kill, int b)
{
    return QStringLiteral("%1/%2").arg(kind.judgedLike().searchIndex() - 1).arg(kill ? b : b + 10);
}
const QString kOperandKey = QStringLiteral("1/text2");
} // namespace

SearchSettings::SearchSettings(QSettings& store) : m_store(store) {}

DefaultBounds SearchSettings::loadBounds() const
{
    DefaultBounds table = DefaultBounds::builtIn();
    for (const FormulaKind& kind : FormulaKind::all()) {
        if (!kind.isSearched())
            continue;
        for (bool kill : {true, false}) {
            std::array<double, StatisticBounds::kCount> values = table.bounds(kind, kill).values();
            for (int b = 0; b < StatisticBounds::kCount; ++b) {
                const auto stored = StatisticBounds::parse(m_store.value(boundKey(kind, kill, b)).toString());
                if (stored)
                    values[static_cast<size_t>(b)] = *stored;
            }
            table.setBounds(kind, kill, StatisticBounds(values));
        }
    }
    return table;
}

void SearchSettings::saveBounds(FormulaKind kind, bool kill, const StatisticBounds& bounds, DefaultBounds& table)
{
    table.setBounds(kind, kill, bounds);
    const StatisticBounds held = table.bounds(kind, kill);
    const QStringList texts = held.texts();
    for (int b = 0; b < StatisticBounds::kCount; ++b)
        m_store.setValue(boundKey(kind, kill, b), texts[b]);
    m_store.sync();
}

int SearchSettings::operandCount() const
{
    bool ok = false;
    const int value = m_store.value(kOperandKey).toString().trimmed().toInt(&ok);
    if (!ok)
        return kDefaultOperands;
    return std::clamp(value, CandidateGenerator::kMinOperands, CandidateGenerator::kMaxOperands);
}

void SearchSettings::setOperandCount(int operands)
{
    m_store.setValue(kOperandKey, QString::number(operands));
    m_store.sync();
}

QString SearchSettings::planCount(int kind, bool kill) const
{
    return m_store.value(QStringLiteral("SSSZ/") + planKey(kind, kill), QString::number(kDefaultPlanCount)).toString();
}

void SearchSettings::setPlanCount(int kind, bool kill, double count)
{
    m_store.setValue(QStringLiteral("SSSZ/") + planKey(kind, kill), QString::number(count));
    m_store.sync();
}
