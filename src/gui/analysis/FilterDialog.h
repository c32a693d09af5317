#pragma once

#include "analysis/FormulaFilter.h"

#include <QDialog>
#include <functional>
#include <set>
#include <vector>

class QLineEdit;

// frmGSGuolv "公式过滤设置窗口": opens with the range the selected formulas span;
// "确定(&K)" deselects every formula outside the bounds and reports what is left.
class FilterDialog : public QDialog {
    Q_OBJECT
public:
    using MessageSink = std::function<void(const QString& title, const QString& text)>;

    FilterDialog(std::vector<FormulaRecord> formulas, std::set<int> selected, QWidget* parent = nullptr);

    // The selection after confirming (unchanged before).
    const std::set<int>& selection() const { return m_selected; }
    // Replaces the message box (tests).
    void setMessageSink(MessageSink sink) { m_sink = std::move(sink); }
    StatisticBounds bounds() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void confirm();

    std::vector<FormulaRecord> m_formulas;
    std::set<int> m_selected;
    QLineEdit* m_boxes[10] = {};
    MessageSink m_sink;
};
