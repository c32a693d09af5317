#pragma once

#include "app/LotteryTable.h"
#include "history/DrawStore.h"

#include <QDate>
#include <cstdint>
#include <vector>

// A clearly synthetic history for newcomers and tests: `days` whole days of the
// lottery, ending with `lastDay`, every draw five distinct numbers drawn from a
// generator seeded with `seed`. The same arguments always give the same draws.
class DemoHistory {
public:
    static std::vector<StoredDraw> generate(const LotteryTable::Entry& lottery, int days,
                                            std::uint64_t seed, const QDate& lastDay);
};
