#pragma once

#include "search/SearchBounds.h"

#include <array>

// The per-kind default acceptance bounds, held in single precision as the
// settings store keeps them. Kinds 1..5 are direct 第一..第五, 7..10 group
// 第二..第五; kind 6 (group 第一) judges exactly like kind 1 and shares its row.
class DefaultBounds {
public:
    static constexpr int kKinds = 10;

    // The product's built-in table.
    static DefaultBounds builtIn();

    SearchBounds bounds(int kind, bool kill) const;
    void setBounds(int kind, bool kill, const SearchBounds& bounds);

    static int storedKind(int kind) { return kind == 6 ? 1 : kind; }

private:
    using Row = std::array<float, SearchBounds::kCount>;
    std::array<std::array<Row, 2>, kKinds + 1> m_rows{}; // [kind][kill ? 0 : 1]
};
