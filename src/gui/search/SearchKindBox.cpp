#include "gui/search/SearchKindBox.h"

#include "gui/search/SearchNames.h"
#include "history/AttributeCatalog.h"
#include "search/CandidateGenerator.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

using SearchNames::arrayName;
using SearchNames::named;

SearchKindBox::SearchKindBox(QWidget* parent) : QGroupBox(QStringLiteral("玩法选择"), parent)
{
    auto* grid = new QGridLayout(this);
    auto* tdg = new QButtonGroup(this);
    auto* killGroup = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        opTDG[at] = named(new QRadioButton(i == 0 ? QStringLiteral("直选") : QStringLiteral("组选"), this),
                          QStringLiteral("opTDG%1").arg(i));
        tdg->addButton(opTDG[at]);
        grid->addWidget(opTDG[at], 0, i);
    }
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        option2[at] = named(new QRadioButton(i == 0 ? QStringLiteral("杀") : QStringLiteral("生"), this),
                            arrayName("Option2", i));
        killGroup->addButton(option2[at]);
        grid->addWidget(option2[at], 1, i);
    }
    // Each caption above its choices keeps the box narrow.
    grid->addWidget(new QLabel(QStringLiteral("位数选择"), this), 2, 0, 1, 4);
    grid->addLayout(buildPositionRow(), 3, 0, 1, 4);
    buildFormRows(grid);
    opTDG[0]->setChecked(true);
    option2[0]->setChecked(true);
    optXing[1]->setChecked(true);
    option6[1]->setChecked(true);
    option5[0]->setChecked(true);
}

QLayout* SearchKindBox::buildPositionRow()
{
    auto* xing = new QButtonGroup(this);
    auto* row = new QHBoxLayout;
    for (int p = 1; p <= 5; ++p) {
        const auto at = static_cast<size_t>(p);
        optXing[at] =
            named(new QRadioButton(AttributeCatalog::positionWords()[p - 1], this), QStringLiteral("optXing%1").arg(p));
        xing->addButton(optXing[at]);
        row->addWidget(optXing[at]);
    }
    return row;
}

// The text form of found formulas, the tail constant and the operand count.
void SearchKindBox::buildFormRows(QGridLayout* grid)
{
    auto* form = new QButtonGroup(this);
    auto* constant = new QButtonGroup(this);
    grid->addWidget(new QLabel(QStringLiteral("公式形式"), this), 4, 0, 1, 4);
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        option6[at] =
            named(new QRadioButton(i == 0 ? QStringLiteral("[Xxx类]A+B") : QStringLiteral("A+B=下期杀xx"), this),
                  arrayName("Option6", i));
        form->addButton(option6[at]);
        grid->addWidget(option6[at], 5, i);
    }
    grid->addWidget(new QLabel(QStringLiteral("公式末尾偏移常数"), this), 6, 0, 1, 4);
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        option5[at] = named(new QRadioButton(i == 0 ? QStringLiteral("指定") : QStringLiteral("随机"), this),
                            arrayName("Option5", i));
        constant->addButton(option5[at]);
        grid->addWidget(option5[at], 7, i);
    }
    const int shortWidth = fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12;
    text6 = named(new QLineEdit(QStringLiteral("0"), this), QStringLiteral("Text6"));
    text6->setMaximumWidth(shortWidth);
    grid->addWidget(text6, 7, 2);
    grid->addWidget(new QLabel(QStringLiteral("公式运算元数"), this), 8, 0, 1, 4);
    hScroll1 = named(new QScrollBar(Qt::Horizontal, this), QStringLiteral("HScroll1"));
    hScroll1->setRange(CandidateGenerator::kMinOperands, CandidateGenerator::kMaxOperands);
    grid->addWidget(hScroll1, 9, 0, 1, 2);
    text2 = named(new QLineEdit(this), QStringLiteral("Text2"));
    text2->setReadOnly(true);
    text2->setMaximumWidth(shortWidth);
    grid->addWidget(text2, 9, 2);
}

int SearchKindBox::position() const
{
    for (int p = 1; p <= 5; ++p)
        if (optXing[static_cast<size_t>(p)]->isChecked())
            return p;
    return 1;
}

bool SearchKindBox::group() const { return opTDG[1]->isChecked(); }
bool SearchKindBox::kill() const { return option2[0]->isChecked(); }

void SearchKindBox::select(FormulaKind kind)
{
    optXing[static_cast<size_t>(kind.position())]->setChecked(true);
    if (kind.isSearched())
        opTDG[kind.group() ? 1 : 0]->setChecked(true);
}

SearchOptions SearchKindBox::options() const
{
    SearchOptions options;
    options.operands = hScroll1->value();
    if (option5[1]->isChecked())
        options.constant.reset();
    else
        options.constant = CandidateGenerator::constantOf(text6->text());
    options.form = option6[0]->isChecked() ? TextForm::Bracket : TextForm::Suffix;
    return options;
}
