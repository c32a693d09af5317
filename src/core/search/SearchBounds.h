#pragma once

#include "formula/FormulaStatistics.h"

#include <QString>
#include <QStringList>
#include <array>

// The ten acceptance bounds: lower and upper bound of the rate, the longest
// miss run, the longest hit run, the latest miss run and the latest hit run.
class SearchBounds {
public:
    static constexpr int kCount = 10;
    static constexpr double kTolerance = 0.0001;

    SearchBounds() = default;
    explicit SearchBounds(const std::array<double, kCount>& values) : m_values(values) {}
    // Each text through its numeric value: anything that is not a number acts as 0.
    static SearchBounds fromTexts(const QStringList& texts);
    static double numericValue(const QString& text);

    double operator[](int index) const { return m_values[static_cast<size_t>(index)]; }
    const std::array<double, kCount>& values() const { return m_values; }
    QStringList texts() const;

    // lower − 0.0001 ≤ s ≤ upper + 0.0001 for every statistic; the rate in single precision.
    bool accepts(const FormulaStatistics& statistics) const;

private:
    std::array<double, kCount> m_values{};
};
