#include "gui/main/DrawEntryWidget.h"

#include "history/DrawRefused.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

DrawEntryWidget::DrawEntryWidget(QWidget* parent) : QWidget(parent)
{
    auto* label12 = new QLabel(QStringLiteral("手工输入已经开出的历史号码记录下一期:"), this);
    label12->setObjectName(QStringLiteral("Label12"));
    auto* label1 = new QLabel(QStringLiteral("期号："), this);
    label1->setObjectName(QStringLiteral("Label1"));
    m_issue = new QLineEdit(this);
    m_issue->setObjectName(QStringLiteral("Text1"));
    m_issue->setToolTip(QStringLiteral("下一期的期号，可以修改"));
    m_issue->setMaxLength(12);
    m_issue->installEventFilter(this);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label1);
    row->addWidget(m_issue, 1);
    for (int i = 0; i < 5; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("txtIpt%1").arg(i + 1));
        box->setMaxLength(2);
        box->setAlignment(Qt::AlignCenter);
        box->setFixedWidth(34);
        box->setToolTip(QStringLiteral("第%1个号码，两位数字，如 03").arg(i + 1));
        box->installEventFilter(this);
        // A number left with one digit reads as the two the draw is written with.
        connect(box, &QLineEdit::editingFinished, this, [box] { showTwoDigits(box); });
        m_boxes[static_cast<size_t>(i)] = box;
        row->addWidget(box);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label12);
    layout->addLayout(row);
}

QString DrawEntryWidget::issue() const { return m_issue->text().trimmed(); }

void DrawEntryWidget::setIssue(const QString& issue) { m_issue->setText(issue); }

DrawNumbers DrawEntryWidget::numbers() const
{
    DrawNumbers numbers{};
    for (size_t i = 0; i < m_boxes.size(); ++i) {
        bool ok = false;
        const QString text = m_boxes[i]->text().trimmed();
        const int value = text.toInt(&ok);
        if (!ok)
            throw DrawRefused(static_cast<int>(i) + 1,
                              text.isEmpty() ? QStringLiteral("第%1个号码没有填写。").arg(i + 1)
                                             : QStringLiteral("第%1个号码不是数字：%2").arg(i + 1).arg(text));
        numbers[i] = value;
    }
    return numbers;
}

void DrawEntryWidget::clearNumbers()
{
    m_correcting = false;
    for (QLineEdit* box : m_boxes)
        box->clear();
}

void DrawEntryWidget::selectBox(int box)
{
    QLineEdit* target = box == DrawRefused::kIssueBox ? m_issue : m_boxes[static_cast<size_t>(box - 1)];
    m_correcting = true;
    m_keepOnFocus = target == m_boxes[0];
    target->setFocus(Qt::OtherFocusReason);
    m_keepOnFocus = false;
    target->selectAll();
}

void DrawEntryWidget::showTwoDigits(QLineEdit* box)
{
    const QString text = box->text().trimmed();
    if (text.size() == 1 && text[0].isDigit())
        box->setText(text.rightJustified(2, u'0'));
}

bool DrawEntryWidget::numbersComplete() const
{
    for (const QLineEdit* box : m_boxes) {
        const QString text = box->text().trimmed();
        if (text.isEmpty() || text.size() > 2 || !text[0].isDigit() || !text[text.size() - 1].isDigit())
            return false;
    }
    return true;
}

bool DrawEntryWidget::handleCorrection(QObject* watched, QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool tab = event->key() == Qt::Key_Tab && watched == m_issue;
    if (!m_correcting || !(enter || tab) || !numbersComplete())
        return false;
    for (QLineEdit* box : m_boxes)
        showTwoDigits(box);
    emit completed();
    return true;
}

bool DrawEntryWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleCorrection(watched, static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == m_issue)
        return QWidget::eventFilter(watched, event);
    for (int i = 0; i < 5; ++i) {
        if (watched != m_boxes[static_cast<size_t>(i)])
            continue;
        if (event->type() == QEvent::KeyPress)
            return handleKey(i + 1, static_cast<QKeyEvent*>(event));
        if (i != 0)
            return false;
        // A click in the first box starts a new draw, even when it has the focus
        // already (as after a refused draw).
        if (event->type() == QEvent::MouseButtonPress)
            clearNumbers();
        if (event->type() == QEvent::FocusIn && !m_keepOnFocus) {
            // Coming back to the window is not starting a new draw.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                clearNumbers();
        }
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

bool DrawEntryWidget::handleKey(int position, QKeyEvent* event)
{
    const QString typed = event->text();
    const bool digit = typed.size() == 1 && typed[0].isDigit() && typed[0].unicode() < 128;
    if (!digit)
        return false; // the box handles it as usual
    QLineEdit* box = m_boxes[static_cast<size_t>(position - 1)];
    if (!box->hasSelectedText() && box->text().size() >= box->maxLength())
        box->clear(); // a full box starts over rather than dropping the digit
    box->insert(typed); // replaces a selection
    if (box->text().size() < 2)
        return true; // the first digit: stay for the second
    if (position < 5) {
        m_boxes[static_cast<size_t>(position)]->setFocus(Qt::TabFocusReason);
        return true;
    }
    showTwoDigits(box);
    emit completed();
    return true;
}
