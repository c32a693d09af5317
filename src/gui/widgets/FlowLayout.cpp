#include "gui/widgets/FlowLayout.h"

#include <QWidget>
#include <algorithm>

FlowLayout::FlowLayout(QWidget* parent, int spacing) : QLayout(parent), m_gap(spacing)
{
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout()
{
    for (QLayoutItem* item : m_items)
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item) { m_items.push_back(item); }

QLayoutItem* FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? m_items[static_cast<size_t>(index)] : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = m_items[static_cast<size_t>(index)];
    m_items.erase(m_items.begin() + index);
    invalidate();
    return item;
}

QSize FlowLayout::itemSize(const QLayoutItem* item) const
{
    QSize size = item->sizeHint();
    if (m_uniform)
        for (const QLayoutItem* other : m_items)
            if (!other->isEmpty())
                size.setWidth(std::max(size.width(), other->sizeHint().width()));
    return size;
}

int FlowLayout::heightForWidth(int width) const { return arrange(QRect(0, 0, width, 0), false); }

QSize FlowLayout::minimumSize() const
{
    // As narrow as the widest item: everything else wraps below it.
    QSize size;
    for (const QLayoutItem* item : m_items)
        if (!item->isEmpty())
            size = size.expandedTo(itemSize(item));
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize FlowLayout::sizeHint() const
{
    // Everything on one row.
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        width += (width > 0 ? m_gap : 0) + itemSize(item).width();
        height = std::max(height, itemSize(item).height());
    }
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    int x = area.x();
    int y = area.y();
    int rowHeight = 0;
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize size = itemSize(item);
        if (x > area.x() && x + size.width() > area.right() + 1) {
            x = area.x();
            y += rowHeight + m_gap;
            rowHeight = 0;
        }
        if (apply)
            item->setGeometry(QRect(QPoint(x, y), size));
        x += size.width() + m_gap;
        rowHeight = std::max(rowHeight, size.height());
    }
    const QMargins margins = contentsMargins();
    return y + rowHeight - rect.y() + margins.bottom();
}
