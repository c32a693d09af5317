#include "history/DrawAttributes.h"

#include "history/AttributeCatalog.h"

#include <algorithm>
#include <cstdlib>

namespace {
bool isPrime(int n) { return n == 2 || n == 3 || n == 5 || n == 7 || n == 11; }
} // namespace

AttributeValues DrawAttributes::compute(const DrawNumbers& d, int serial, int drawsPerDay, const QDate& date,
                                        const std::optional<DrawNumbers>& previous)
{
    AttributeValues v{};
    auto at = [&v](int digit, char letter) -> std::int32_t& {
        return v[static_cast<size_t>(AttributeCatalog::index(digit, letter))];
    };

    int runningMax = 1;
    int runningMin = 99;
    for (int i = 1; i <= 5; ++i) {
        const int n = d[static_cast<size_t>(i - 1)];
        if (i > 1) {
            const int before = d[static_cast<size_t>(i - 2)];
            at(1, 'R') = std::max(at(1, 'R'), std::abs(n - before));
            if (n == before + 1)
                ++at(1, 'K');
            if (before == n + 1)
                ++at(2, 'K');
            if (n == before + 2)
                ++at(3, 'K');
            if (before == n + 2)
                ++at(4, 'K');
        }
        if (previous) {
            if (std::find(previous->begin(), previous->end(), n) != previous->end())
                ++at(5, 'N');
            if ((*previous)[static_cast<size_t>(i - 1)] == n)
                ++at(3, 'R');
        }
        if (isPrime(n)) {
            ++at(2, 'N');
            at(4, 'N') += n;
        } else if (n != 1) {
            ++at(1, 'N');
            at(3, 'N') += n;
        }
        at(1, 'L') += n;
        if (n < 6) {
            ++at(4, 'L');
            at(1, 'M') += n;
        } else {
            ++at(3, 'L');
            at(5, 'L') += n;
        }
        if (n % 2 == 0) {
            ++at(2, 'M');
            at(4, 'M') += n;
        } else {
            ++at(3, 'M');
            at(5, 'M') += n;
        }
        runningMin = std::min(runningMin, n);
        runningMax = std::max(runningMax, n);

        at(i, 'A') = n;
        at(i, 'B') = n > 5 ? 1 : 0;
        at(i, 'C') = n % 2;
        at(i, 'D') = n % 5;
        at(i, 'E') = n % 3;
        at(i, 'F') = (n - 1) / 2 + 1;
        at(i, 'G') = n * n;
        at(i, 'H') = runningMax - n;
        at(i, 'I') = 1 << n;
        at(i, 'J') = n * n * n;
    }
    for (int i = 1; i <= 5; ++i) {
        const int before = d[static_cast<size_t>((i + 3) % 5)];
        const int after = d[static_cast<size_t>(i % 5)];
        at(i, 'P') = before + after;
        at(i, 'Q') = std::abs(before - after);
    }
    at(2, 'L') = at(1, 'L') % 10;
    at(2, 'R') = runningMax - runningMin;

    const int t = std::max(1, drawsPerDay);
    at(5, 'K') = (t + serial - 3) % t + 1;
    at(1, 'O') = (t + serial - 2) % t + 1;
    at(2, 'O') = serial;
    at(3, 'O') = date.day();
    at(4, 'O') = date.month();
    at(5, 'O') = date.year();
    return v;
}
