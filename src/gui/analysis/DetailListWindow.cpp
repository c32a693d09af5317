#include "gui/analysis/DetailListWindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

DetailListWindow::DetailListWindow(const CalculationResult& result, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmXxlb"));
    setWindowTitle(QStringLiteral("详细结果列表"));
    resize(760, 480);

    auto* summary = new QLabel(
        QStringLiteral("参考期号 %1，使用公式 %2 条").arg(result.referenceIssue).arg(result.usedCount()), this);
    summary->setObjectName(QStringLiteral("Label1"));

    auto* grid = new QTableWidget(this);
    grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    grid->setColumnCount(6);
    grid->setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("位置"), QStringLiteral("公式序号"),
                                     QStringLiteral("公式"), QStringLiteral("计算结果"), QStringLiteral("号码")});
    grid->setRowCount(static_cast<int>(result.used.size() + result.skipped.size()));
    int row = 0;
    for (const UsedFormula& f : result.used) {
        grid->setItem(row, 0, cell(QString::number(row + 1)));
        grid->setItem(row, 1, cell(QStringLiteral("第%1").arg(f.position)));
        grid->setItem(row, 2, cell(QString::number(f.idx)));
        grid->setItem(row, 3, cell(f.chinese.isEmpty() ? f.code : f.chinese));
        grid->setItem(row, 4, cell(std::isnan(f.value) ? QStringLiteral("空") : QString::number(f.value, 'g', 12)));
        grid->setItem(row, 5, cell(f.number > 0 ? QString::number(f.number) : QStringLiteral("-")));
        ++row;
    }
    for (const SkippedFormula& f : result.skipped) {
        grid->setItem(row, 0, cell(QString::number(row + 1)));
        grid->setItem(row, 1, cell(QStringLiteral("第%1").arg(f.position)));
        grid->setItem(row, 2, cell(QString::number(f.idx)));
        grid->setItem(row, 3, cell(QStringLiteral("无法识别公式：") + f.reason));
        grid->setItem(row, 4, cell(QString()));
        grid->setItem(row, 5, cell(QStringLiteral("-")));
        ++row;
    }
    grid->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    grid->verticalHeader()->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(grid);
}
