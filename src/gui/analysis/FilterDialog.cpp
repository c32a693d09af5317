#include "gui/analysis/FilterDialog.h"

#include "analysis/RankingKey.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

FilterDialog::FilterDialog(std::vector<FormulaRecord> formulas, std::set<int> selected, QWidget* parent)
    : QDialog(parent),
      m_formulas(std::move(formulas)),
      m_selected(std::move(selected))
{
    setObjectName(QStringLiteral("frmGSGuolv"));
    setWindowTitle(QStringLiteral("公式过滤设置窗口"));
    setModal(true);
    m_sink = [this](const QString& title, const QString& text) { QMessageBox::information(this, title, text); };

    auto* group = new QGroupBox(QStringLiteral("公式参数"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("下限"), group), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("上限"), group), 0, 2);
    const StatisticBounds start = FormulaFilter::prefill(m_formulas, m_selected);
    for (StatisticKey key : kStatisticKeys) {
        const int k = static_cast<int>(key);
        grid->addWidget(new QLabel(RankingKeys::caption(key), group), k + 1, 0);
        for (int side = 0; side < 2; ++side) {
            const int box = StatisticBounds::lowerIndex(key) + side;
            auto* edit = new QLineEdit(group);
            edit->setObjectName(QStringLiteral("Text1_%1").arg(box));
            edit->setText(FormulaFilter::boundText(box, start[box]));
            edit->installEventFilter(this);
            m_boxes[box] = edit;
            grid->addWidget(edit, k + 1, side + 1);
        }
    }

    auto* ok = new QPushButton(QStringLiteral("确定(&K)"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &FilterDialog::confirm);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

StatisticBounds FilterDialog::bounds() const
{
    StatisticBounds b;
    for (int i = 0; i < StatisticBounds::kCount; ++i)
        b.set(i, FormulaFilter::leadingNumber(m_boxes[i]->text()));
    return b;
}

bool FilterDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Focusing a box selects its whole text, so typing replaces the bound.
    if (event->type() == QEvent::FocusIn) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

void FilterDialog::confirm()
{
    m_selected = FormulaFilter::apply(m_formulas, m_selected, bounds());
    hide();
    m_sink(QStringLiteral("公式过滤结果"), QStringLiteral("过滤后公式剩余%1条").arg(m_selected.size()));
    accept();
}
