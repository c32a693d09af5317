#pragma once

#include "common/UserError.h"

// A failure of the database or of the file it lives in. The message names the
// cause first, in words a user understands; what SQLite said and the statement
// follow in a details part on lines of their own.
class DatabaseError : public UserError {
public:
    explicit DatabaseError(const QString& cause, const QString& details = QString())
        : UserError(QStringLiteral("数据库错误"),
                    details.isEmpty() ? cause : QString(cause + QStringLiteral("\n详细信息：") + details), false),
          m_cause(cause),
          m_details(details)
    {}
    QString cause() const { return m_cause; }
    QString details() const { return m_details; }

private:
    QString m_cause;
    QString m_details;
};
