#include "analysis/FormulaFilter.h"

#include <QRegularExpression>
#include <algorithm>

StatisticBounds FormulaFilter::prefill(const std::vector<FormulaRecord>& formulas, const std::set<int>& selected)
{
    StatisticBounds bounds({100, 0, 32767, 0, 32767, 0, 32767, 0, 32767, 0});
    for (const FormulaRecord& f : formulas) {
        if (!selected.contains(f.idx))
            continue;
        for (StatisticKey key : kStatisticKeys) {
            const double v = f.statistics.value(key);
            bounds.setLower(key, std::min(bounds.lower(key), v));
            bounds.setUpper(key, std::max(bounds.upper(key), v));
        }
    }
    return bounds;
}

std::set<int> FormulaFilter::apply(const std::vector<FormulaRecord>& formulas, const std::set<int>& selected,
                                   const StatisticBounds& bounds)
{
    std::set<int> kept;
    for (const FormulaRecord& f : formulas)
        if (selected.contains(f.idx) && bounds.accepts(f.statistics))
            kept.insert(f.idx);
    return kept;
}

double FormulaFilter::leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?))"));
    const auto match = number.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}

QString FormulaFilter::boundText(int box, double value)
{
    if (box < 2)
        return QString::number(static_cast<double>(static_cast<float>(value)), 'g', 7);
    return QString::number(static_cast<long long>(value));
}
