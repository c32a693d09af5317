#pragma once

#include <QDate>
#include <QString>
#include <optional>

// Issue numbers: the draw date followed by a two-digit serial within the day.
// The date part is YYMMDD, or YYYYMMDD for lotteries with a long date (快乐12).
// This class is the only place that knows the format.
class IssueNumbers {
public:
    static int length(bool longDate) { return longDate ? 10 : 8; }
    static QString format(const QDate& date, int serial, bool longDate);
    static std::optional<QDate> dateOf(const QString& issue, bool longDate);
    static int serialOf(const QString& issue) { return issue.right(2).toInt(); }

    // The issue after `last`: serial + 1, or serial 01 of the next calendar day
    // after the last draw of a day (serial T). An empty `last` proposes today's 01.
    static QString next(const QString& last, int drawsPerDay, bool longDate, const QDate& today);

    // Empty when the issue is acceptable, else a message saying what is wrong.
    static QString validate(const QString& issue, int drawsPerDay, bool longDate);
};
