#include "analysis/HistoryList.h"

#include <QStringList>
#include <algorithm>
#include <limits>

namespace {

HistoryListRow makeRow(const BackTestResult& result, int draw, int position)
{
    HistoryListRow row;
    row.draw = draw;
    row.actual = result.number(draw + 1, position);
    int previous = 0;
    int size = 0;
    for (int r = 1; r <= result.range; ++r) {
        const int number = result.rankedNumber(draw, r);
        const int vote = result.tally(draw, number).vote;
        // Equal counts next to each other form one group; rank 1 always opens the first.
        if (r == 1 || vote != previous) {
            ++row.groups;
            size = 0;
        }
        ++size;
        previous = vote;
        if (number == row.actual) {
            row.rank = r;
            row.vote = vote;
            row.group = row.groups;
        }
        if (row.group == row.groups)
            row.groupSize = size;
    }
    return row;
}

} // namespace

HistoryList::HistoryList(std::shared_ptr<const BackTestResult> result, int position)
    : m_result(std::move(result)),
      m_position(std::clamp(position, 1, 5))
{
    const BackTestResult& r = *m_result;
    // The last replayed draw has no draw after it, so it has no row.
    const int rows = std::max(0, r.drawCount() - 1);
    m_rows.reserve(static_cast<size_t>(rows));
    int smallest = std::numeric_limits<int>::max();
    int largest = std::numeric_limits<int>::min();
    for (int d = 0; d < rows; ++d) {
        m_rows.push_back(makeRow(r, d, m_position));
        // Ranked ascending: the first holds the smallest count, the last the largest.
        smallest = std::min(smallest, r.tally(d, r.rankedNumber(d, 1)).vote);
        largest = std::max(largest, r.tally(d, r.rankedNumber(d, r.range)).vote);
    }
    if (rows > 0) {
        m_smallest = smallest;
        m_largest = largest;
    }
    m_countColumns = std::min(m_largest - m_smallest, kMaxColumns - firstCountColumn());
}

QString HistoryList::header(int column) const
{
    static const QStringList fixed = {QStringLiteral("期号"),  QStringLiteral("开奖结果"), QStringLiteral("排位名次"),
                                      QStringLiteral("Err值"), QStringLiteral("总位次"),   QStringLiteral("位次"),
                                      QStringLiteral("位码数")};
    if (column < kFixedColumns)
        return fixed[column];
    const int c = column - kFixedColumns;
    if (c < range())
        return QStringLiteral("排列%1").arg(c + 1);
    if (c < 2 * range())
        return QStringLiteral("Err值%1").arg(c - range() + 1);
    return QStringLiteral("%1次").arg(m_smallest + column - firstCountColumn());
}

std::optional<int> HistoryList::integer(int r, int column) const
{
    const HistoryListRow& line = row(r);
    switch (column) {
    case 1: return line.actual;
    case 2: return line.rank;
    case 3: return line.vote;
    case 4: return line.groups;
    case 5: return line.group;
    case 6: return line.groupSize;
    default: break;
    }
    if (column < kFixedColumns || column >= firstCountColumn())
        return std::nullopt;
    const int c = column - kFixedColumns;
    const int rank = c % range() + 1;
    const int number = m_result->rankedNumber(line.draw, rank);
    return c < range() ? number : m_result->tally(line.draw, number).vote;
}

QString HistoryList::text(int r, int column) const
{
    if (column == 0)
        return m_result->issue(row(r).draw + 1);
    if (column >= firstCountColumn())
        return countText(r, m_smallest + column - firstCountColumn());
    const std::optional<int> value = integer(r, column);
    return value ? QString::number(*value) : QString();
}

bool HistoryList::marked(int r, int column) const
{
    if (column < kFixedColumns || column >= firstCountColumn())
        return false;
    const HistoryListRow& line = row(r);
    const int rank = (column - kFixedColumns) % range() + 1;
    return m_result->rankedNumber(line.draw, rank) == line.actual;
}

QString HistoryList::countText(int r, int count) const
{
    // Each number with two digits and a blank after it, in rank order.
    const int draw = row(r).draw;
    QString text;
    for (int rank = 1; rank <= range(); ++rank) {
        const int number = m_result->rankedNumber(draw, rank);
        if (m_result->tally(draw, number).vote == count)
            text += QStringLiteral("%1 ").arg(number, 2, 10, QChar(u'0'));
    }
    return text;
}
