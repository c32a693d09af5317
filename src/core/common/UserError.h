#pragma once

#include <QString>
#include <stdexcept>

// A failure that reaches the user as a message box (title + text) or, in the
// command-line tool, as a line on stderr. `badInput` tells the CLI which exit
// status to use: 2 for input the user can correct, 1 for a failure.
class UserError : public std::runtime_error {
public:
    UserError(const QString& title, const QString& message, bool badInput = true)
        : std::runtime_error(message.toStdString()),
          m_title(title),
          m_message(message),
          m_badInput(badInput)
    {}
    QString title() const { return m_title; }
    QString message() const { return m_message; }
    bool isBadInput() const { return m_badInput; }

private:
    QString m_title;
    QString m_message;
    bool m_badInput;
};
