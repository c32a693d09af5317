#include "gui/search/SearchPlanBox.h"

#include "gui/search/SearchNames.h"
#include "scoring/FormulaKind.h"
#include "search/PlanSearch.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using SearchNames::arrayName;
using SearchNames::named;

namespace {

const QString kRed = QStringLiteral("color: #ff0000;"); // current kind
const QString kBlue = QStringLiteral("color: #0000ff;"); // finished kind

} // namespace

SearchPlanBox::SearchPlanBox(QWidget* parent) : QGroupBox(QStringLiteral("搜索方案"), parent)
{
    auto* grid = new QGridLayout(this);
    for (int k = 1; k <= FormulaKind::kCount; ++k) {
        const auto at = static_cast<size_t>(k);
        // Direct kinds in the left half, group kinds in the right, one row per position.
        const FormulaKind kind = FormulaKind::fromSearchIndex(k);
        const int row = kind.position() - 1;
        const int column = kind.group() ? 3 : 0;
        label4[at] = named(new QLabel(kind.label(), this), arrayName("Label4", k));
        text5[at] = named(new QLineEdit(this), arrayName("Text5", k));
        text5[at]->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
        label5[at] = named(new QLabel(QStringLiteral("0"), this), arrayName("Label5", k));
        grid->addWidget(label4[at], row, column);
        grid->addWidget(text5[at], row, column + 1);
        grid->addWidget(label5[at], row, column + 2);
    }
    // Group 第一 judges exactly like direct 第一: it has no plan of its own.
    for (int k = 1; k <= FormulaKind::kCount; ++k)
        text5[static_cast<size_t>(k)]->setEnabled(SearchPlan::isSearched(k));
    auto* mode = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        option4[at] =
            named(new QRadioButton(i == 0 ? QStringLiteral("公式保有数量") : QStringLiteral("公式新增数量"), this),
                  arrayName("Option4", i));
        mode->addButton(option4[at]);
        grid->addWidget(option4[at], 5, i * 3, 1, 3);
    }
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<size_t>(i);
        chkAutApd[at] = named(new QCheckBox(i == 0 ? QStringLiteral("搜索完毕公式自动追加到数据库")
                                                   : QStringLiteral("搜索完毕公式自动更新到数据库"),
                                            this),
                              arrayName("chkAutApd", i));
        grid->addWidget(chkAutApd[at], 6 + i, 0, 1, 6);
    }
    option4[1]->setChecked(true);
    // At most one store at the end of a plan: ticking one clears the other.
    for (int i = 0; i < 2; ++i)
        connect(chkAutApd[static_cast<size_t>(i)], &QCheckBox::toggled, this, [this, i](bool on) {
            if (on)
                chkAutApd[static_cast<size_t>(1 - i)]->setChecked(false);
        });
    planTotal = named(new QLabel(this), QStringLiteral("lblPlanTotal"));
    grid->addWidget(planTotal, 8, 0, 1, 6);
    // Two rows of buttons keep the box narrow.
    auto* buttons = new QGridLayout;
    int at = 0;
    for (const auto& [name, caption] :
         {std::pair{"Command5", "确定搜索方案开始搜索"}, std::pair{"Command7", "暂停"}, std::pair{"Command6", "继续"},
          std::pair{"Command9", "保存设置"}, std::pair{"Command10", "调用设置"}}) {
        buttons->addWidget(named(new QPushButton(QString::fromUtf8(caption), this), QString::fromLatin1(name)), at / 3,
                           at % 3);
        ++at;
    }
    grid->addLayout(buttons, 9, 0, 1, 6);
}

SearchPlan SearchPlanBox::plan(bool kill) const
{
    SearchPlan plan;
    plan.kill = kill;
    plan.mode = option4[0]->isChecked() ? SearchPlan::Mode::HoldCount : SearchPlan::Mode::NewCount;
    std::array<QString, 11> texts;
    for (int k = 1; k <= 10; ++k)
        texts[static_cast<size_t>(k)] = text5[static_cast<size_t>(k)]->text();
    plan.counts = SearchPlan::countsOf(texts);
    if (chkAutApd[0]->isChecked())
        plan.autoStore = StoreMode::Append;
    else if (chkAutApd[1]->isChecked())
        plan.autoStore = StoreMode::Replace;
    return plan;
}

void SearchPlanBox::showExisting(const std::array<int, 11>& existing)
{
    for (int k = 1; k <= 10; ++k)
        label5[static_cast<size_t>(k)]->setText(
            !SearchPlan::isSearched(k) ? QString() : QString::number(existing[static_cast<size_t>(k)]));
}

void SearchPlanBox::showTotal(long long total) { planTotal->setText(QStringLiteral("搜索公式总数：%1").arg(total)); }

void SearchPlanBox::colourKinds(const PlanSearch& plan)
{
    for (int k = 1; k <= 10; ++k) {
        const PlanSearch::KindState state = plan.state(k);
        label4[static_cast<size_t>(k)]->setStyleSheet(state == PlanSearch::KindState::Current ? kRed
                                                      : state == PlanSearch::KindState::Done  ? kBlue
                                                                                              : QString());
    }
}
