#include "history/IssueNumbers.h"

namespace {

// Only the ASCII digits: other scripts' digits would pass a Unicode test but
// read as 0, storing a draw under a different date.
bool allAsciiDigits(const QString& text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

int firstYear(bool longDate) { return longDate ? 1 : 2000; }
int lastYear(bool longDate) { return longDate ? 9999 : 2099; }

} // namespace

bool IssueNumbers::representable(const QDate& date, bool longDate)
{
    return date.isValid() && date.year() >= firstYear(longDate) && date.year() <= lastYear(longDate);
}

QString IssueNumbers::format(const QDate& date, int serial, bool longDate)
{
    const QString datePart = date.toString(longDate ? QStringLiteral("yyyyMMdd") : QStringLiteral("yyMMdd"));
    return datePart + QStringLiteral("%1").arg(serial, 2, 10, QChar(u'0'));
}

std::optional<QDate> IssueNumbers::dateOf(const QString& issue, bool longDate)
{
    if (issue.size() != length(longDate) || !allAsciiDigits(issue))
        return std::nullopt;
    const int yearDigits = longDate ? 4 : 2;
    int year = issue.left(yearDigits).toInt();
    if (!longDate)
        year += 2000;
    const QDate date(year, issue.mid(yearDigits, 2).toInt(), issue.mid(yearDigits + 2, 2).toInt());
    if (!representable(date, longDate))
        return std::nullopt;
    return date;
}

QString IssueNumbers::next(const QString& last, int drawsPerDay, bool longDate, const QDate& today)
{
    const std::optional<QDate> date = dateOf(last, longDate);
    if (!date)
        return representable(today, longDate) ? format(today, 1, longDate) : QString();
    const int serial = serialOf(last);
    if (serial < drawsPerDay)
        return format(*date, serial + 1, longDate);
    const QDate following = date->addDays(1);
    return representable(following, longDate) ? format(following, 1, longDate) : QString();
}

QString IssueNumbers::validate(const QString& issue, int drawsPerDay, bool longDate)
{
    const int expected = length(longDate);
    if (issue.size() != expected)
        return QStringLiteral("期号必须是%1位数字（%2日期加两位期序），现在是%3位。")
            .arg(expected)
            .arg(longDate ? QStringLiteral("YYYYMMDD") : QStringLiteral("YYMMDD"))
            .arg(issue.size());
    if (!allAsciiDigits(issue))
        return QStringLiteral("期号只能由数字0到9组成：%1").arg(issue);
    if (!dateOf(issue, longDate))
        return QStringLiteral("期号%1中的日期不存在。").arg(issue);
    const int serial = serialOf(issue);
    if (serial < 1)
        return QStringLiteral("期号%1的期序00不存在，期序从01开始。").arg(issue);
    if (serial > drawsPerDay)
        return QStringLiteral("期号%1的期序%2大于每天期数%3（“设置 → 每天期数设置”，命令行 settings "
                              "--draws-per-day）。")
            .arg(issue)
            .arg(serial, 2, 10, QChar(u'0'))
            .arg(drawsPerDay);
    return {};
}

QString IssueNumbers::normalise(const QString& token, bool longDate, QString* problem)
{
    const qsizetype dash = token.indexOf(u'-');
    QString datePart;
    QString serialPart;
    if (dash >= 0) {
        datePart = token.left(dash);
        serialPart = token.mid(dash + 1);
    } else if (!longDate && token.size() == 10) {
        datePart = token.left(8);
        serialPart = token.right(2);
    } else if (longDate && (token.size() == 8 || token.size() == 11)) {
        datePart = token.left(token.size() == 8 ? 6 : 8);
        serialPart = token.mid(datePart.size());
    } else {
        return token; // the stored form, or a shape validate() explains
    }
    const bool shaped = (datePart.size() == 6 || datePart.size() == 8) && allAsciiDigits(datePart) &&
                        (serialPart.size() == 2 || serialPart.size() == 3) && allAsciiDigits(serialPart);
    if (!shaped)
        return token;
    const int year = datePart.size() == 6 ? 2000 + datePart.left(2).toInt() : datePart.left(4).toInt();
    const QDate date(year, datePart.mid(datePart.size() - 4, 2).toInt(), datePart.right(2).toInt());
    const int serial = serialPart.toInt();
    QString why;
    if (!date.isValid())
        why = QStringLiteral("期号%1中的日期不存在。").arg(token);
    else if (!representable(date, longDate))
        why = QStringLiteral("期号%1的年份不在%2到%3年之间。")
                  .arg(token)
                  .arg(firstYear(longDate))
                  .arg(lastYear(longDate));
    else if (serial > 99)
        why = QStringLiteral("期号%1的期序%2超过两位数。").arg(token, serialPart);
    if (!why.isEmpty()) {
        if (problem)
            *problem = why;
        return {};
    }
    return format(date, serial, longDate);
}

QString IssueNumbers::noNextIssueMessage(bool longDate)
{
    return QStringLiteral("期号的日期只能写到%1年12月31日，之后的开奖无法编号。").arg(lastYear(longDate));
}
