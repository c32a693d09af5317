#include "search/SearchSettings.h"

#include "search/CandidateGenerator.h"

#include <QSettings>
#include <algorithm>

namespace {
QString boundKey(int kind, bool kill, int b)
{
    return QStringLiteral("%1/%2").arg(DefaultBounds::storedKind(kind) - 1).arg(kill ? b : b + 10);
}
const QString kOperandKey = QStringLiteral("1/text2");
} // namespace

SearchSettings::SearchSettings(QSettings& store) : m_store(store) {}

DefaultBounds SearchSettings::loadBounds() const
{
    DefaultBounds table = DefaultBounds::builtIn();
    for (int kind = 1; kind <= DefaultBounds::kKinds; ++kind) {
        if (kind == 6)
            continue;
        for (bool kill : {true, false}) {
            std::array<double, SearchBounds::kCount> values = table.bounds(kind, kill).values();
            for (int b = 0; b < SearchBounds::kCount; ++b) {
                bool ok = false;
                const double stored = m_store.value(boundKey(kind, kill, b)).toString().trimmed().toDouble(&ok);
                if (ok)
                    values[static_cast<size_t>(b)] = stored;
            }
            table.setBounds(kind, kill, SearchBounds(values));
        }
    }
    return table;
}

void SearchSettings::saveBounds(int kind, bool kill, const SearchBounds& bounds, DefaultBounds& table)
{
    table.setBounds(kind, kill, bounds);
    const SearchBounds held = table.bounds(kind, kill);
    const QStringList texts = held.texts();
    for (int b = 0; b < SearchBounds::kCount; ++b)
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
