// The results-page reader on any downloaded body: parsed into rows, read for
// draws, then walked for the expected issues of a lottery. Every draw it yields
// carries the issue it was looked for, in order, with five distinct numbers of
// the lottery's range.
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
    // The low bit chooses whether a header names the charset.
    const QString contentType = data[1] & 1 ? QStringLiteral("text/html; charset=gbk") : QString();
    const ResultsPage page = ResultsPage::read(
        QByteArray(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2)), contentType, lottery);

    // Two days of expected issues, starting at a serial the input chooses.
    const QDate day(2026, 12, 7);
    const QString first = IssueNumbers::format(day, (data[1] >> 1) % lottery.drawsPerDay + 1, lottery.longDateIssue);
    const QString last = IssueNumbers::format(day.addDays(1), lottery.drawsPerDay, lottery.longDateIssue);
    const HistoryFetch::Walk walk = HistoryFetch::walk(page, first, last, lottery);
    QString previous;
    for (const StoredDraw& draw : walk.found) {
        check(draw.issue >= first && draw.issue <= last && draw.issue > previous, "a draw outside or out of order",
              draw.issue);
        for (size_t i = 0; i < draw.numbers.size(); ++i) {
            check(draw.numbers[i] >= 1 && draw.numbers[i] <= lottery.numberRange, "a number out of range", draw.issue);
            for (size_t j = 0; j < i; ++j)
                check(draw.numbers[i] != draw.numbers[j], "a repeated number", draw.issue);
        }
        check(page.recognised() > 0, "a draw on a page that recognised none", draw.issue);
        previous = draw.issue;
    }
    return 0;
}
