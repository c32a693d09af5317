#pragma once

#include <QString>
#include <optional>

// The questions and messages a window puts to the user. The desktop shows them as
// message boxes; tests replace them with scripted answers so nothing blocks.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    virtual void inform(const QString& title, const QString& message) = 0;
    virtual void warn(const QString& title, const QString& message) = 0;
    // OK/Cancel question; true for OK.
    virtual bool confirm(const QString& title, const QString& question) = 0;
    // Input box; nothing when the user cancels or leaves it empty.
    virtual std::optional<QString> askText(const QString& title, const QString& prompt, const QString& initial) = 0;
    // File dialog for an existing file; nothing when the user cancels.
    virtual std::optional<QString> chooseFileToOpen(const QString& title, const QString& directory,
                                                    const QString& filter) = 0;
};
