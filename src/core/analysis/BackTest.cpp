#include "analysis/BackTest.h"

#include "common/UserError.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"
#include "formula/FormulaScoring.h"
#include "history/HistorySnapshot.h"
#include "history/SqliteDatabase.h"

#include <algorithm>
#include <cstdint>

namespace {

// Draws handled together: every formula is evaluated over one block before the
// next block starts, so memory stays small however many formulas there are.
constexpr int kBlock = 4096;

struct Voter {
    int idx = 0;
    bool kill = true;
    CompiledFormula formula;
};

// The votes of one block of draws. A keep formula votes against every number:
// that part is counted once per draw (`everyNumber`) and spread at the end, so
// each formula costs the same whatever the range.
struct BlockTally {
    std::vector<NumberTally> own; // [row * R + number − 1]
    std::vector<int> everyNumber; // per row
    std::vector<std::uint16_t> killed; // per row: bit n set when number n is killed
};

void vote(const Voter& voter, const double* values, int rows, int range, BlockTally& block)
{
    const std::uint16_t all = static_cast<std::uint16_t>(((1u << range) - 1u) << 1);
    for (int row = 0; row < rows; ++row) {
        const int n = FormulaScoring::namedNumber(values[row], range);
        if (n == 0)
            continue; // no number named: no vote on this draw
        const std::uint16_t bit = static_cast<std::uint16_t>(1u << n);
        NumberTally& own = block.own[static_cast<size_t>(row * range + n - 1)];
        std::uint16_t& killed = block.killed[static_cast<size_t>(row)];
        if (voter.kill) {
            ++own.vote;
            ++own.kill;
            killed |= bit;
            continue;
        }
        const bool killedBefore = (killed & bit) != 0;
        ++block.everyNumber[static_cast<size_t>(row)];
        killed = all;
        if (!killedBefore) {
            --own.vote;
            ++own.keep;
            killed = static_cast<std::uint16_t>(all & ~bit);
        }
    }
}

void rank(BackTestResult& result, int draw)
{
    const int range = result.range;
    const auto base = static_cast<size_t>(draw) * static_cast<size_t>(range);
    std::array<std::int8_t, CalculationResult::kMaxNumber> order{};
    for (int n = 1; n <= range; ++n)
        order[static_cast<size_t>(n - 1)] = static_cast<std::int8_t>(n);
    std::stable_sort(order.begin(), order.begin() + range, [&](std::int8_t a, std::int8_t b) {
        return result.tallies[base + static_cast<size_t>(a - 1)].vote <
               result.tallies[base + static_cast<size_t>(b - 1)].vote;
    });
    std::copy_n(order.begin(), range, result.ranking.begin() + static_cast<std::ptrdiff_t>(base));
}

std::vector<Voter> compileSelected(const BackTestRequest& request, BackTestResult& result)
{
    std::vector<const FormulaRecord*> chosen;
    for (const FormulaRecord& record : request.formulas)
        if (request.selected.contains(record.idx))
            chosen.push_back(&record);
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const FormulaRecord* a, const FormulaRecord* b) { return a->idx < b->idx; });
    std::vector<Voter> voters;
    voters.reserve(chosen.size());
    for (const FormulaRecord* record : chosen) {
        try {
            voters.push_back({record->idx, record->kill, CompiledFormula::compile(record->code)});
        } catch (const FormulaError& e) {
            // It takes no part; it never votes with another formula's values.
            result.skipped.push_back({record->idx, e.detail().isEmpty() ? e.message() : e.detail()});
        }
    }
    result.usedFormulas = static_cast<int>(voters.size());
    return voters;
}

} // namespace

std::optional<BackTestResult> BackTest::run(const HistorySnapshot& history, const BackTestRequest& request,
                                            const Progress& progress)
{
    if (request.range != 11 && request.range != CalculationResult::kMaxNumber)
        throw UserError(QStringLiteral("往期结果对照"),
                        QStringLiteral("号码范围必须是 11 或 12（收到 %1）").arg(request.range));
    BackTestResult result;
    result.table = request.table;
    result.kill = request.kill;
    result.range = request.range;
    const int draws = history.size();
    const int range = request.range;
    result.issues = history.issues();
    result.numbers.resize(static_cast<size_t>(draws));
    for (int d = 0; d < draws; ++d)
        for (int p = 1; p <= 5; ++p)
            result.numbers[static_cast<size_t>(d)][static_cast<size_t>(p - 1)] =
                static_cast<std::int8_t>(history.number(d, p));
    result.tallies.assign(static_cast<size_t>(draws) * static_cast<size_t>(range), NumberTally{});
    result.ranking.assign(result.tallies.size(), 0);

    const std::vector<Voter> voters = compileSelected(request, result);
    std::vector<double> values(static_cast<size_t>(std::min(kBlock, std::max(draws, 1))));
    BlockTally block;
    for (int begin = 0; begin < draws; begin += kBlock) {
        const int rows = std::min(kBlock, draws - begin);
        block.own.assign(static_cast<size_t>(rows * range), NumberTally{});
        block.everyNumber.assign(static_cast<size_t>(rows), 0);
        block.killed.assign(static_cast<size_t>(rows), 0);
        for (size_t f = 0; f < voters.size(); ++f) {
            voters[f].formula.evaluate(history, begin, begin + rows, values.data());
            vote(voters[f], values.data(), rows, range, block);
            const auto done =
                static_cast<int>(begin + static_cast<std::int64_t>(rows) * static_cast<std::int64_t>(f + 1) /
                                             static_cast<std::int64_t>(voters.size()));
            if (progress && !progress(done, draws))
                return std::nullopt;
        }
        for (int row = 0; row < rows; ++row) {
            const int every = block.everyNumber[static_cast<size_t>(row)];
            for (int n = 1; n <= range; ++n) {
                const NumberTally& own = block.own[static_cast<size_t>(row * range + n - 1)];
                result.tallies[static_cast<size_t>(begin + row) * static_cast<size_t>(range) +
                               static_cast<size_t>(n - 1)] = {own.vote + every, own.kill, own.keep + every};
            }
            rank(result, begin + row);
        }
        if (voters.empty() && progress && !progress(begin + rows, draws))
            return std::nullopt;
    }
    return result;
}

void BackTest::storeLastDraw(SqliteDatabase& db, const BackTestResult& result)
{
    if (result.drawCount() == 0)
        return;
    const int last = result.drawCount() - 1;
    SqliteDatabase::Transaction transaction(db);
    db.exec(QStringLiteral("DELETE FROM Errarr"));
    SqliteStatement insert =
        db.prepare(QStringLiteral("INSERT INTO Errarr (num, ETrrcount, Errcount, Trrcount) VALUES (?, ?, ?, ?)"));
    for (int n = 1; n <= result.range; ++n) {
        const NumberTally& tally = result.tally(last, n);
        insert.bind(1, n).bind(2, tally.vote).bind(3, tally.kill).bind(4, tally.keep);
        insert.run();
    }
    transaction.commit();
}
