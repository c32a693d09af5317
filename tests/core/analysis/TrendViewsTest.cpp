#include "analysis/TrendChart.h"
#include "analysis/TrendFit.h"
#include "history/DemoHistory.h"
#include "history/IssueNumbers.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>

namespace {

using Draws = std::vector<std::array<int, 5>>;

// Five draws of 1..11, oldest first.
const Draws kFive = {
    {1, 2, 3, 4, 5}, // sum 15, span 4
    {3, 7, 1, 11, 9}, // sum 31, span 10
    {8, 2, 3, 10, 6}, // sum 29, span 8
    {7, 3, 5, 9, 11}, // sum 35, span 8
    {11, 10, 4, 6, 1}, // sum 32, span 10
};

TrendChart chartOf(TrendView view, const Draws& draws, int position = 1, int range = 11)
{
    std::vector<QString> issues;
    for (size_t i = 0; i < draws.size(); ++i)
        issues.push_back(QString::number(25030101 + i));
    return TrendChart(issues, draws, position, TrendClasses::of(view, range));
}

struct Expected {
    const char* key;
    int current;
    int max;
    int frequency;
    int maxRun;
};

// The listed columns have these figures; every other column never came.
void expectTable(TrendView view, const std::vector<Expected>& listed, int position = 1, const Draws& draws = kFive,
                 int range = 11)
{
    const TrendChart chart = chartOf(view, draws, position, range);
    const int rows = chart.rowCount();
    int frequencies = 0;
    for (const OmissionStats& s : chart.omissionTable()) {
        const QString key = chart.classes().labels.at(s.column);
        frequencies += s.frequency;
        EXPECT_DOUBLE_EQ(s.average, static_cast<double>(rows - s.frequency) / (s.frequency + 1)) << key.toStdString();
        const auto it = std::find_if(listed.begin(), listed.end(),
                                     [&key](const Expected& e) { return key == QString::fromUtf8(e.key); });
        const Expected e = it != listed.end() ? *it : Expected{"", rows, rows, 0, 0};
        EXPECT_EQ(s.current, e.current) << key.toStdString();
        EXPECT_EQ(s.max, e.max) << key.toStdString();
        EXPECT_EQ(s.frequency, e.frequency) << key.toStdString();
        EXPECT_EQ(s.maxRun, e.maxRun) << key.toStdString();
    }
    EXPECT_EQ(frequencies, rows * chart.hitsPerDraw());
}

TEST(TrendViews, HandCountedTablesOfEveryView)
{
    // Position 1 holds 1, 3, 8, 7, 11: remainders 1, 0, 2, 1, 2.
    expectTable(TrendView::Route012, {{"0", 3, 3, 1, 1}, {"1", 1, 2, 2, 1}, {"2", 0, 2, 2, 1}});
    // Position 5 holds 5, 9, 6, 11, 1: 大 three times in a row.
    expectTable(TrendView::BigSmall, {{"大", 1, 1, 3, 3}, {"小", 0, 3, 2, 1}}, 5);
    expectTable(TrendView::Distribution, {{"01", 0, 2, 3, 2},
                                          {"02", 2, 2, 2, 1},
                                          {"03", 1, 1, 4, 4},
                                          {"04", 0, 3, 2, 1},
                                          {"05", 1, 2, 2, 1},
                                          {"06", 0, 2, 2, 1},
                                          {"07", 1, 1, 2, 1},
                                          {"08", 2, 2, 1, 1},
                                          {"09", 1, 1, 2, 1},
                                          {"10", 0, 2, 2, 1},
                                          {"11", 0, 1, 3, 2}});
    expectTable(TrendView::Sum,
                {{"15", 4, 4, 1, 1}, {"31", 3, 3, 1, 1}, {"29", 2, 2, 1, 1}, {"35", 1, 3, 1, 1}, {"32", 0, 4, 1, 1}});
    expectTable(TrendView::SumTail, {{"5", 1, 2, 2, 1}, {"1", 3, 3, 1, 1}, {"9", 2, 2, 1, 1}, {"2", 0, 4, 1, 1}});
    expectTable(TrendView::Span, {{"4", 4, 4, 1, 1}, {"8", 1, 2, 2, 2}, {"10", 0, 2, 2, 1}});
    expectTable(TrendView::RatioBigSmall, {{"0:5", 4, 4, 1, 1}, {"3:2", 0, 1, 4, 4}});
    expectTable(TrendView::RatioOddEven,
                {{"3:2", 4, 4, 1, 1}, {"5:0", 1, 1, 2, 1}, {"1:4", 2, 2, 1, 1}, {"2:3", 0, 4, 1, 1}});
    expectTable(TrendView::RatioPrimeComposite, {{"4:1", 1, 1, 3, 2}, {"2:3", 0, 2, 2, 1}});
    expectTable(TrendView::Front2Group,
                {{"01-02", 4, 4, 1, 1}, {"03-07", 1, 1, 2, 1}, {"02-08", 2, 2, 1, 1}, {"10-11", 0, 4, 1, 1}});
    expectTable(TrendView::Front3Group, {{"01-02-03", 4, 4, 1, 1},
                                         {"01-03-07", 3, 3, 1, 1},
                                         {"02-03-08", 2, 2, 1, 1},
                                         {"03-05-07", 1, 3, 1, 1},
                                         {"04-10-11", 0, 4, 1, 1}});

    // 任二: every pair of each draw, ten per draw.
    const TrendChart pairs = chartOf(TrendView::Pairs, kFive);
    ASSERT_EQ(pairs.columnCount(), 55);
    auto pair = [&pairs](const char* key) {
        return pairs.omissionTable()[static_cast<size_t>(pairs.classes().labels.indexOf(QString::fromUtf8(key)))];
    };
    const std::vector<Expected> some = {{"01-03", 3, 3, 2, 2}, {"03-07", 1, 1, 2, 1}, {"01-11", 0, 2, 2, 1},
                                        {"03-05", 1, 2, 2, 1}, {"01-04", 0, 3, 2, 1}, {"01-02", 4, 4, 1, 1},
                                        {"06-08", 2, 2, 1, 1}, {"02-07", 5, 5, 0, 0}};
    for (const Expected& e : some) {
        const OmissionStats s = pair(e.key);
        EXPECT_EQ(s.current, e.current) << e.key;
        EXPECT_EQ(s.max, e.max) << e.key;
        EXPECT_EQ(s.frequency, e.frequency) << e.key;
        EXPECT_EQ(s.maxRun, e.maxRun) << e.key;
    }
    EXPECT_EQ(pairs.omission(2, pairs.classes().labels.indexOf(QStringLiteral("01-03"))), 1);
    EXPECT_EQ(pairs.drawText(3), QStringLiteral("07 03 05 09 11"));

    // A repeated number cannot make a whole-draw column.
    EXPECT_THROW(chartOf(TrendView::Pairs, {{1, 1, 2, 3, 4}}), std::invalid_argument);
    EXPECT_THROW(chartOf(TrendView::Sum, {{1, 2, 3, 4, 12}}), std::invalid_argument);
}

TEST(TrendViews, HappyTwelveHistory)
{
    const Draws twelve = {{12, 11, 10, 9, 8}, {1, 12, 2, 3, 4}};
    const int columns[] = {12, 2, 2, 2, 3, 12, 36, 10, 8, 6, 6, 6, 66, 66, 220};
    for (int v = 0; v < TrendClasses::kViewCount; ++v)
        EXPECT_EQ(TrendClasses::of(static_cast<TrendView>(v), 12).columnCount(), columns[v]) << v;
    expectTable(TrendView::Sum, {{"50", 1, 1, 1, 1}, {"22", 0, 1, 1, 1}}, 1, twelve, 12);
    expectTable(TrendView::Span, {{"4", 1, 1, 1, 1}, {"11", 0, 1, 1, 1}}, 1, twelve, 12);
    expectTable(TrendView::RatioBigSmall, {{"5:0", 1, 1, 1, 1}, {"1:4", 0, 1, 1, 1}}, 1, twelve, 12);
    expectTable(TrendView::Front2Group, {{"11-12", 1, 1, 1, 1}, {"01-12", 0, 1, 1, 1}}, 1, twelve, 12);
    expectTable(TrendView::Front3Group, {{"10-11-12", 1, 1, 1, 1}, {"01-02-12", 0, 1, 1, 1}}, 1, twelve, 12);
    expectTable(TrendView::Numbers, {{"12", 1, 1, 1, 1}, {"01", 0, 1, 1, 1}}, 1, twelve, 12);
    expectTable(TrendView::Route012, {{"0", 1, 1, 1, 1}, {"1", 0, 1, 1, 1}}, 1, twelve, 12);
    const TrendChart distribution = chartOf(TrendView::Distribution, twelve, 1, 12);
    EXPECT_EQ(distribution.omissionTable()[11].maxRun, 2);
    EXPECT_EQ(distribution.omissionTable()[4].current, 2); // 05 never
}

// Each view's columns of one ordered draw, written out plainly.
QStringList keysOf(TrendView view, const std::array<int, 5>& d, int range)
{
    auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0')); };
    auto group = [&two](std::vector<int> numbers) {
        std::sort(numbers.begin(), numbers.end());
        QStringList parts;
        for (int n : numbers)
            parts << two(n);
        return parts.join(u'-');
    };
    auto ratio = [&d](auto first) {
        const long k = std::count_if(d.begin(), d.end(), first);
        return QStringLiteral("%1:%2").arg(k).arg(5 - k);
    };
    const int sum = std::accumulate(d.begin(), d.end(), 0);
    const bool primeLike[] = {false, true, true, true, false, true, false, true, false, false, false, true, false};
    switch (view) {
    case TrendView::Numbers: return {two(d[0])};
    case TrendView::BigSmall: return {d[0] > range / 2 ? QStringLiteral("大") : QStringLiteral("小")};
    case TrendView::OddEven: return {d[0] % 2 ? QStringLiteral("单") : QStringLiteral("双")};
    case TrendView::PrimeComposite: return {primeLike[d[0]] ? QStringLiteral("质") : QStringLiteral("合")};
    case TrendView::Route012: return {QString::number(d[0] % 3)};
    case TrendView::Distribution: {
        QStringList keys;
        for (int n : d)
            keys << two(n);
        return keys;
    }
    case TrendView::Sum: return {QString::number(sum)};
    case TrendView::SumTail: return {QString::number(sum % 10)};
    case TrendView::Span:
        return {QString::number(*std::max_element(d.begin(), d.end()) - *std::min_element(d.begin(), d.end()))};
    case TrendView::RatioBigSmall: return {ratio([range](int n) { return n > range / 2; })};
    case TrendView::RatioOddEven: return {ratio([](int n) { return n % 2 == 1; })};
    case TrendView::RatioPrimeComposite: return {ratio([&primeLike](int n) { return primeLike[n]; })};
    case TrendView::Pairs: {
        QStringList keys;
        for (size_t i = 0; i < 5; ++i)
            for (size_t j = i + 1; j < 5; ++j)
                keys << group({d[i], d[j]});
        return keys;
    }
    case TrendView::Front2Group: return {group({d[0], d[1]})};
    case TrendView::Front3Group: return {group({d[0], d[1], d[2]})};
    }
    return {};
}

TEST(TrendViews, ChancesMatchEveryPossibleDraw)
{
    for (int range : {11, 12}) {
        // Every ordered draw: every five-number set in each of its 120 orders.
        std::vector<std::array<int, 5>> draws;
        for (int a = 1; a <= range; ++a)
            for (int b = a + 1; b <= range; ++b)
                for (int c = b + 1; c <= range; ++c)
                    for (int d = c + 1; d <= range; ++d)
                        for (int e = d + 1; e <= range; ++e) {
                            std::array<int, 5> draw{a, b, c, d, e};
                            do
                                draws.push_back(draw);
                            while (std::next_permutation(draw.begin(), draw.end()));
                        }
        ASSERT_EQ(draws.size(), range == 11 ? 55440u : 95040u);
        for (int v = 0; v < TrendClasses::kViewCount; ++v) {
            const auto view = static_cast<TrendView>(v);
            const TrendClasses classes = TrendClasses::of(view, range);
            QHash<QString, long> tally;
            std::array<int, 10> hits{};
            // Views blind to the order need each set once: its first order.
            const bool ordered =
                classes.perPosition() || view == TrendView::Front2Group || view == TrendView::Front3Group;
            const size_t step = ordered ? 1 : 120;
            for (size_t k = 0; k < draws.size(); k += step) {
                const std::array<int, 5>& draw = draws[k];
                const QStringList keys = keysOf(view, draw, range);
                ASSERT_EQ(keys.size(), classes.hitsPerDraw);
                classes.hits(draw, 1, hits.data());
                for (int i = 0; i < keys.size(); ++i) {
                    ++tally[keys[i]];
                    // The column a draw is put in is the one its key names.
                    if (std::find(keys.begin(), keys.end(), classes.labels.at(hits[static_cast<size_t>(i)])) ==
                        keys.end())
                        FAIL() << v << " " << keys.join(u' ').toStdString();
                }
            }
            ASSERT_EQ(tally.size(), classes.columnCount()) << v; // every column is possible, none is missing
            for (int c = 0; c < classes.columnCount(); ++c)
                EXPECT_NEAR(classes.chances[static_cast<size_t>(c)],
                            static_cast<double>(tally.value(classes.labels.at(c))) * step / draws.size(), 1e-12)
                    << v << " " << classes.labels.at(c).toStdString();
        }
    }
}

TEST(TrendViews, FitStatisticsAgainstChance)
{
    // 012路 at one position of 快乐12: three columns of chance 1/3 each; 30 draws, 10 expected each.
    auto routeChart = [](int zeros, int ones, int twos) {
        std::vector<int> numbers;
        numbers.insert(numbers.end(), static_cast<size_t>(zeros), 3);
        numbers.insert(numbers.end(), static_cast<size_t>(ones), 1);
        numbers.insert(numbers.end(), static_cast<size_t>(twos), 2);
        return TrendChart(std::vector<QString>(numbers.size(), QStringLiteral("x")), numbers,
                          TrendClasses::of(TrendView::Route012, 12));
    };
    // χ² = (25 + 0 + 25) / 10 with 2 degrees of freedom, whose tail is e^(−x/2).
    const TrendFit even = *TrendFit::of(routeChart(15, 10, 5));
    EXPECT_DOUBLE_EQ(even.chiSquare, 5.0);
    EXPECT_EQ(even.degreesOfFreedom, 2);
    EXPECT_NEAR(even.pValue, std::exp(-2.5), 1e-12);
    // Past the table's 5.991 (5%) but short of 9.210 (1%).
    const TrendFit skewed = *TrendFit::of(routeChart(16, 10, 4));
    EXPECT_DOUBLE_EQ(skewed.chiSquare, 7.2);
    EXPECT_LT(skewed.pValue, 0.05);
    EXPECT_GT(skewed.pValue, 0.01);
    // |z| ≥ 3 marks only the column far from its 10: (20 − 10) / √(30 × 1/3 × 2/3) = 3.87.
    const TrendChart far = routeChart(20, 6, 4);
    EXPECT_NEAR(far.omissionTable()[0].z, 10 / std::sqrt(20.0 / 3), 1e-12);
    EXPECT_TRUE(far.omissionTable()[0].marked);
    EXPECT_FALSE(far.omissionTable()[1].marked);
    EXPECT_FALSE(far.omissionTable()[2].marked);
    EXPECT_FALSE(TrendFit::of(routeChart(0, 0, 0)).has_value());

    // Where a draw falls in several columns the statistic must still average its degrees of
    // freedom over random draws: one draw of every possible set, each equally likely.
    for (int range : {11, 12})
        for (TrendView view : {TrendView::Distribution, TrendView::Pairs, TrendView::Sum}) {
            double mean = 0.0;
            int sets = 0;
            int df = 0;
            for (int a = 1; a <= range; ++a)
                for (int b = a + 1; b <= range; ++b)
                    for (int c = b + 1; c <= range; ++c)
                        for (int d = c + 1; d <= range; ++d)
                            for (int e = d + 1; e <= range; ++e) {
                                const TrendFit fit = *TrendFit::of(chartOf(view, {{a, b, c, d, e}}, 1, range));
                                mean += fit.chiSquare;
                                df = fit.degreesOfFreedom;
                                ++sets;
                            }
            EXPECT_NEAR(mean / sets, df, 1e-9) << range << " " << static_cast<int>(view);
        }
}

TEST(TrendViews, RangesByDrawsDaysAndIssues)
{
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    std::vector<StoredDraw> draws;
    const Draws numbers = kFive;
    // Three draws on 1 March, two on 2 March.
    for (int i = 0; i < 5; ++i)
        draws.push_back({IssueNumbers::format(QDate(2025, 3, i < 3 ? 1 : 2), i < 3 ? i + 1 : i - 2, false),
                         numbers[static_cast<size_t>(i)]});
    const HistorySnapshot history = DemoHistory::snapshot(lottery, draws);
    auto rows = [&history](const TrendRange& range) {
        const TrendRows r = range.resolve(history, false);
        return std::make_pair(r.first, r.end);
    };
    EXPECT_EQ(rows(TrendRange::latest(0)), std::make_pair(0, 5));
    EXPECT_EQ(rows(TrendRange::latest(2)), std::make_pair(3, 5));
    EXPECT_EQ(rows(TrendRange::latest(99)), std::make_pair(0, 5));
    // Today (2 March) holds two draws; yesterday three; both days all five.
    EXPECT_EQ(rows(TrendRange::lastDays(1, QDate(2025, 3, 2))), std::make_pair(3, 5));
    EXPECT_EQ(rows(TrendRange::lastDays(1, QDate(2025, 3, 1))), std::make_pair(0, 3));
    EXPECT_EQ(rows(TrendRange::lastDays(2, QDate(2025, 3, 2))), std::make_pair(0, 5));
    EXPECT_EQ(rows(TrendRange::lastDays(7, QDate(2025, 3, 9))).first,
              rows(TrendRange::lastDays(7, QDate(2025, 3, 9))).second);
    EXPECT_EQ(rows(TrendRange::lastDays(1, QDate(2025, 2, 28))).second -
                  rows(TrendRange::lastDays(1, QDate(2025, 2, 28))).first,
              0);
    // Between two issues, both included, across the day's boundary.
    EXPECT_EQ(rows(TrendRange::issues(QStringLiteral("25030103"), QStringLiteral("25030201"))), std::make_pair(2, 4));
    EXPECT_EQ(rows(TrendRange::issues(QStringLiteral("25030201"), QStringLiteral("25030103"))).first,
              rows(TrendRange::issues(QStringLiteral("25030201"), QStringLiteral("25030103"))).second);

    // A whole-draw view over yesterday's draws reads all five positions of each.
    const TrendChart sums =
        TrendChart::build(history, 0, TrendRange::lastDays(1, QDate(2025, 3, 1)).resolve(history, false),
                          TrendClasses::of(TrendView::Sum, 11));
    ASSERT_EQ(sums.rowCount(), 3);
    EXPECT_EQ(sums.classes().labels.at(sums.drawnColumn(1)), QStringLiteral("31"));
    EXPECT_EQ(sums.position(), 0);
}

} // namespace
