// The results-page reader on any downloaded body: reduced to text, then walked
// for the expected issues of a lottery. Every draw it yields carries the issue
// it was looked for, in order, with five two-digit numbers.
#include "FuzzSupport.h"

#include "history/HistoryFetch.h"
#include "history/IssueNumbers.h"
#include "history/ResultsPage.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const LotteryTable::Entry lottery = LotteryTable::entry(data[0] % LotteryTable::kCount);
    const QString text =
        ResultsPage::text(QByteArray(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2)));

    // Two days of expected issues, starting at a serial the input chooses.
    const QDate day(2026, 12, 7);
    const QString first = IssueNumbers::format(day, data[1] % lottery.drawsPerDay + 1, lottery.longDateIssue);
    const QString last = IssueNumbers::format(day.addDays(1), lottery.drawsPerDay, lottery.longDateIssue);
    const HistoryFetch::Walk walk = HistoryFetch::walk(text, first, last, lottery);
    QString previous;
    for (const StoredDraw& draw : walk.found) {
        check(draw.issue >= first && draw.issue <= last && draw.issue > previous, "a draw outside or out of order",
              draw.issue);
        for (int n : draw.numbers)
            check(n >= 0 && n <= 99, "a number that is not two digits", draw.issue);
        const qsizetype at = ResultsPage::find(text, draw.issue, 0);
        check(at >= 0 && text.mid(at, draw.issue.size()) == draw.issue, "a found issue is not in the text", draw.issue);
        previous = draw.issue;
    }
    return 0;
}
