#include "history/ShuffledHistory.h"

#include "history/AttributeCatalog.h"
#include "history/DrawAttributes.h"

#include <QDate>
#include <algorithm>
#include <optional>
#include <random>
#include <vector>

HistorySnapshot ShuffledHistory::of(const HistorySnapshot& history, int drawsPerDay, std::uint64_t seed)
{
    const int size = history.size();
    std::vector<DrawNumbers> draws(static_cast<size_t>(size));
    for (int row = 0; row < size; ++row)
        for (int p = 1; p <= 5; ++p)
            draws[static_cast<size_t>(row)][static_cast<size_t>(p - 1)] = history.number(row, p);
    // Fisher-Yates from one seeded generator: the same seed, the same order.
    std::mt19937_64 random(seed);
    for (int i = size - 1; i > 0; --i) {
        std::uniform_int_distribution<int> pick(0, i);
        std::swap(draws[static_cast<size_t>(i)], draws[static_cast<size_t>(pick(random))]);
    }
    HistorySnapshot shuffled;
    shuffled.reserve(size);
    std::optional<DrawNumbers> previous;
    for (int row = 0; row < size; ++row) {
        // The serial and the date belong to the issue, which keeps its place.
        const int serial = history.value(row, AttributeCatalog::index(2, 'O'));
        const QDate date(history.value(row, AttributeCatalog::index(5, 'O')),
                         history.value(row, AttributeCatalog::index(4, 'O')),
                         history.value(row, AttributeCatalog::index(3, 'O')));
        const DrawNumbers& numbers = draws[static_cast<size_t>(row)];
        shuffled.append(history.issue(row), DrawAttributes::compute(numbers, serial, drawsPerDay, date, previous));
        previous = numbers;
    }
    return shuffled;
}
