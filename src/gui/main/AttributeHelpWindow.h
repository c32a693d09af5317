#pragma once

#include <QDialog>

// frmShuoming "公式参数对照说明": every attribute word a formula may use, the
// column code it becomes and what it means.
class AttributeHelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit AttributeHelpWindow(QWidget* parent = nullptr);
};
