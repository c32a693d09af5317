#pragma once

#include "scoring/FormulaKind.h"
#include "scoring/StatisticBounds.h"

#include <array>

// The per-kind default acceptance bounds, held in single precision as the
// settings store keeps them. Group 第一 judges exactly like direct 第一 and
// shares its bounds.
class DefaultBounds {
public:
    // The product's built-in table.
    static DefaultBounds builtIn();

    StatisticBounds bounds(FormulaKind kind, bool kill) const;
    void setBounds(FormulaKind kind, bool kill, const StatisticBounds& bounds);

private:
    using Row = std::array<float, StatisticBounds::kCount>;
    // Group 第一 is held in direct 第一's row.
    static size_t slot(FormulaKind kind) { return static_cast<size_t>(kind.judgedLike().searchIndex()); }
    // [search index of the kind judged like][kill ? 0 : 1]; index 0 unused.
    std::array<std::array<Row, 2>, FormulaKind::kCount + 1> m_rows{};
};
