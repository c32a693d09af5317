#pragma once

#include "common/LotteryTable.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"

#include <QDate>
#include <cstdint>
#include <vector>

// A clearly synthetic history for newcomers and tests: `days` whole days of the
// lottery, ending with `lastDay`, every draw five distinct numbers drawn from a
// generator seeded with `seed`. The same arguments always give the same draws.
class DemoHistory {
public:
    static std::vector<StoredDraw> generate(const LotteryTable::Entry& lottery, int days, std::uint64_t seed,
                                            const QDate& lastDay);
    // The same draws as an in-memory history with every attribute computed, as
    // storing them would give (tests and benchmarks that need no database).
    static HistorySnapshot snapshot(const LotteryTable::Entry& lottery, const std::vector<StoredDraw>& draws);
};
