#pragma once

#include "common/LotteryTable.h"
#include "history/DrawAttributes.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

class Database;

struct StoredDraw {
    QString issue;
    DrawNumbers numbers{};
};

// Adds, reads and removes draws of Lishi. Every change runs in one transaction,
// and everything a change depends on (the neighbouring draws) is read inside it.
class DrawStore {
public:
    DrawStore(Database& db, LotteryTable::Entry lottery);

    // Validates, computes the attribute row against the draw before it and
    // stores it. Raises DrawRefused (title "号码输入有误", naming the entry box of
    // the first problem) with nothing stored when the draw is refused.
    void add(const QString& issue, const DrawNumbers& numbers);
    // Adds many draws in one transaction: all or none.
    void addAll(const std::vector<StoredDraw>& draws);
    // The same as addAll for a caller that already holds a write transaction on
    // this database (a fetch that deletes and stores as one change). The database
    // must hold this lottery's data (Caizhong), or record it now: a draw of
    // another lottery is refused with a message naming the lottery of the data.
    // Every change ends what the latest deletion left to undo.
    void addWithinTransaction(const std::vector<StoredDraw>& draws);

    // Empty when acceptable, else what is wrong: the issue's form and the five
    // numbers, without looking at what is stored.
    QString validateDraw(const QString& issue, const DrawNumbers& numbers) const;
    // validateDraw, and the issue must not be stored yet.
    QString validate(const QString& issue, const DrawNumbers& numbers) const;

    int count() const;
    std::optional<StoredDraw> first() const;
    std::optional<StoredDraw> last() const;
    std::optional<StoredDraw> find(const QString& issue) const;
    QString lastIssue() const;
    // The proposed issue of the next draw (QihaoXianshi); `today` is used when
    // the history is empty.
    QString nextIssue(const QDate& today) const;

    // The deleted rows of deleteLast and deleteAfter are kept whole (LishiUndo)
    // until the next change of the history, for restoreDeleted.
    int deleteLast(int count); // returns how many were deleted
    int deleteAfter(const QString& issue); // keeps `issue` and everything before it
    int deleteAll(); // asks first in the window; cannot be undone
    // Removes the draws before `issue` (a fetch replacing an outdated history) for
    // a caller that holds a write transaction, keeping them for restoreDeleted.
    // The draw that is now first loses its previous draw and is computed again.
    int deleteBeforeWithinTransaction(const QString& issue);
    // How many draws stand before `issue`.
    int countBefore(const QString& issue) const;
    // Puts the rows of the latest deletion back exactly as they were stored (a
    // deletion at the start: the draw after them is computed against them again).
    // Returns their issues, empty when there is nothing to restore.
    QStringList restoreDeleted();
    // How many draws restoreDeleted would bring back.
    int restorableCount() const;

    const LotteryTable::Entry& lottery() const { return m_lottery; }

private:
    // The entry box of the first problem and what is wrong; an empty message when none.
    std::pair<int, QString> firstProblem(const QString& issue, const DrawNumbers& numbers) const;
    std::pair<int, QString> refusal(const QString& issue, const DrawNumbers& numbers) const;
    void requireOwnLottery();
    // Moves the rows `where` selects to LishiUndo (replacing what it held).
    int moveToUndo(const QString& where, const QString& issue);
    std::optional<StoredDraw> readOne(const QString& sql, const QString& issue = QString()) const;

    Database& m_db;
    LotteryTable::Entry m_lottery;
};
