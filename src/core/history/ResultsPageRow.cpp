#include "history/ResultsPageRow.h"

#include "history/IssueNumbers.h"

#include <QRegularExpression>

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool digitAt(const QString& text, qsizetype at) { return at >= 0 && at < text.size() && isDigit(text[at]); }

qsizetype digitRunEnd(const QString& text, qsizetype from)
{
    while (digitAt(text, from))
        ++from;
    return from;
}

// One way to read a run of digits as an issue.
struct IssueToken {
    QString issue;
    qsizetype numbersFrom = 0; // where the numbers start
    std::optional<int> gluedNumber; // the first number, when it was joined to the issue
};

// The stored issue for a date part (YYMMDD or YYYYMMDD) and a serial, or empty.
QString storedIssue(QStringView datePart, QStringView serialPart, const LotteryTable::Entry& lottery)
{
    if (serialPart.size() == 3 && (serialPart[0] != u'0' || !lottery.longDateIssue))
        return {};
    const int serial = serialPart.toInt();
    if (serial < 1)
        return {};
    const QString date = datePart.size() == 6 ? QStringLiteral("20") + datePart.toString() : datePart.toString();
    const QDate day = QDate::fromString(date, QStringLiteral("yyyyMMdd"));
    if (!IssueNumbers::representable(day, lottery.longDateIssue))
        return {};
    return IssueNumbers::format(day, serial, lottery.longDateIssue);
}

qsizetype afterIssueMark(const QString& row, qsizetype at) { return at < row.size() && row[at] == u'期' ? at + 1 : at; }

// The readings of the digit run [begin, end), the likeliest first.
std::vector<IssueToken> tokensAt(const QString& row, qsizetype begin, qsizetype end, const LotteryTable::Entry& lottery)
{
    std::vector<IssueToken> tokens;
    const QStringView run = QStringView(row).mid(begin, end - begin);
    const qsizetype length = run.size();
    // Dashed: YYMMDD-NN, YYYYMMDD-NN (and a three-digit serial).
    if ((length == 6 || length == 8) && end + 1 < row.size() && row[end] == u'-' && digitAt(row, end + 1)) {
        const qsizetype serialEnd = digitRunEnd(row, end + 1);
        const qsizetype serialDigits = serialEnd - end - 1;
        const QString issue = serialDigits == 2 || serialDigits == 3
                                  ? storedIssue(run, QStringView(row).mid(end + 1, serialDigits), lottery)
                                  : QString();
        if (!issue.isEmpty())
            tokens.push_back({issue, afterIssueMark(row, serialEnd), std::nullopt});
        return tokens;
    }
    if (length >= 8 && length <= 11) {
        const qsizetype serialDigits = (length == 9 || length == 11) ? 3 : 2;
        const QString issue = storedIssue(run.left(length - serialDigits), run.right(serialDigits), lottery);
        if (!issue.isEmpty())
            tokens.push_back({issue, afterIssueMark(row, end), std::nullopt});
    }
    // The issue in its stored form with the first number joined to it.
    const qsizetype stored = IssueNumbers::length(lottery.longDateIssue);
    if (length == stored + 2) {
        const QString issue = storedIssue(run.left(stored - 2), run.mid(stored - 2, 2), lottery);
        if (!issue.isEmpty())
            tokens.push_back({issue, end, run.right(2).toInt()});
    }
    return tokens;
}

// What may stand between an issue and its first number: a date or a time.
qsizetype skipDateOrTime(const QString& row, qsizetype at)
{
    static const QRegularExpression kDateOrTime(QStringLiteral(
        "\\G(?:\\d{4}[-/.年]\\d{1,2}[-/.月]\\d{1,2}日?|\\d{1,2}[-/月]\\d{1,2}日?|\\d{1,2}:\\d{2}(?::\\d{2})?)"
        "(?!\\d)"));
    const auto match =
        kDateOrTime.match(row, at, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
    return match.hasMatch() ? match.capturedEnd() : at;
}

bool isNumberSeparator(QChar c)
{
    return c.isSpace() || c == u',' || c == u'，' || c == u'、' || c == u'|' || c == u'+';
}

// Before the first number: separators, "期"/"第", Chinese labels and punctuation.
bool isLeadIn(QChar c)
{
    if (isNumberSeparator(c) || c == u':' || c == u';' || c == u'/' || c == u'(' || c == u')' || c == u'[' ||
        c == u']' || c == u'#' || c == u'-')
        return true;
    return c.unicode() > 0x7F && !c.isDigit();
}

QString notTwoDigits(int index, const QString& row, qsizetype at)
{
    const QString there = row.mid(at, 2);
    return QStringLiteral("第%1个号码的位置上不是两位数字（“%2”）。")
        .arg(index)
        .arg(there.simplified().isEmpty() ? QStringLiteral("空") : there);
}

// The five numbers from `at`; sets `end` past the last one.
std::optional<DrawNumbers> numbersFrom(const QString& row, qsizetype at, const IssueToken& token,
                                       const LotteryTable::Entry& lottery, QString* problem, qsizetype* end)
{
    DrawNumbers numbers{};
    int count = 0;
    if (token.gluedNumber)
        numbers[static_cast<size_t>(count++)] = *token.gluedNumber;
    while (count < 5) {
        const qsizetype start = at;
        while (at < row.size()) {
            if (count == 0) {
                if (isLeadIn(row[at])) {
                    ++at;
                    continue;
                }
                const qsizetype skipped = skipDateOrTime(row, at);
                if (skipped != at) {
                    at = skipped;
                    continue;
                }
            } else if (isNumberSeparator(row[at])) {
                ++at;
                continue;
            }
            break;
        }
        if (count > 0 && at == start) {
            *problem = notTwoDigits(count + 1, row, at);
            return std::nullopt;
        }
        if (!digitAt(row, at) || !digitAt(row, at + 1) || digitAt(row, at + 2)) {
            *problem = notTwoDigits(count + 1, row, at);
            return std::nullopt;
        }
        numbers[static_cast<size_t>(count++)] = row.mid(at, 2).toInt();
        at += 2;
    }
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i] < 1 || numbers[i] > lottery.numberRange) {
            *problem =
                QStringLiteral("第%1个号码%2不在1到%3之间。").arg(i + 1).arg(numbers[i]).arg(lottery.numberRange);
            return std::nullopt;
        }
        for (size_t j = 0; j < i; ++j)
            if (numbers[j] == numbers[i]) {
                *problem = QStringLiteral("号码%1重复出现：五个号码必须各不相同。").arg(numbers[i]);
                return std::nullopt;
            }
    }
    *end = at;
    return numbers;
}

} // namespace

std::vector<ResultsPageReading> ResultsPageRow::read(const QString& row, const LotteryTable::Entry& lottery)
{
    std::vector<ResultsPageReading> readings;
    qsizetype at = 0;
    while (at < row.size()) {
        if (!digitAt(row, at)) {
            ++at;
            continue;
        }
        const qsizetype runEnd = digitRunEnd(row, at);
        const std::vector<IssueToken> tokens = tokensAt(row, at, runEnd, lottery);
        std::optional<ResultsPageReading> failed;
        qsizetype next = runEnd;
        for (const IssueToken& token : tokens) {
            QString problem;
            qsizetype end = 0;
            if (const auto numbers = numbersFrom(row, token.numbersFrom, token, lottery, &problem, &end)) {
                readings.push_back({token.issue, numbers, QString()});
                failed.reset();
                next = end;
                break;
            }
            if (!failed)
                failed = ResultsPageReading{token.issue, std::nullopt, problem};
        }
        if (failed)
            readings.push_back(*failed);
        at = next;
    }
    return readings;
}
