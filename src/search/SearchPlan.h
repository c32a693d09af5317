#pragma once

#include "search/FoundFormulaStore.h"

#include <array>
#include <optional>

// What a plan search is asked to do: a count per kind 1..10 (empty: skip the
// kind), what the counts mean, kill or keep, and whether to store at the end.
struct SearchPlan {
    enum class Mode {
        HoldCount, // "公式保有数量": the table should end up holding this many
        NewCount,  // "公式新增数量": find this many new ones
    };
    std::array<std::optional<int>, 11> counts{}; // index = kind; 0 unused
    Mode mode = Mode::NewCount;
    bool kill = true;
    std::optional<StoreMode> autoStore;

    static FormulaTarget targetOf(int kind, bool kill) { return {(kind - 1) % 5 + 1, kind > 5, kill}; }
};
