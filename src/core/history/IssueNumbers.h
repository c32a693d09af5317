#pragma once

#include <QDate>
#include <QString>
#include <optional>

// Issue numbers: the draw date followed by a two-digit serial within the day.
// The date part is YYMMDD, or YYYYMMDD for lotteries with a long date (快乐12).
// A two-digit year YY is the year 20YY, so the short form covers 2000-01-01 to
// 2099-12-31 and the long form the years 0001 to 9999. Inside that range the
// text order of issues is their time order, which the order check relies on.
// This class is the only place that knows the format.
class IssueNumbers {
public:
    static int length(bool longDate) { return longDate ? 10 : 8; }
    // Whether the issue format can write this date at all.
    static bool representable(const QDate& date, bool longDate);
    static QString format(const QDate& date, int serial, bool longDate);
    // The date part of a well-formed issue (ASCII digits of the right length).
    static std::optional<QDate> dateOf(const QString& issue, bool longDate);
    static int serialOf(const QString& issue) { return issue.right(2).toInt(); }

    // The issue after `last`: serial + 1, or serial 01 of the next calendar day
    // after the last draw of a day (serial T). An empty `last` proposes today's 01.
    // Empty when no later issue can be written: after the last draw of the last
    // day of the range (there is no "00" year after 2099), or for a `today`
    // outside the range.
    static QString next(const QString& last, int drawsPerDay, bool longDate, const QDate& today);

    // Empty when the issue is acceptable, else a message saying what is wrong.
    // A serial above `drawsPerDay` is refused naming the 每天期数 setting.
    static QString validate(const QString& issue, int drawsPerDay, bool longDate);

    // The stored form of an issue as result feeds write it: YYMMDDNN or
    // YYYYMMDDNN, either with a dash before the serial (YYMMDD-NN,
    // YYYYMMDD-NN), and for long-date lotteries a three-digit serial
    // (YYYYMMDDNNN). A token of another shape comes back unchanged for
    // validate() to judge; a recognised shape whose date does not exist or
    // cannot be written in this lottery's form comes back empty with `problem`
    // set (naming the token as given).
    static QString normalise(const QString& token, bool longDate, QString* problem);
    // Shown when next() is empty.
    static QString noNextIssueMessage(bool longDate);
};
