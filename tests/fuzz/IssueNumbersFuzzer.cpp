// Issue validation and the next issue for all 28 lotteries: an accepted issue
// reads back as itself, and the proposed next issue is valid and sorts after it
// (or there is none, at the end of the range); a feed's form normalises to a
// dated issue or is refused.
#include "FuzzSupport.h"

#include "history/IssueNumbers.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const LotteryTable::Entry lottery = LotteryTable::entry(data[0] % LotteryTable::kCount);
    const bool longDate = lottery.longDateIssue;
    const int t = lottery.drawsPerDay;
    // A "today" from 1999 to 2179, so both ends of the short range are reached.
    const QDate today = QDate(1999, 1, 1).addDays(data[1] | (data[2] << 8));
    const QString issue = utf8(data + 3, size - 3);

    const QString proposal = IssueNumbers::next(QString(), t, longDate, today);
    check(proposal.isEmpty() != IssueNumbers::representable(today, longDate), "empty-history proposal", proposal);
    check(proposal.isEmpty() || IssueNumbers::validate(proposal, t, longDate).isEmpty(), "invalid first proposal",
          proposal);

    // A feed's form is either refused with a reason or becomes a dated issue of the stored length.
    QString why;
    const QString normal = IssueNumbers::normalise(issue, longDate, &why);
    check(why.isEmpty() || normal.isEmpty(), "a refused feed form with an issue", issue);
    check(!why.isEmpty() || normal == issue || IssueNumbers::dateOf(normal, longDate).has_value(),
          "a feed form without a date", issue + u' ' + normal);

    const QString problem = IssueNumbers::validate(issue, t, longDate);
    const std::optional<QDate> date = IssueNumbers::dateOf(issue, longDate);
    if (!problem.isEmpty())
        return 0;
    check(date.has_value(), "a valid issue without a date", issue);
    const int serial = IssueNumbers::serialOf(issue);
    check(serial >= 1 && serial <= t, "a valid issue with its serial outside 1..T", issue);
    check(IssueNumbers::format(*date, serial, longDate) == issue, "a valid issue does not read back", issue);

    const QString next = IssueNumbers::next(issue, t, longDate, today);
    if (next.isEmpty()) {
        check(serial == t && !IssueNumbers::representable(date->addDays(1), longDate), "no next issue inside the range",
              issue);
        return 0;
    }
    check(IssueNumbers::validate(next, t, longDate).isEmpty(), "the next issue is invalid", issue + u' ' + next);
    check(next > issue && next.size() == issue.size(), "the next issue does not sort after", issue + u' ' + next);
    return 0;
}
