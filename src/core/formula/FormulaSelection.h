#pragma once

#include <vector>

// Which formulas of the shown table are selected, by idx (1..32767). Selected
// formulas get a next-draw value, and the selection drives export and deletion.
class FormulaSelection {
public:
    static constexpr int kMaxIdx = 32767;

    bool isSelected(int idx) const;
    void setSelected(int idx, bool selected);
    // Inverts one entry and returns its new state.
    bool toggle(int idx);

    // A full rebuild of the list: formulas 1..count selected, nothing above.
    void selectFirst(int count);
    void selectAll(const std::vector<int>& idxs);
    void invert(const std::vector<int>& idxs);
    // After formula `idx` was deleted and the table renumbered, the entries above
    // it move down by one so every remaining formula keeps its state.
    void removeAndShift(int idx);

    std::vector<int> selected(const std::vector<int>& among) const;
    std::vector<int> unselected(const std::vector<int>& among) const;

private:
    static bool valid(int idx) { return idx >= 1 && idx <= kMaxIdx; }
    std::vector<bool> m_flags; // index = idx; grows on demand
};
