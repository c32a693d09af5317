#pragma once

#include "common/UserError.h"

// A typed draw that was not stored, and which entry box holds the first thing
// wrong with it, so the window can put the user right there.
class DrawRefused : public UserError {
public:
    static constexpr int kIssueBox = 0; // Text1; 1..5 are the number boxes

    DrawRefused(int box, const QString& message) : UserError(QStringLiteral("号码输入有误"), message), m_box(box) {}
    int box() const { return m_box; }

private:
    int m_box;
};
