#pragma once

#include "common/LotteryTable.h"
#include "history/DemoHistory.h"
#include "history/DrawAttributes.h"
#include "history/HistorySnapshot.h"
#include "history/IssueNumbers.h"
#include "search/Candidate.h"

#include <QDate>
#include <initializer_list>
#include <vector>

// Histories and candidates for the search tests.
namespace SearchFixtures {

// A seeded synthetic history of `days` days of lottery `index`, every attribute computed.
inline HistorySnapshot demoHistory(int days, std::uint64_t seed = 7, int index = 0)
{
    const LotteryTable::Entry lottery = LotteryTable::entry(index);
    return DemoHistory::snapshot(lottery, DemoHistory::generate(lottery, days, seed, QDate(2026, 11, 30)));
}

// A history holding only the given numbers (every other column 0).
inline HistorySnapshot numbersOnly(const std::vector<DrawNumbers>& draws)
{
    HistorySnapshot history;
    int serial = 0;
    for (const DrawNumbers& numbers : draws) {
        std::array<std::int32_t, AttributeCatalog::kCount> values{};
        for (int p = 1; p <= 5; ++p)
            values[static_cast<size_t>(AttributeCatalog::numberColumn(p))] = numbers[static_cast<size_t>(p - 1)];
        history.append(QStringLiteral("261201%1").arg(++serial, 2, 10, QChar(u'0')), values);
    }
    return history;
}

inline Candidate candidateOf(std::initializer_list<int> terms, int constant)
{
    Candidate c;
    for (int t : terms)
        c.terms[static_cast<size_t>(c.termCount++)] = static_cast<std::uint8_t>(t);
    c.constant = constant;
    return c;
}

} // namespace SearchFixtures
