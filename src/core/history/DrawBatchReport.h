#pragma once

#include <QString>
#include <vector>

// A draw that a fetch or an import did not store, and why.
struct SkippedDraw {
    QString issue;
    QString reason;
};

// What a fetch or an import did: the issues stored, the draws left out, and
// whether the old history was deleted first.
struct DrawBatchReport {
    std::vector<QString> added;
    std::vector<SkippedDraw> skipped;
    bool deletedFirst = false;
    int deleted = 0; // a fetch: old draws replaced, kept for 撤销删除
    int recognised = 0; // a fetch: rows of the page read as draws

    // "N 期已更新，M 期跳过", the old draws replaced, then a line for each of the
    // first 20 skipped draws.
    QString summary() const;
};
