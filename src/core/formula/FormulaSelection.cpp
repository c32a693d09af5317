#include "formula/FormulaSelection.h"

#include <cstddef>

bool FormulaSelection::isSelected(int idx) const
{
    return valid(idx) && static_cast<std::size_t>(idx) < m_flags.size() && m_flags[static_cast<std::size_t>(idx)];
}

void FormulaSelection::setSelected(int idx, bool selected)
{
    if (!valid(idx))
        return;
    if (static_cast<std::size_t>(idx) >= m_flags.size()) {
        if (!selected)
            return;
        m_flags.resize(static_cast<std::size_t>(idx) + 1, false);
    }
    m_flags[static_cast<std::size_t>(idx)] = selected;
}

bool FormulaSelection::toggle(int idx)
{
    const bool now = !isSelected(idx);
    setSelected(idx, now);
    return isSelected(idx);
}

void FormulaSelection::selectFirst(int count)
{
    m_flags.assign(static_cast<std::size_t>(count < 0 ? 0 : (count > kMaxIdx ? kMaxIdx : count)) + 1, true);
    m_flags[0] = false;
}

void FormulaSelection::selectAll(const std::vector<int>& idxs)
{
    for (int idx : idxs)
        setSelected(idx, true);
}

void FormulaSelection::invert(const std::vector<int>& idxs)
{
    for (int idx : idxs)
        toggle(idx);
}

void FormulaSelection::removeAndShift(int idx)
{
    if (!valid(idx) || static_cast<std::size_t>(idx) >= m_flags.size())
        return;
    m_flags.erase(m_flags.begin() + idx);
}

std::vector<int> FormulaSelection::selected(const std::vector<int>& among) const
{
    std::vector<int> result;
    for (int idx : among)
        if (isSelected(idx))
            result.push_back(idx);
    return result;
}

std::vector<int> FormulaSelection::unselected(const std::vector<int>& among) const
{
    std::vector<int> result;
    for (int idx : among)
        if (!isSelected(idx))
            result.push_back(idx);
    return result;
}
