// The in-memory evaluator against SQLite evaluating the same expressions over
// the same stored history, as the database-engine evaluation did.
#include "formula/CompiledFormula.h"
#include "formula/FormulaScoring.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/TestEnvironment.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

struct Expression {
    QString ours;
    QString sqlite;
    bool integral = true;
    double bound = 0.0; // largest magnitude an integral expression can reach
};

// Integral intermediates stay well inside double's exact integers, so Mod and integer
// division see the same operands in both engines.
constexpr double kLargestIntegral = 1e12;
constexpr double kLargestColumn = 4096.0;

// Random expressions in both dialects. SQLite's % and integer / truncate like
// Mod and \ once operands are integers, so those only get integral operands;
// real division is forced with CAST. Both give empty (NULL) on division by zero.
class ExpressionGenerator {
public:
    explicit ExpressionGenerator(std::uint64_t seed) : m_random(seed) {}

    Expression next(int depth)
    {
        if (depth == 0 || pick(4) == 0)
            return leaf();
        const Expression a = next(depth - 1);
        const Expression b = next(depth - 1);
        switch (pick(8)) {
        case 0: return binary(a, b, QStringLiteral("+"), QStringLiteral("+"));
        case 1: return binary(a, b, QStringLiteral("-"), QStringLiteral("-"));
        case 2:
            if (a.bound * b.bound > kLargestIntegral)
                return binary(a, b, QStringLiteral("+"), QStringLiteral("+"));
            return binary(a, b, QStringLiteral("*"), QStringLiteral("*"));
        case 3:
            return {QStringLiteral("(%1 / %2)").arg(a.ours, b.ours),
                    QStringLiteral("(CAST(%1 AS REAL) / %2)").arg(a.sqlite, b.sqlite), false, kLargestIntegral};
        case 4:
            if (a.integral && b.integral)
                return {QStringLiteral("(%1 Mod %2)").arg(a.ours, b.ours),
                        QStringLiteral("(%1 % %2)").arg(a.sqlite, b.sqlite), true, a.bound};
            return binary(a, b, QStringLiteral("+"), QStringLiteral("+"));
        case 5:
            if (a.integral && b.integral)
                return {QStringLiteral("(%1 \\ %2)").arg(a.ours, b.ours),
                        QStringLiteral("(%1 / %2)").arg(a.sqlite, b.sqlite), true, a.bound};
            return binary(a, b, QStringLiteral("-"), QStringLiteral("-"));
        case 6:
            return {QStringLiteral("-(%1)").arg(a.ours), QStringLiteral("-(%1)").arg(a.sqlite), a.integral, a.bound};
        default:
            return {QStringLiteral("Abs(%1)").arg(a.ours), QStringLiteral("abs(%1)").arg(a.sqlite), a.integral,
                    a.bound};
        }
    }

    // A plain sum of bracketed columns plus a constant, as the search writes them.
    Expression sum()
    {
        Expression e{QString(), QString(), true};
        const int terms = 1 + pick(8);
        for (int t = 0; t < terms; ++t) {
            const QString code = AttributeCatalog::code(pick(AttributeCatalog::kCount));
            e.ours += QStringLiteral("[%1]+").arg(code);
            e.sqlite += code + u'+';
        }
        const QString constant = QString::number(pick(20));
        e.ours += constant;
        e.sqlite += constant;
        return e;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

    Expression leaf()
    {
        if (pick(3) == 0) {
            const QString n = QString::number(pick(13));
            return {n, n, true, 12.0};
        }
        const QString code = AttributeCatalog::code(pick(AttributeCatalog::kCount));
        const QString ours = pick(2) ? QStringLiteral("[%1]").arg(code) : code.toLower();
        return {ours, code, true, kLargestColumn};
    }

    static Expression binary(const Expression& a, const Expression& b, const QString& op, const QString& sqlOp)
    {
        return {QStringLiteral("(%1 %2 %3)").arg(a.ours, op, b.ours),
                QStringLiteral("(%1 %2 %3)").arg(a.sqlite, sqlOp, b.sqlite), a.integral && b.integral,
                op == u"*" ? a.bound * b.bound : a.bound + b.bound};
    }

    std::mt19937_64 m_random;
};

std::vector<std::optional<double>> sqliteValues(SqliteDatabase& sql, const QString& expression)
{
    std::vector<std::optional<double>> values;
    SqliteStatement rows = sql.prepare(QStringLiteral("SELECT %1 FROM Lishi ORDER BY strQQH").arg(expression));
    while (rows.next())
        values.push_back(rows.isNull(0) ? std::nullopt : std::optional<double>(rows.real(0)));
    return values;
}

} // namespace

TEST(FormulaEvaluation, agreesWithSqliteOnRandomExpressionsAndTheirScores)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const LotteryTable::Entry lottery = LotteryTable::entry(3);
    DrawStore(db, lottery).addAll(DemoHistory::generate(lottery, 4, 2024, QDate(2026, 5, 1)));
    const HistorySnapshot history = HistorySnapshot::load(db.sql());
    ASSERT_GT(history.size(), 150);

    ExpressionGenerator generator(77);
    int emptyValues = 0;
    for (int i = 0; i < 400; ++i) {
        const Expression e = i % 4 == 0 ? generator.sum() : generator.next(4);
        const CompiledFormula formula = CompiledFormula::compile(e.ours);
        if (i % 4 == 0) {
            EXPECT_TRUE(formula.isColumnSum()) << e.ours.toStdString();
        }
        const std::vector<double> ours = formula.evaluateAll(history);
        const std::vector<std::optional<double>> theirs = sqliteValues(db.sql(), e.sqlite);
        ASSERT_EQ(ours.size(), theirs.size());
        for (size_t row = 0; row < ours.size(); ++row) {
            if (!theirs[row]) {
                ++emptyValues;
                EXPECT_TRUE(std::isnan(ours[row])) << e.ours.toStdString() << " row " << row;
            } else {
                EXPECT_NEAR(ours[row], *theirs[row], 1e-9 * std::max(1.0, std::fabs(*theirs[row])))
                    << e.ours.toStdString() << " row " << row;
            }
        }

        // The score from SQLite's values, folded and walked as the database way did.
        if (i % 10 == 0) {
            const ScoringRule rule = FormulaKind(1 + i % 5, i % 20 == 0).rule(lottery.numberRange, i % 3 == 0);
            const ScoringWindow window{i % 7 == 0 ? 0 : 100, i % 2 == 0, true};
            std::vector<double> sqliteAsValues;
            for (const auto& v : theirs)
                sqliteAsValues.push_back(v ? *v : std::nan(""));
            const FormulaStatistics a = FormulaScoring::score(history, formula, rule, window);
            const FormulaStatistics b = FormulaScoring::scoreValues(history, sqliteAsValues, rule, window);
            EXPECT_EQ(a.hitWeight, b.hitWeight) << e.ours.toStdString();
            EXPECT_EQ(a.totalWeight, b.totalWeight);
            EXPECT_EQ(a.longestMissRun, b.longestMissRun);
            EXPECT_EQ(a.lastHitRun, b.lastHitRun);
        }
    }
    EXPECT_GT(emptyValues, 0); // the comparison did meet divisions by zero
}
