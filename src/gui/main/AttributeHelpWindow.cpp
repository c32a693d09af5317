#include "gui/main/AttributeHelpWindow.h"

#include "history/AttributeCatalog.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

AttributeHelpWindow::AttributeHelpWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmShuoming"));
    setWindowTitle(QStringLiteral("公式参数对照说明"));
    auto* intro = new QLabel(
        QStringLiteral(
            "公式写法：表达式 + 分隔符 + “下期” + 杀/生 + 位置 + 玩法，例如 “第一码+第二大小=下期杀第三直选”。\n"
            "按位属性前面加位置词（第一~第五，代码 L1~L5），如 第三6段 = L3F；整期属性单独使用，如 和数 = L1L。"),
        this);
    intro->setWordWrap(true);

    const QStringList& names = AttributeCatalog::attributeNames();
    auto* table = new QTableWidget(static_cast<int>(names.size()), 3, this);
    table->setObjectName(QStringLiteral("tblShuoming"));
    table->setHorizontalHeaderLabels({QStringLiteral("参数名称"), QStringLiteral("代码"), QStringLiteral("说明")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int i = 0; i < names.size(); ++i) {
        const QString code = AttributeCatalog::codeForName(i);
        const QString shown = code.size() == 1 ? QStringLiteral("L1%1 ~ L5%1").arg(code) : code;
        table->setItem(i, 0, new QTableWidgetItem(names[i]));
        table->setItem(i, 1, new QTableWidgetItem(shown));
        table->setItem(i, 2, new QTableWidgetItem(AttributeCatalog::definitionForName(i)));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(table);
    resize(760, 620);
}
