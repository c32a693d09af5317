#pragma once

#include <QLayout>
#include <vector>

// Lays its items out left to right and wraps to a new row when the width runs
// out, so groups of controls fit a narrow window without cutting any of them.
// Every item keeps its preferred size (or, with uniform widths, the widest
// item's width, so a set of buttons lines up as a grid); rows are as tall as
// their tallest item.
class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 6);
    ~FlowLayout() override;

    void setUniformWidths(bool uniform) { m_uniform = uniform; }

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in `rect` (only measures when `apply` is false); returns the height used.
    int arrange(const QRect& rect, bool apply) const;
    QSize itemSize(const QLayoutItem* item) const;

    std::vector<QLayoutItem*> m_items;
    int m_gap;
    bool m_uniform = false;
};
