#pragma once

#include "scoring/FormulaStatistics.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Lower and upper bound of each of the five statistics, as the filter dialog
// and the search window hold them in their ten boxes: rate, longest miss run,
// longest hit run, latest miss run, latest hit run; lower at 2k, upper at 2k+1.
// A statistic passes when lower − 0.0001 ≤ s ≤ upper + 0.0001; the rate is
// compared in single precision, as it is stored, so a bound written from a
// formula's own rate keeps that formula.
class StatisticBounds {
public:
    static constexpr int kCount = 10;
    static constexpr double kTolerance = 0.0001;

    StatisticBounds() = default;
    explicit StatisticBounds(const std::array<double, kCount>& values) : m_values(values) {}
    // No statistic comes near this; a larger typed or stored bound is held here.
    static constexpr double kLargest = 1.0e9;

    // Each text through its numeric value: anything that is not a number ("nan" included) acts as 0.
    static StatisticBounds fromTexts(const QStringList& texts);
    static double numericValue(const QString& text);
    // A finite number (held within ±kLargest), or nothing: "nan", "inf" and
    // overflowing texts are not numbers.
    static std::optional<double> parse(const QString& text);

    double operator[](int index) const { return m_values[static_cast<size_t>(index)]; }
    const std::array<double, kCount>& values() const { return m_values; }
    void set(int index, double value) { m_values[static_cast<size_t>(index)] = value; }
    static int lowerIndex(StatisticKey key) { return 2 * static_cast<int>(key); }
    double lower(StatisticKey key) const { return (*this)[lowerIndex(key)]; }
    double upper(StatisticKey key) const { return (*this)[lowerIndex(key) + 1]; }
    void setLower(StatisticKey key, double value) { set(lowerIndex(key), value); }
    void setUpper(StatisticKey key, double value) { set(lowerIndex(key) + 1, value); }
    // Every value with single-precision digits, as the search's boxes and settings hold them.
    QStringList texts() const;

    bool accepts(const FormulaStatistics& statistics) const;

private:
    std::array<double, kCount> m_values{};
};
