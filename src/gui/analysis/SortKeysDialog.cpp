#include "gui/analysis/SortKeysDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

SortKeysDialog::SortKeysDialog(QSettings& store, int range, QWidget* parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("frmGsCsArr"));
    setWindowTitle(QStringLiteral("公式排序设置"));
    setModal(true);

    const RankingChoice remembered = RankingChoice::load(store);
    auto* form = new QFormLayout;
    const QString labels[] = {QStringLiteral("第一排序"), QStringLiteral("第二排序"), QStringLiteral("第三排序")};
    for (int i = 0; i < RankingChoice::kMaxKeys; ++i) {
        auto* box = new QComboBox(this);
        box->setObjectName(QStringLiteral("Combo1_%1").arg(i));
        // Only the first key is required.
        if (i > 0)
            box->addItem(QString());
        box->addItems(RankingKeys::captions());
        const auto slot = static_cast<size_t>(i);
        if (slot < remembered.keys.size())
            box->setCurrentText(RankingKeys::caption(remembered.keys[slot]));
        else if (i > 0)
            box->setCurrentIndex(0);
        m_keys[i] = box;
        form->addRow(labels[i], box);
    }
    m_limit = new QSpinBox(this);
    m_limit->setObjectName(QStringLiteral("Text1"));
    m_limit->setRange(1, range);
    m_limit->setValue(std::clamp(remembered.keepLimit, 1, range));
    form->addRow(new QLabel(QStringLiteral("设置需要保留的项目个数限额(少于或等于)"), this));
    form->addRow(QString(), m_limit);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    connect(ok, &QPushButton::clicked, this, &SortKeysDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

RankingChoice SortKeysDialog::choice() const
{
    RankingChoice result;
    result.keys.clear();
    for (const QComboBox* box : m_keys) {
        const auto key = RankingKeys::fromCaption(box->currentText());
        if (key && std::find(result.keys.begin(), result.keys.end(), *key) == result.keys.end())
            result.keys.push_back(*key);
    }
    result.keepLimit = m_limit->value();
    return result;
}

void SortKeysDialog::confirm()
{
    choice().save(m_store);
    accept();
}
