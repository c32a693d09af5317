#pragma once

#include "search/FoundFormulaStore.h"

#include <QString>
#include <array>
#include <optional>

// What a plan search is asked to do: a count per kind 1..10 (the search index
// of FormulaKind; empty: skip the kind), what the counts mean, kill or keep,
// and whether to store at the end.
struct SearchPlan {
    enum class Mode {
        HoldCount, // "公式保有数量": the table should end up holding this many
        NewCount, // "公式新增数量": find this many new ones
    };
    std::array<std::optional<int>, 11> counts{}; // index = search index of the kind; 0 unused
    Mode mode = Mode::NewCount;
    bool kill = true;
    std::optional<StoreMode> autoStore;

    static FormulaTarget targetOf(int kind, bool kill) { return {FormulaKind::fromSearchIndex(kind), kill}; }
    // Whether the plan has a box for a kind (group 第一 judges like direct 第一 and has none).
    static bool isSearched(int kind) { return FormulaKind::fromSearchIndex(kind).isSearched(); }

    // A plan box as a count: empty when it holds no number (the kind is skipped).
    // A fraction is rounded up (a kind is done once its found count reaches the
    // box's value) and an absurd size is held within what a count can be.
    static std::optional<int> countOf(const QString& text);
    // The counts of the ten boxes (index = kind; group 第一 never has one).
    static std::array<std::optional<int>, 11> countsOf(const std::array<QString, 11>& texts);
    // How many formulas the plan will look for: every count, or in hold-count
    // mode what each kind still lacks beyond `existing`.
    long long total(const std::array<int, 11>& existing) const;
};
