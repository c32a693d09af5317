#include "search/SearchBounds.h"

SearchBounds SearchBounds::fromTexts(const QStringList& texts)
{
    std::array<double, kCount> values{};
    for (int i = 0; i < kCount && i < texts.size(); ++i)
        values[static_cast<size_t>(i)] = numericValue(texts[i]);
    return SearchBounds(values);
}

double SearchBounds::numericValue(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? value : 0.0;
}

QStringList SearchBounds::texts() const
{
    QStringList result;
    for (double v : m_values)
        result << QString::number(static_cast<float>(v), 'g', 7);
    return result;
}

bool SearchBounds::accepts(const FormulaStatistics& s) const
{
    const auto within = [this](double value, int lower) {
        return m_values[static_cast<size_t>(lower)] - kTolerance <= value &&
               value <= m_values[static_cast<size_t>(lower + 1)] + kTolerance;
    };
    const float rateLower = static_cast<float>(m_values[0] - kTolerance);
    const float rateUpper = static_cast<float>(m_values[1] + kTolerance);
    return rateLower <= s.rate && s.rate <= rateUpper && within(s.longestMissRun, 2) && within(s.longestHitRun, 4) &&
           within(s.lastMissRun, 6) && within(s.lastHitRun, 8);
}
