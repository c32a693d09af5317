#include "search/DefaultBounds.h"

#include "common/UserError.h"

DefaultBounds DefaultBounds::builtIn()
{
    using Row = std::array<float, SearchBounds::kCount>;
    const Row directKill{93.8f, 100, 0, 1, 48, 32768, 0, 0, 32, 32768};
    const Row directKeep{12, 100, 0, 32, 2, 32768, 0, 0, 1, 32768};
    const std::array<Row, 4> groupKill{{{86, 100, 0, 2, 24, 32768, 0, 0, 16, 32768},
                                        {78, 100, 0, 3, 18, 32768, 0, 0, 10, 32768},
                                        {70, 100, 0, 5, 14, 32768, 0, 0, 4, 32768},
                                        {60, 100, 0, 6, 12, 32768, 0, 0, 4, 32768}}};
    const std::array<Row, 4> groupKeep{{{20, 100, 0, 24, 4, 32768, 0, 0, 1, 32768},
                                        {30, 100, 0, 16, 6, 32768, 0, 0, 2, 32768},
                                        {38, 100, 0, 10, 8, 32768, 0, 0, 2, 32768},
                                        {38, 100, 0, 8, 10, 32768, 0, 0, 3, 32768}}};
    DefaultBounds table;
    for (int kind = 1; kind <= 5; ++kind)
        table.m_rows[static_cast<size_t>(kind)] = {directKill, directKeep};
    table.m_rows[6] = table.m_rows[1];
    for (int kind = 7; kind <= 10; ++kind)
        table.m_rows[static_cast<size_t>(kind)] = {groupKill[static_cast<size_t>(kind - 7)],
                                                   groupKeep[static_cast<size_t>(kind - 7)]};
    return table;
}

SearchBounds DefaultBounds::bounds(int kind, bool kill) const
{
    if (kind < 1 || kind > kKinds)
        throw UserError(QStringLiteral("公式搜索"), QStringLiteral("公式种类必须在1到10之间"), false);
    std::array<double, SearchBounds::kCount> values{};
    const Row& row = m_rows[static_cast<size_t>(storedKind(kind))][kill ? 0 : 1];
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = row[i];
    return SearchBounds(values);
}

void DefaultBounds::setBounds(int kind, bool kill, const SearchBounds& bounds)
{
    if (kind < 1 || kind > kKinds)
        throw UserError(QStringLiteral("公式搜索"), QStringLiteral("公式种类必须在1到10之间"), false);
    Row& row = m_rows[static_cast<size_t>(storedKind(kind))][kill ? 0 : 1];
    for (size_t i = 0; i < row.size(); ++i)
        row[i] = static_cast<float>(bounds.values()[i]);
}
