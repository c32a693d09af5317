#include "gui/main/FormulaDetailDialog.h"

#include "formula/FormulaError.h"
#include "formula/FormulaEvaluator.h"
#include "gui/main/HistoryTableModel.h"
#include "history/HistorySnapshot.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

FormulaDetailDialog::FormulaDetailDialog(std::shared_ptr<const HistorySnapshot> history, const FormulaRecord& formula,
                                         const ScoringRule& rule, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGsCulate"));
    setWindowTitle(QStringLiteral("查询该公式历史计算式"));
    // The raw values and the predictions judged on each draw, from one evaluation.
    FormulaEvaluation evaluation = FormulaEvaluator(*history, rule.kind, rule.range, ScoringWindow{})
                                       .evaluate(formula, ResultColumnForm::NextDraw, true);
    if (!evaluation.scored.evaluable)
        throw FormulaError(evaluation.scored.error);
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
    form->addRow(QStringLiteral("序号：%1  公式：").arg(formula.idx), chinese);
    form->addRow(QStringLiteral("计算式："), code);

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
    layout->addWidget(view);
    resize(620, 640);
}
