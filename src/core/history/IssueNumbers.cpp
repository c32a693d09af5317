#include "history/IssueNumbers.h"

QString IssueNumbers::format(const QDate& date, int serial, bool longDate)
{
    const QString datePart = date.toString(longDate ? QStringLiteral("yyyyMMdd") : QStringLiteral("yyMMdd"));
    return datePart + QStringLiteral("%1").arg(serial, 2, 10, QChar(u'0'));
}

std::optional<QDate> IssueNumbers::dateOf(const QString& issue, bool longDate)
{
    if (issue.size() != length(longDate))
        return std::nullopt;
    for (QChar c : issue)
        if (!c.isDigit())
            return std::nullopt;
    const int yearDigits = longDate ? 4 : 2;
    int year = issue.left(yearDigits).toInt();
    if (!longDate)
        year += 2000;
    const QDate date(year, issue.mid(yearDigits, 2).toInt(), issue.mid(yearDigits + 2, 2).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString IssueNumbers::next(const QString& last, int drawsPerDay, bool longDate, const QDate& today)
{
    const std::optional<QDate> date = dateOf(last, longDate);
    if (!date)
        return format(today, 1, longDate);
    const int serial = serialOf(last);
    if (serial >= drawsPerDay)
        return format(date->addDays(1), 1, longDate);
    return format(*date, serial + 1, longDate);
}

QString IssueNumbers::validate(const QString& issue, int drawsPerDay, bool longDate)
{
    const int expected = length(longDate);
    if (issue.size() != expected)
        return QStringLiteral("期号必须是%1位数字（%2日期加两位期序），现在是%3位。")
            .arg(expected)
            .arg(longDate ? QStringLiteral("YYYYMMDD") : QStringLiteral("YYMMDD"))
            .arg(issue.size());
    for (QChar c : issue)
        if (!c.isDigit())
            return QStringLiteral("期号只能由数字组成：%1").arg(issue);
    if (!dateOf(issue, longDate))
        return QStringLiteral("期号%1中的日期不存在。").arg(issue);
    const int serial = serialOf(issue);
    if (serial < 1 || serial > drawsPerDay)
        return QStringLiteral("期号%1的期序%2不在01到%3之间。")
            .arg(issue)
            .arg(serial, 2, 10, QChar(u'0'))
            .arg(drawsPerDay);
    return {};
}
