#pragma once

#include "history/DrawAttributes.h"

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;

// Typing the draw that has just taken place: the issue box Text1 and the five
// number boxes txtIpt1..txtIpt5, two digits each. The digit that gives a box its
// second digit moves on to the next box; in the fifth box it completes the draw
// (completed()). A digit typed over selected text replaces it. Clicking the first
// box, or entering it from elsewhere, empties all five for the next draw. After
// a refused draw, Enter (or Tab in the issue box) saves the corrected draw once
// all five numbers are there.
class DrawEntryWidget : public QWidget {
    Q_OBJECT
public:
    explicit DrawEntryWidget(QWidget* parent = nullptr);

    QString issue() const;
    void setIssue(const QString& issue);
    // The numbers typed. Raises DrawRefused naming the first box that holds
    // something other than a number (a letter, or nothing).
    DrawNumbers numbers() const;
    void clearNumbers();
    // After a refused draw: the box (0 the issue box, 1..5 a number box) gets the
    // focus with its text selected, so what is typed next replaces it.
    void selectBox(int box);
    QLineEdit* box(int position) const { return m_boxes[static_cast<size_t>(position - 1)]; }
    QLineEdit* issueBox() const { return m_issue; }

signals:
    void completed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(int position, QKeyEvent* event);
    // Enter, or Tab in the issue box, after a refusal: completes a whole draw.
    bool handleCorrection(QObject* watched, QKeyEvent* event);
    bool numbersComplete() const;
    static void showTwoDigits(QLineEdit* box);

    QLineEdit* m_issue;
    std::array<QLineEdit*, 5> m_boxes{};
    bool m_keepOnFocus = false; // the next focus of box 1 is selectBox's, not a new draw
    bool m_correcting = false; // a draw was refused and is being corrected
};
