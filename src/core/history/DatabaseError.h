#pragma once

#include "common/UserError.h"

// A failure of the database or of the file it lives in.
class DatabaseError : public UserError {
public:
    explicit DatabaseError(const QString& message) : UserError(QStringLiteral("数据库错误"), message, false) {}
};
