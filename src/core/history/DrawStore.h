#pragma once

#include "common/LotteryTable.h"
#include "history/DrawAttributes.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

class Database;

struct StoredDraw {
    QString issue;
    DrawNumbers numbers{};
};

// Adds, reads and removes draws of Lishi. Every change runs in one transaction.
class DrawStore {
public:
    DrawStore(Database& db, LotteryTable::Entry lottery);

    // Validates, computes the attribute row against the latest stored draw and
    // stores it. Raises UserError (title "号码输入有误") with nothing stored when
    // the draw is refused.
    void add(const QString& issue, const DrawNumbers& numbers);
    // Adds many draws, oldest first, in one transaction: all or none.
    void addAll(const std::vector<StoredDraw>& draws);
    // Empty when acceptable, else what is wrong.
    QString validate(const QString& issue, const DrawNumbers& numbers) const;

    int count() const;
    std::optional<StoredDraw> last() const;
    QString lastIssue() const;
    // The proposed issue of the next draw (QihaoXianshi); `today` is used when
    // the history is empty.
    QString nextIssue(const QDate& today) const;

    int deleteLast(int count); // returns how many were deleted
    int deleteAfter(const QString& issue); // keeps `issue` and everything before it
    int deleteAll();

    const LotteryTable::Entry& lottery() const { return m_lottery; }

private:
    void insert(const StoredDraw& draw, const std::optional<DrawNumbers>& previous);

    Database& m_db;
    LotteryTable::Entry m_lottery;
};
