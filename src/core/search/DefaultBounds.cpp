#include "search/DefaultBounds.h"

DefaultBounds DefaultBounds::builtIn()
{
    const Row directKill{93.8f, 100, 0, 1, 48, 32768, 0, 0, 32, 32768};
    const Row directKeep{12, 100, 0, 32, 2, 32768, 0, 0, 1, 32768};
    // Group 第二 .. 第五.
    const std::array<Row, 4> groupKill{{{86, 100, 0, 2, 24, 32768, 0, 0, 16, 32768},
                                        {78, 100, 0, 3, 18, 32768, 0, 0, 10, 32768},
                                        {70, 100, 0, 5, 14, 32768, 0, 0, 4, 32768},
                                        {60, 100, 0, 6, 12, 32768, 0, 0, 4, 32768}}};
    const std::array<Row, 4> groupKeep{{{20, 100, 0, 24, 4, 32768, 0, 0, 1, 32768},
                                        {30, 100, 0, 16, 6, 32768, 0, 0, 2, 32768},
                                        {38, 100, 0, 10, 8, 32768, 0, 0, 2, 32768},
                                        {38, 100, 0, 8, 10, 32768, 0, 0, 3, 32768}}};
    DefaultBounds table;
    for (const FormulaKind& kind : FormulaKind::all()) {
        if (!kind.isSearched())
            continue;
        std::array<Row, 2>& rows = table.m_rows[slot(kind)];
        if (kind.group()) {
            const auto second = static_cast<size_t>(kind.position() - 2);
            rows = {groupKill[second], groupKeep[second]};
        } else {
            rows = {directKill, directKeep};
        }
    }
    return table;
}

StatisticBounds DefaultBounds::bounds(FormulaKind kind, bool kill) const
{
    std::array<double, StatisticBounds::kCount> values{};
    const Row& stored = m_rows[slot(kind)][kill ? 0 : 1];
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = stored[i];
    return StatisticBounds(values);
}

void DefaultBounds::setBounds(FormulaKind kind, bool kill, const StatisticBounds& bounds)
{
    Row& stored = m_rows[slot(kind)][kill ? 0 : 1];
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i] = static_cast<float>(bounds.values()[i]);
}
