#include "analysis/TrendClasses.h"

#include <algorithm>
#include <stdexcept>

namespace {

long long choose(int n, int k)
{
    if (k < 0 || n < k)
        return 0;
    long long result = 1;
    for (int i = 1; i <= k; ++i)
        result = result * (n - k + i) / i;
    return result;
}

QString twoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0')); }

// Two columns: `first` holds the numbers `inFirst` accepts, `second` the others.
template <typename Test>
void split(TrendClasses& classes, const QString& first, const QString& second, Test inFirst)
{
    classes.labels = {first, second};
    classes.sizes = {0, 0};
    for (int n = 1; n <= classes.range; ++n) {
        const int column = inFirst(n) ? 0 : 1;
        classes.columnOf.push_back(column);
        ++classes.sizes[static_cast<size_t>(column)];
    }
}

bool inFirstHalf(int half, int range, int n)
{
    switch (half) {
    case 0: return n >= TrendClasses::firstBig(range);
    case 1: return n % 2 == 1;
    default: return TrendClasses::isPrimeClass(n);
    }
}

// The number of five-number sets of 1..range with each sum, by the sum.
std::vector<long long> setsBySum(int range)
{
    const int top = TrendClasses::largestSum(range);
    // ways[k][s]: sets of k numbers among those seen so far with sum s.
    std::vector<std::vector<long long>> ways(6, std::vector<long long>(static_cast<size_t>(top) + 1, 0));
    ways[0][0] = 1;
    for (int n = 1; n <= range; ++n)
        for (int k = 5; k >= 1; --k)
            for (int s = top; s >= n; --s)
                ways[static_cast<size_t>(k)][static_cast<size_t>(s)] +=
                    ways[static_cast<size_t>(k - 1)][static_cast<size_t>(s - n)];
    return ways[5];
}

} // namespace

TrendClasses TrendClasses::of(TrendView view, int range)
{
    if (range < 5 || range > 99)
        throw std::invalid_argument("a trend needs a range of 5..99 numbers");
    TrendClasses classes;
    classes.view = view;
    classes.range = range;
    const double sets = static_cast<double>(choose(range, 5));
    switch (view) {
    case TrendView::Numbers:
        for (int n = 1; n <= range; ++n) {
            classes.labels << twoDigits(n);
            classes.columnOf.push_back(n - 1);
            classes.sizes.push_back(1);
        }
        break;
    case TrendView::BigSmall:
        split(classes, QStringLiteral("大"), QStringLiteral("小"), [range](int n) { return n >= firstBig(range); });
        break;
    case TrendView::OddEven:
        split(classes, QStringLiteral("单"), QStringLiteral("双"), [](int n) { return n % 2 == 1; });
        break;
    case TrendView::PrimeComposite: split(classes, QStringLiteral("质"), QStringLiteral("合"), isPrimeClass); break;
    case TrendView::Route012:
        classes.labels = {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")};
        classes.sizes = {0, 0, 0};
        for (int n = 1; n <= range; ++n) {
            classes.columnOf.push_back(n % 3);
            ++classes.sizes[static_cast<size_t>(n % 3)];
        }
        break;
    case TrendView::Distribution:
        classes.hitsPerDraw = 5;
        for (int n = 1; n <= range; ++n) {
            classes.labels << twoDigits(n);
            classes.chances.push_back(5.0 / range); // C(R−1, 4) / C(R, 5)
        }
        break;
    case TrendView::Sum: {
        const std::vector<long long> bySum = setsBySum(range);
        for (int s = smallestSum(); s <= largestSum(range); ++s) {
            classes.labels << QString::number(s);
            classes.chances.push_back(static_cast<double>(bySum[static_cast<size_t>(s)]) / sets);
        }
        break;
    }
    case TrendView::SumTail: {
        const std::vector<long long> bySum = setsBySum(range);
        std::vector<long long> byTail(10, 0);
        for (size_t s = 0; s < bySum.size(); ++s)
            byTail[s % 10] += bySum[s];
        for (int t = 0; t < 10; ++t) {
            classes.labels << QString::number(t);
            classes.chances.push_back(static_cast<double>(byTail[static_cast<size_t>(t)]) / sets);
        }
        break;
    }
    case TrendView::Span:
        // Span d: the smallest number a (R − d ways), the largest a + d, three of the d − 1 between.
        for (int d = 4; d <= range - 1; ++d) {
            classes.labels << QString::number(d);
            classes.chances.push_back(static_cast<double>((range - d) * choose(d - 1, 3)) / sets);
        }
        break;
    case TrendView::RatioBigSmall:
    case TrendView::RatioOddEven:
    case TrendView::RatioPrimeComposite: {
        classes.m_ratioHalf = static_cast<int>(view) - static_cast<int>(TrendView::RatioBigSmall);
        int first = 0;
        for (int n = 1; n <= range; ++n)
            first += inFirstHalf(classes.m_ratioHalf, range, n) ? 1 : 0;
        // Hypergeometric: k of the first half's numbers and 5 − k of the others.
        for (int k = 0; k <= 5; ++k) {
            classes.labels << QStringLiteral("%1:%2").arg(k).arg(5 - k);
            classes.chances.push_back(static_cast<double>(choose(first, k) * choose(range - first, 5 - k)) / sets);
        }
        break;
    }
    case TrendView::Pairs:
    case TrendView::Front2Group:
        classes.hitsPerDraw = view == TrendView::Pairs ? 10 : 1;
        classes.m_pairIndex.assign(static_cast<size_t>((range + 1) * (range + 1)), -1);
        for (int a = 1; a <= range; ++a)
            for (int b = a + 1; b <= range; ++b) {
                classes.m_pairIndex[static_cast<size_t>(a * (range + 1) + b)] = classes.columnCount();
                classes.labels << twoDigits(a) + u'-' + twoDigits(b);
                // Pairs: the other three of the draw among the R − 2 others; front two: one of C(R, 2).
                classes.chances.push_back(view == TrendView::Pairs ? static_cast<double>(choose(range - 2, 3)) / sets
                                                                   : 1.0 / static_cast<double>(choose(range, 2)));
            }
        break;
    case TrendView::Front3Group:
        classes.m_tripleIndex.assign(static_cast<size_t>((range + 1) * (range + 1) * (range + 1)), -1);
        for (int a = 1; a <= range; ++a)
            for (int b = a + 1; b <= range; ++b)
                for (int c = b + 1; c <= range; ++c) {
                    classes.m_tripleIndex[static_cast<size_t>((a * (range + 1) + b) * (range + 1) + c)] =
                        classes.columnCount();
                    classes.labels << twoDigits(a) + u'-' + twoDigits(b) + u'-' + twoDigits(c);
                    classes.chances.push_back(1.0 / static_cast<double>(choose(range, 3)));
                }
        break;
    }
    // A position holds each number equally often, so a class's chance is its share of the numbers.
    for (int size : classes.sizes)
        classes.chances.push_back(static_cast<double>(size) / range);
    return classes;
}

QString TrendClasses::caption(TrendView view)
{
    static const char* const captions[kViewCount] = {"号码",     "大小",   "单双",     "质合",     "012路",
                                                     "号码分布", "和值",   "和尾",     "跨度",     "大小比",
                                                     "奇偶比",   "质合比", "任二遗漏", "前二组选", "前三组选"};
    return QString::fromUtf8(captions[static_cast<int>(view)]);
}

std::vector<int> TrendClasses::members(int column) const
{
    std::vector<int> numbers;
    for (size_t n = 1; n <= columnOf.size(); ++n)
        if (columnOf[n - 1] == column)
            numbers.push_back(static_cast<int>(n));
    return numbers;
}

void TrendClasses::hits(const std::array<int, 5>& draw, int position, int* out) const
{
    const int stride = range + 1;
    switch (view) {
    case TrendView::Numbers:
    case TrendView::BigSmall:
    case TrendView::OddEven:
    case TrendView::PrimeComposite:
    case TrendView::Route012:
        out[0] = columnOf[static_cast<size_t>(draw[static_cast<size_t>(position - 1)] - 1)];
        return;
    case TrendView::Distribution:
        for (size_t i = 0; i < 5; ++i)
            out[i] = draw[i] - 1;
        return;
    case TrendView::Sum:
    case TrendView::SumTail: {
        const int sum = draw[0] + draw[1] + draw[2] + draw[3] + draw[4];
        out[0] = view == TrendView::Sum ? sum - smallestSum() : sum % 10;
        return;
    }
    case TrendView::Span: {
        const auto [low, high] = std::minmax_element(draw.begin(), draw.end());
        out[0] = *high - *low - 4;
        return;
    }
    case TrendView::RatioBigSmall:
    case TrendView::RatioOddEven:
    case TrendView::RatioPrimeComposite: {
        int k = 0;
        for (int n : draw)
            k += inFirstHalf(m_ratioHalf, range, n) ? 1 : 0;
        out[0] = k;
        return;
    }
    case TrendView::Pairs: {
        std::array<int, 5> sorted = draw;
        std::sort(sorted.begin(), sorted.end());
        int* next = out;
        for (size_t i = 0; i < 5; ++i)
            for (size_t j = i + 1; j < 5; ++j)
                *next++ = m_pairIndex[static_cast<size_t>(sorted[i] * stride + sorted[j])];
        return;
    }
    case TrendView::Front2Group:
        out[0] = m_pairIndex[static_cast<size_t>(std::min(draw[0], draw[1]) * stride + std::max(draw[0], draw[1]))];
        return;
    case TrendView::Front3Group: {
        std::array<int, 3> three{draw[0], draw[1], draw[2]};
        std::sort(three.begin(), three.end());
        out[0] = m_tripleIndex[static_cast<size_t>((three[0] * stride + three[1]) * stride + three[2])];
        return;
    }
    }
}

bool TrendClasses::isPrimeClass(int number)
{
    if (number < 2)
        return number == 1;
    for (int d = 2; d * d <= number; ++d)
        if (number % d == 0)
            return false;
    return true;
}
