#pragma once

#include "history/DrawAttributes.h"

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;

// Typing the draw that has just taken place: the issue box Text1 and the five
// number boxes txtIpt1..txtIpt5. A digit typed into a box that already holds a
// character lands there and moves on to the next box; in the fifth box it
// completes the number and the draw is handed over (completed()). Entering the
// first box empties all five, ready for the next draw.
class DrawEntryWidget : public QWidget {
    Q_OBJECT
public:
    explicit DrawEntryWidget(QWidget* parent = nullptr);

    QString issue() const;
    void setIssue(const QString& issue);
    // The numbers typed; a box that does not hold a number gives 0.
    DrawNumbers numbers() const;
    void clearNumbers();
    QLineEdit* box(int position) const { return m_boxes[static_cast<size_t>(position - 1)]; }
    QLineEdit* issueBox() const { return m_issue; }

signals:
    void completed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(int position, QKeyEvent* event);

    QLineEdit* m_issue;
    std::array<QLineEdit*, 5> m_boxes{};
};
