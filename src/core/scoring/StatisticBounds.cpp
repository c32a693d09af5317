#include "scoring/StatisticBounds.h"

#include <algorithm>
#include <cmath>

StatisticBounds StatisticBounds::fromTexts(const QStringList& texts)
{
    std::array<double, kCount> values{};
    for (int i = 0; i < kCount && i < texts.size(); ++i)
        values[static_cast<size_t>(i)] = numericValue(texts[i]);
    return StatisticBounds(values);
}

double StatisticBounds::numericValue(const QString& text) { return parse(text).value_or(0.0); }

std::optional<double> StatisticBounds::parse(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    // "nan" and "inf" read as numbers to Qt; here they are text like any other.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return std::clamp(value, -kLargest, kLargest);
}

QStringList StatisticBounds::texts() const
{
    QStringList result;
    for (double v : m_values)
        result << QString::number(static_cast<float>(std::clamp(v, -kLargest, kLargest)), 'g', 7);
    return result;
}

bool StatisticBounds::accepts(const FormulaStatistics& s) const
{
    // The rate is a single-precision value: the widened bounds are rounded the same way.
    const float rateLower = static_cast<float>(lower(StatisticKey::Rate) - kTolerance);
    const float rateUpper = static_cast<float>(upper(StatisticKey::Rate) + kTolerance);
    if (!(rateLower <= s.rate && s.rate <= rateUpper))
        return false;
    for (StatisticKey key : kStatisticKeys) {
        if (key == StatisticKey::Rate)
            continue;
        const double v = s.value(key);
        if (!(lower(key) - kTolerance <= v && v <= upper(key) + kTolerance))
            return false;
    }
    return true;
}
