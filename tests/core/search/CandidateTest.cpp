// Candidate generation and the search's own scoring loop.
#include "core/search/SearchFixtures.h"

#include "common/UserError.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaScoring.h"
#include "formula/FormulaText.h"
#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <set>

using namespace SearchFixtures;

TEST(CandidateGenerator, codeAndTextFormsFollowTheDrawnTerms)
{
    const CandidateGenerator two(99, 2, 0);
    const QRegularExpression shape(QStringLiteral("^L[1-5][A-R]\\+L[1-5][A-R]\\+0$"));
    std::set<int> seen;
    for (std::uint64_t i = 0; i < 5000; ++i) {
        const Candidate c = two.generate(i);
        ASSERT_EQ(c.termCount, 2);
        const QString code = CandidateGenerator::code(c);
        ASSERT_TRUE(shape.match(code).hasMatch()) << code.toStdString();
        // L4R and L5R are beyond the table and never drawn.
        ASSERT_FALSE(code.contains(QStringLiteral("L4R")) || code.contains(QStringLiteral("L5R")));
        seen.insert(c.terms[0]);
    }
    EXPECT_EQ(seen.size(), 88u);

    // Candidate i depends on (seed, i) only; a random constant stays in 0..10.
    const CandidateGenerator random(5, 24, std::nullopt);
    std::set<int> constants;
    for (std::uint64_t i = 0; i < 2000; ++i) {
        const Candidate c = random.generate(i);
        EXPECT_EQ(CandidateGenerator::code(c),
                  CandidateGenerator::code(CandidateGenerator(5, 24, std::nullopt).generate(i)));
        constants.insert(c.constant);
    }
    EXPECT_EQ(*constants.begin(), 0);
    EXPECT_EQ(*constants.rbegin(), 10);
    EXPECT_EQ(constants.size(), 11u);
    EXPECT_NE(CandidateGenerator::code(random.generate(1)),
              CandidateGenerator::code(CandidateGenerator(6, 24, std::nullopt).generate(1)));

    // Both text forms name the same terms, and read back as the same formula.
    const Candidate c = candidateOf({AttributeCatalog::index(1, 'A'), AttributeCatalog::index(2, 'L')}, 3);
    const FormulaTarget target{2, true, true};
    EXPECT_EQ(CandidateGenerator::code(c), QStringLiteral("L1A+L2L+3"));
    const QString suffix = CandidateGenerator::text(c, target, TextForm::Suffix);
    const QString bracket = CandidateGenerator::text(c, target, TextForm::Bracket);
    EXPECT_TRUE(suffix.endsWith(QStringLiteral("+3=下期杀第二组选"))) << suffix.toStdString();
    EXPECT_TRUE(bracket.startsWith(QStringLiteral("[第二组选杀]"))) << bracket.toStdString();
    for (const QString& line : {suffix, bracket}) {
        const ParsedFormula parsed = FormulaText::parse(line);
        EXPECT_EQ(parsed.target, target);
        EXPECT_EQ(parsed.code.toUpper().remove(u' '), QStringLiteral("L1A+L2L+3"));
    }
    EXPECT_THROW(CandidateGenerator(1, 1, 0), UserError);
    EXPECT_THROW(CandidateGenerator(1, 25, 0), UserError);

    // A typed constant is the integer part of the box's number; a huge one is
    // refused rather than overflowing the summed values.
    EXPECT_EQ(CandidateGenerator::constantOf(QStringLiteral(" 3.7 ")), 3);
    EXPECT_EQ(CandidateGenerator::constantOf(QStringLiteral("-3.2")), -4);
    EXPECT_EQ(CandidateGenerator::constantOf(QStringLiteral("abc")), 0);
    EXPECT_EQ(CandidateGenerator::constantOf(QString()), 0);
    EXPECT_THROW(CandidateGenerator::constantOf(QStringLiteral("3e9")), UserError);
    EXPECT_THROW(CandidateGenerator(1, 8, 2147483000), UserError);
}

TEST(CandidateGenerator, everyFoundTextReadsBackAsItsOwnCodeAndTarget)
{
    // A stored row's gongshiCN must translate back to its gongshi, or the list
    // would score a different formula from the one the search accepted.
    std::set<QString> names;
    for (int a = 0; a < CandidateGenerator::kCodeCount; ++a)
        names.insert(AttributeCatalog::displayName(a));
    EXPECT_EQ(names.size(), static_cast<size_t>(CandidateGenerator::kCodeCount));
    EXPECT_EQ(names.count(QString()), 0u);

    int checked = 0;
    for (int a = 0; a < CandidateGenerator::kCodeCount; ++a) {
        for (int b = 0; b < CandidateGenerator::kCodeCount; ++b) {
            const Candidate c = candidateOf({a, b}, (a + b) % 11);
            const FormulaTarget target{1 + (a + b) % 5, (a % 2) == 0, (b % 3) != 0};
            const TextForm form = (a + 2 * b) % 2 ? TextForm::Bracket : TextForm::Suffix;
            const QString text = CandidateGenerator::text(c, target, form);
            const ParsedFormula parsed = FormulaText::parse(text);
            ASSERT_EQ(parsed.code, CandidateGenerator::code(c)) << text.toStdString();
            ASSERT_EQ(parsed.target, target) << text.toStdString();
            ++checked;
        }
    }
    EXPECT_EQ(checked, 88 * 88);
    // Long candidates with a typed tail constant, negative ones included.
    for (int constant : {-7, 0, 10, 123}) {
        const CandidateGenerator generator(static_cast<std::uint64_t>(constant + 50), 24, constant);
        for (std::uint64_t i = 0; i < 200; ++i) {
            const Candidate c = generator.generate(i);
            const FormulaTarget target{5, true, false};
            const ParsedFormula parsed = FormulaText::parse(CandidateGenerator::text(c, target, TextForm::Suffix));
            ASSERT_EQ(parsed.code, CandidateGenerator::code(c));
            ASSERT_EQ(parsed.target, target);
        }
    }
}

TEST(CandidateScorer, agreesWithTheListScoringOnRandomCandidates)
{
    const HistorySnapshot history11 = demoHistory(12, 3, 0);
    const HistorySnapshot history12 = demoHistory(12, 4, 27);
    ASSERT_EQ(LotteryTable::entry(27).numberRange, 12);
    std::mt19937 random(11);
    const std::vector<ScoringWindow> windows{
        {0, true, false}, {100, true, true}, {300, false, true}, {100000, true, true}, {200, false, false}};
    int compared = 0;
    for (int range : {11, 12}) {
        const HistorySnapshot& history = range == 11 ? history11 : history12;
        for (const ScoringWindow& window : windows) {
            for (int position = 1; position <= 5; ++position) {
                for (bool group : {false, true}) {
                    for (bool kill : {true, false}) {
                        const ScoringRule rule = FormulaKind(position, group).rule(range, kill);
                        const CandidateScorer scorer(history, rule, window);
                        const CandidateGenerator generator(
                            random(), 2 + static_cast<int>(random() % 23),
                            random() % 2 ? std::optional<int>(-40 + static_cast<int>(random() % 60)) : std::nullopt);
                        for (std::uint64_t i = 0; i < 6; ++i) {
                            const Candidate c = generator.generate(i);
                            std::vector<int> terms(c.terms.begin(), c.terms.begin() + c.termCount);
                            const FormulaStatistics expected = FormulaScoring::score(
                                history, CompiledFormula::columnSum(terms, c.constant), rule, window);
                            const FormulaStatistics actual = scorer.score(c);
                            const std::string where = CandidateGenerator::code(c).toStdString() + " R" +
                                                      std::to_string(range) + " p" + std::to_string(position) +
                                                      (group ? "G" : "D") + (kill ? " kill" : " keep") + " W" +
                                                      std::to_string(window.lookBack);
                            ASSERT_EQ(actual.rate, expected.rate) << where;
                            ASSERT_EQ(actual.hitWeight, expected.hitWeight) << where;
                            ASSERT_EQ(actual.totalWeight, expected.totalWeight) << where;
                            ASSERT_EQ(actual.longestMissRun, expected.longestMissRun) << where;
                            ASSERT_EQ(actual.longestHitRun, expected.longestHitRun) << where;
                            ASSERT_EQ(actual.lastMissRun, expected.lastMissRun) << where;
                            ASSERT_EQ(actual.lastHitRun, expected.lastHitRun) << where;
                            ++compared;
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(compared, 2 * 5 * 5 * 2 * 2 * 6);
}

TEST(CandidateScorer, groupMarksPositionsOneToPAgainstAHandWorkedHistory)
{
    // The candidate L1A+0 predicts, for each draw, the previous draw's first number.
    const HistorySnapshot history = numbersOnly({{3, 1, 2, 4, 5},
                                                 {1, 3, 4, 5, 6}, // 3: at position 2
                                                 {2, 5, 6, 1, 7}, // 1: at position 4
                                                 {9, 8, 2, 3, 4}, // 2: at position 3
                                                 {4, 9, 10, 11, 1}, // 9: at position 2
                                                 {7, 8, 9, 10, 11}}); // 4: nowhere
    const Candidate firstNumber = candidateOf({AttributeCatalog::index(1, 'A')}, 0);
    const ScoringWindow all{0, true, false};
    // Kill hits when the number is absent from positions 1..p, per counted draw (rows 2..6).
    const std::array<std::array<bool, 5>, 5> killHits{{{true, true, true, true, true},
                                                       {false, true, true, false, true},
                                                       {false, true, false, false, true},
                                                       {false, false, false, false, true},
                                                       {false, false, false, false, true}}};
    for (int p = 1; p <= 5; ++p) {
        for (bool kill : {true, false}) {
            const FormulaStatistics s =
                CandidateScorer(history, FormulaKind(p, true).rule(11, kill), all).score(firstNumber);
            int hits = 0;
            int lastHitRun = 0;
            for (bool h : killHits[static_cast<size_t>(p - 1)]) {
                const bool hit = kill ? h : !h;
                hits += hit;
                lastHitRun = hit ? lastHitRun + 1 : 0;
            }
            EXPECT_EQ(s.hitWeight, hits) << "position " << p << (kill ? " kill" : " keep");
            EXPECT_EQ(s.totalWeight, 5);
            EXPECT_EQ(s.lastHitRun, lastHitRun) << "position " << p;
        }
    }
    // Group position 1 is marked exactly like the direct one.
    const FormulaStatistics group1 =
        CandidateScorer(history, FormulaKind(1, true).rule(11, true), all).score(firstNumber);
    const FormulaStatistics direct1 =
        CandidateScorer(history, FormulaKind(1, false).rule(11, true), all).score(firstNumber);
    EXPECT_EQ(group1.hitWeight, direct1.hitWeight);
    EXPECT_EQ(group1.longestMissRun, direct1.longestMissRun);

    // Weighted, three counted draws, only the newest a hit: 9 / 14.
    const HistorySnapshot three = numbersOnly({{1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, {2, 3, 4, 5, 6}});
    const FormulaStatistics weighted =
        CandidateScorer(three, FormulaKind(1, false).rule(11, true), ScoringWindow{3, true, true}).score(firstNumber);
    EXPECT_EQ(weighted.hitWeight, 9);
    EXPECT_EQ(weighted.totalWeight, 14);
    EXPECT_FLOAT_EQ(weighted.rate, 9.0f / 14.0f * 100.0f);
    EXPECT_EQ(weighted.lastHitRun, 1);
    EXPECT_EQ(weighted.longestMissRun, 2);

    // A value of 0 names no number: every kill hits, no keep does; 12 folds to 1 for R = 11.
    const Candidate zero = candidateOf({AttributeCatalog::index(1, 'K')}, 0);
    EXPECT_EQ(CandidateScorer(history, FormulaKind(3, false).rule(11, true), all).score(zero).hitWeight, 5);
    EXPECT_EQ(CandidateScorer(history, FormulaKind(3, false).rule(11, false), all).score(zero).hitWeight, 0);
    const Candidate twelve = candidateOf({AttributeCatalog::index(1, 'K')}, 12);
    const HistorySnapshot ones = numbersOnly({{1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}});
    EXPECT_EQ(CandidateScorer(ones, FormulaKind(1, false).rule(11, false), all).score(twelve).hitWeight, 2);
    EXPECT_EQ(CandidateScorer(ones, FormulaKind(1, false).rule(12, false), all).score(twelve).hitWeight, 0);
}

TEST(CandidateScorer, valuesNoDrawCanHoldNeitherShiftNorOverflow)
{
    // A history built in memory may hold anything: a drawn "40" marks no number
    // (40 would once have shifted past the mask and marked 8).
    const HistorySnapshot history = numbersOnly({{40, 1, 2, 3, 4}, {40, 1, 2, 3, 4}, {40, 1, 2, 3, 4}});
    const Candidate eight = candidateOf({AttributeCatalog::index(1, 'K')}, 8);
    const ScoringWindow all{0, true, false};
    EXPECT_EQ(CandidateScorer(history, ScoringRule{11, FormulaKind(1, false), true}, all).score(eight).hitWeight, 2);
    EXPECT_EQ(CandidateScorer(history, ScoringRule{11, FormulaKind(1, true), false}, all).score(eight).hitWeight, 0);

    // Sums past the int32 limits wrap instead of overflowing (the sanitizer
    // build stops on an overflow); kill and keep still split every draw.
    std::array<std::int32_t, AttributeCatalog::kCount> values{};
    values.fill(std::numeric_limits<std::int32_t>::min());
    HistorySnapshot extreme;
    for (int i = 0; i < 600; ++i)
        extreme.append(QStringLiteral("261201%1").arg(i, 3, 10, QChar(u'0')), values);
    for (const Candidate& c : {candidateOf({0}, 0), candidateOf({0, 1, 2}, -1000000)}) {
        const FormulaStatistics kill =
            CandidateScorer(extreme, ScoringRule{11, FormulaKind(1, false), true}, all).score(c);
        const FormulaStatistics keep =
            CandidateScorer(extreme, ScoringRule{11, FormulaKind(1, false), false}, all).score(c);
        EXPECT_EQ(kill.totalWeight, 599);
        EXPECT_EQ(kill.hitWeight + keep.hitWeight, 599);
    }
}
