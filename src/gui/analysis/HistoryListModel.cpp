#include "gui/analysis/HistoryListModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace {

// The actual number's cells: blue, as the list's mark has always been.
const QColor kMarkColour(0x00, 0x00, 0xFF);

} // namespace

HistoryListModel::HistoryListModel(QObject* parent) : QAbstractTableModel(parent) {}

void HistoryListModel::setList(std::shared_ptr<const HistoryList> list)
{
    beginResetModel();
    m_list = std::move(list);
    endResetModel();
}

int HistoryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_list ? 0 : m_list->rowCount();
}

int HistoryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_list ? 0 : m_list->columnCount();
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_list)
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: return m_list->text(row, column);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column >= m_list->firstCountColumn() ? Qt::AlignLeft | Qt::AlignVCenter
                                                                        : Qt::AlignCenter);
    case Qt::ForegroundRole: return m_list->marked(row, column) ? QVariant(QBrush(kMarkColour)) : QVariant();
    case Qt::FontRole: {
        if (!m_list->marked(row, column))
            return {};
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    default: return {};
    }
}

QVariant HistoryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_list)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return m_list->header(section);
}
