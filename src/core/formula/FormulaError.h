#pragma once

#include "common/UserError.h"

// A formula line that cannot be taken apart or whose code form is not a valid
// expression. The message is the one the user sees; `detail` says where and what
// (for the unrecognised-lines report, the CLI and tests).
class FormulaError : public UserError {
public:
    explicit FormulaError(const QString& detail, int position = -1)
        : UserError(QStringLiteral("无法识别公式"), QStringLiteral("公式文本文件中含有无法识别公式，无法添加到软件"),
                    true),
          m_detail(detail),
          m_position(position)
    {}
    QString detail() const { return m_detail; }
    int position() const { return m_position; } // 0-based character in the code form, or -1

private:
    QString m_detail;
    int m_position;
};
