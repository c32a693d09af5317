#pragma once

#include "analysis/HistoryList.h"

#include <QAbstractTableModel>
#include <memory>

// The history list as a grid model: cells are read from the list when painted,
// so 20,000 rows cost nothing until they scroll into view.
class HistoryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit HistoryListModel(QObject* parent = nullptr);

    void setList(std::shared_ptr<const HistoryList> list);
    const HistoryList* list() const { return m_list.get(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const HistoryList> m_list;
};
