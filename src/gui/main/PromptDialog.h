#pragma once

#include "gui/main/UserPrompts.h"

class QWidget;

// UserPrompts as modal message and input boxes over a parent window.
class PromptDialog : public UserPrompts {
public:
    explicit PromptDialog(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void inform(const QString& title, const QString& message) override;
    void warn(const QString& title, const QString& message) override;
    bool confirm(const QString& title, const QString& question) override;
    std::optional<QString> askText(const QString& title, const QString& prompt, const QString& initial) override;
    std::optional<QString> chooseFileToOpen(const QString& title, const QString& directory,
                                            const QString& filter) override;

private:
    QWidget* m_parent;
};
