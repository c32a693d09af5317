#include "gui/main/FormulaDetailDialog.h"

#include "analysis/FormulaGridSheet.h"
#include "analysis/HitStrip.h"
#include "formula/FormulaError.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaScoring.h"
#include "gui/main/HistoryTableModel.h"
#include "gui/main/HitStripWidget.h"
#include "gui/widgets/ScreenFit.h"
#include "history/HistorySnapshot.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString figuresText(const FormulaStatistics& s)
{
    if (s.totalWeight <= 0)
        return QStringLiteral("检索期数内没有可以计数的期");
    return QStringLiteral("正确率 %1　随机期望 %2　超随机Z %3")
        .arg(FormulaScoring::rateCellText(s), FormulaGridSheet::expectedRateText(s), FormulaGridSheet::zText(s));
}

} // namespace

FormulaDetailDialog::FormulaDetailDialog(std::shared_ptr<const HistorySnapshot> history, const FormulaRecord& formula,
                                         const ScoringRule& rule, const ScoringWindow& window, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGsCulate"));
    setWindowTitle(QStringLiteral("查询该公式历史计算式"));
    // The raw values, the predictions judged on each draw, the scores and the
    // hit strip, all from one evaluation over the list's window.
    FormulaEvaluation evaluation =
        FormulaEvaluator(*history, rule.kind, rule.range, window).evaluate(formula, ResultColumnForm::NextDraw, true);
    if (!evaluation.scored.evaluable)
        throw FormulaError(evaluation.scored.error);
    m_statistics = evaluation.scored.record.statistics;
    HitStrip strip = HitStrip::of(evaluation.column.hits, window);
    std::vector<FormulaResultColumn> columns(2);
    columns[0].header = QStringLiteral("公式值");
    columns[0].toolTip = formula.code;
    columns[0].values = std::move(evaluation.values);
    columns[1] = std::move(evaluation.column);
    columns[1].header = QStringLiteral("本期预测");

    auto* form = new QFormLayout;
    auto* chinese = new QLabel(formula.chinese, this);
    chinese->setObjectName(QStringLiteral("lblGongshiCN"));
    chinese->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* code = new QLabel(formula.code, this);
    code->setObjectName(QStringLiteral("lblGongshi"));
    code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* figures = new QLabel(figuresText(m_statistics), this);
    figures->setObjectName(QStringLiteral("lblChance"));
    figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("序号：%1  公式：").arg(formula.idx), chinese);
    form->addRow(QStringLiteral("计算式："), code);
    form->addRow(QStringLiteral("检索期数内："), figures);

    auto* stripBox = new QGroupBox(this);
    m_strip = new HitStripWidget(stripBox);
    const int span = strip.span;
    m_strip->setStrip(std::move(strip), history->issues(), m_statistics.expectedRate);
    stripBox->setTitle(QStringLiteral("各期对错（绿对灰错）；蓝线：近%1期正确率；红虚线：随机期望；纵轴 %2%–100%")
                           .arg(span)
                           .arg(m_strip->scaleBottom()));
    auto* scroll = m_stripScroll = new QScrollArea(stripBox);
    scroll->setObjectName(QStringLiteral("scrHitStrip"));
    scroll->setWidget(m_strip);
    scroll->setWidgetResizable(false);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFixedHeight(m_strip->sizeHint().height() + scroll->horizontalScrollBar()->sizeHint().height() + 4);
    auto* stripLayout = new QVBoxLayout(stripBox);
    stripLayout->addWidget(scroll);

    auto* model = new HistoryTableModel(this);
    model->setHistory(std::move(history));
    model->setResultColumns(std::move(columns));
    auto* view = new QTableView(this);
    view->setObjectName(QStringLiteral("grdCulate"));
    view->setModel(model);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(22);
    view->setColumnWidth(0, 100);
    for (int c = 1; c < HistoryTableModel::kFixedColumns; ++c)
        view->setColumnWidth(c, 44);
    view->scrollToBottom();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(stripBox);
    layout->addWidget(view, 1);
    ScreenFit::apply(this, QSize(720, 720));
}

void FormulaDetailDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The newest draws in view, as in the grid below; the range is known once laid out.
    m_stripScroll->horizontalScrollBar()->setValue(m_stripScroll->horizontalScrollBar()->maximum());
}
