#pragma once

#include "analysis/RankingChoice.h"

#include <QDialog>

class QComboBox;
class QSettings;
class QSpinBox;

// frmGsCsArr "公式排序设置": up to three ranking keys and the keep limit for the
// best-formula calculation. Starts from the remembered choice and remembers the
// confirmed one (section GsCsArr).
class SortKeysDialog : public QDialog {
    Q_OBJECT
public:
    SortKeysDialog(QSettings& store, int range, QWidget* parent = nullptr);

    // The keys picked, in order, empty boxes and repeats left out.
    RankingChoice choice() const;

private:
    void confirm();

    QSettings& m_store;
    QComboBox* m_keys[RankingChoice::kMaxKeys] = {};
    QSpinBox* m_limit = nullptr;
};
