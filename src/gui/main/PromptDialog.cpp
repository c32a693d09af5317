#include "gui/main/PromptDialog.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

void PromptDialog::inform(const QString& title, const QString& message)
{
    QMessageBox::information(m_parent, title, message);
}

void PromptDialog::warn(const QString& title, const QString& message)
{
    QMessageBox::warning(m_parent, title, message);
}

bool PromptDialog::confirm(const QString& title, const QString& question)
{
    return QMessageBox::question(m_parent, title, question, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
}

std::optional<QString> PromptDialog::askText(const QString& title, const QString& prompt, const QString& initial)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok || answer.trimmed().isEmpty())
        return std::nullopt;
    return answer;
}

std::optional<QString> PromptDialog::chooseFileToOpen(const QString& title, const QString& directory,
                                                      const QString& filter)
{
    const QString path = QFileDialog::getOpenFileName(m_parent, title, directory, filter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}
