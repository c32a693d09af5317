#pragma once

#include <QDate>
#include <QString>

class HistorySnapshot;

// The history rows a trend counts: [first, end), oldest first.
struct TrendRows {
    int first = 0;
    int end = 0;
    int count() const { return end - first; }
};

// Which draws a trend counts: the latest N, those of the latest calendar days
// (by the date in their issue), or those between two issues.
struct TrendRange {
    enum class Kind { Latest, Days, Issues };

    Kind kind = Kind::Latest;
    int window = 0; // Latest: 0 (or more than there are) counts all
    int days = 1; // Days: how many calendar days, ending at `lastDay`
    QDate lastDay; // Days: the last day counted (today, or yesterday for 昨天)
    QString from; // Issues: both ends included; issues compare as text, which is their time order
    QString to;

    static TrendRange latest(int window);
    static TrendRange lastDays(int days, const QDate& lastDay);
    static TrendRange issues(const QString& from, const QString& to);

    // The rows of the history it covers (stored issues are in time order, so always one block).
    TrendRows resolve(const HistorySnapshot& history, bool longDateIssues) const;
};
