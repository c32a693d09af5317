#pragma once

#include <set>
#include <vector>

// Which formulas of one table are selected, by idx (any idx from 1 up). A new
// selection has every formula selected. Only the idxs that differ from the
// common state are kept, so a table of any size costs memory only for what the
// user changed. Selected formulas get a next-draw value and vote in the
// calculation; the selection also drives deletion.
class FormulaSelection {
public:
    bool isSelected(int idx) const;
    void setSelected(int idx, bool selected);
    // Inverts one entry and returns its new state.
    bool toggle(int idx);

    // A full rebuild of the list: every formula selected, whatever its idx.
    void selectEverything();
    void selectAll(const std::vector<int>& idxs);
    void invert(const std::vector<int>& idxs);
    // After formula `idx` was deleted and the table renumbered, the entries above
    // it move down by one so every remaining formula keeps its state.
    void removeAndShift(int idx);

    std::vector<int> selected(const std::vector<int>& among) const;
    std::vector<int> unselected(const std::vector<int>& among) const;

private:
    bool m_selectedByDefault = true;
    std::set<int> m_exceptions; // idxs whose state is the opposite of the default
};
