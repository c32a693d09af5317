#include "formula/FormulaSelection.h"

bool FormulaSelection::isSelected(int idx) const
{
    return idx >= 1 && m_exceptions.contains(idx) != m_selectedByDefault;
}

void FormulaSelection::setSelected(int idx, bool selected)
{
    if (idx < 1)
        return;
    if (selected == m_selectedByDefault)
        m_exceptions.erase(idx);
    else
        m_exceptions.insert(idx);
}

bool FormulaSelection::toggle(int idx)
{
    setSelected(idx, !isSelected(idx));
    return isSelected(idx);
}

void FormulaSelection::selectEverything()
{
    m_selectedByDefault = true;
    m_exceptions.clear();
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
    if (idx < 1)
        return;
    std::set<int> shifted;
    for (int e : m_exceptions) {
        if (e < idx)
            shifted.insert(shifted.end(), e);
        else if (e > idx)
            shifted.insert(shifted.end(), e - 1);
    }
    m_exceptions = std::move(shifted);
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
