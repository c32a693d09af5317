#include "analysis/BackTest.h"

#include "common/UserError.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaScoring.h"
#include "history/HistorySnapshot.h"
#include "history/SqliteDatabase.h"
#include "kernel/SumKernels.h"
#include "kernel/WindowTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace {

// Draws handled together: every formula is evaluated over one block before the
// next block starts, so memory stays small however many formulas there are.
constexpr int kBlock = 4096;

struct Voter : CompiledVoter {
    explicit Voter(CompiledVoter compiled) : CompiledVoter(std::move(compiled)) {}
    std::optional<ColumnSum> sum; // set when the vector kernels name its numbers
};

// What names each voter's numbers: the vector kernels for sums of columns,
// else the formula's values, one block of draws at a time.
class NumberSource {
public:
    NumberSource(const HistorySnapshot& history, int range, KernelPath path, std::vector<Voter>& voters)
        : m_history(history),
          m_range(range),
          m_values(static_cast<size_t>(std::min(kBlock, std::max(history.size(), 1))))
    {
        // Row i's own value predicts draw i + 1: the table's counted draw i.
        if (path == KernelPath::Scalar || !WindowTable::covers(range, history.size() - 1))
            return;
        std::vector<std::optional<ColumnSum>> sums;
        WindowTable::Columns used;
        for (const Voter& voter : voters) {
            sums.push_back(voter.formula.asColumnSum());
            if (sums.back())
                for (int t = 0; t < sums.back()->count; ++t)
                    used.set(sums.back()->terms[static_cast<size_t>(t)]);
        }
        if (used.none())
            return;
        m_kernels.emplace(path);
        m_table.emplace(history, FormulaKind(1, false), range, ScoringWindow{0, true, false}, used);
        for (size_t v = 0; v < voters.size(); ++v)
            if (sums[v] && SumKernels::covers(*m_table, *sums[v]))
                voters[v].sum = sums[v];
    }

    // names[i]: the number rows begin + i name, 0 for none.
    void name(const Voter& voter, int begin, int rows, std::int8_t* names)
    {
        int done = 0;
        if (voter.sum) {
            done = std::min(rows, m_table->rows() - begin);
            m_kernels->predictions(*m_table, *voter.sum, begin, done, m_bits.data());
            for (int i = 0; i < done; ++i)
                names[i] = static_cast<std::int8_t>(
                    m_bits[static_cast<size_t>(i)] <= m_range ? m_bits[static_cast<size_t>(i)] : 0);
        }
        // The latest draw predicts no stored draw, so the table does not hold it.
        if (done == rows)
            return;
        voter.formula.evaluate(m_history, begin + done, begin + rows, m_values.data());
        for (int i = done; i < rows; ++i)
            names[i] =
                static_cast<std::int8_t>(FormulaScoring::namedNumber(m_values[static_cast<size_t>(i - done)], m_range));
    }

private:
    const HistorySnapshot& m_history;
    int m_range;
    std::optional<SumKernels> m_kernels;
    std::optional<WindowTable> m_table;
    std::vector<double> m_values;
    std::array<std::uint8_t, kBlock> m_bits{};
};

// The votes of one block of draws. A keep formula votes against every number:
// that part is counted once per draw (`everyNumber`) and spread at the end, so
// each formula costs the same whatever the range.
struct BlockTally {
    std::vector<NumberTally> own; // [row * R + number − 1]
    std::vector<int> everyNumber; // per row
    std::vector<std::uint16_t> killed; // per row: bit n set when number n is killed
};

void vote(const Voter& voter, const std::int8_t* names, int rows, int range, BlockTally& block)
{
    const std::uint16_t all = static_cast<std::uint16_t>(((1u << range) - 1u) << 1);
    for (int row = 0; row < rows; ++row) {
        const int n = names[row];
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

} // namespace

void BackTest::rankDraw(BackTestResult& result, int draw)
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

std::vector<CompiledVoter> BackTest::compileSelected(const BackTestRequest& request, BackTestResult& result)
{
    std::vector<const FormulaRecord*> chosen;
    for (const FormulaRecord& record : request.formulas)
        if (request.selected.contains(record.idx))
            chosen.push_back(&record);
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const FormulaRecord* a, const FormulaRecord* b) { return a->idx < b->idx; });
    std::vector<CompiledVoter> voters;
    voters.reserve(chosen.size());
    for (const FormulaRecord* record : chosen) {
        try {
            voters.push_back({record->idx, record->kill, CompiledFormula::compile(record->code)});
        } catch (const FormulaError& e) {
            result.skipped.push_back({record->idx, e.detail().isEmpty() ? e.message() : e.detail()});
        }
    }
    result.usedFormulas = static_cast<int>(voters.size());
    return voters;
}

std::optional<BackTestResult> BackTest::run(const HistorySnapshot& history, const BackTestRequest& request,
                                            const Progress& progress)
{
    return run(history, request, progress, FormulaEvaluator::pathFor(request.selected.size()));
}

std::optional<BackTestResult> BackTest::run(const HistorySnapshot& history, const BackTestRequest& request,
                                            const Progress& progress, KernelPath path)
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

    std::vector<Voter> voters;
    for (CompiledVoter& compiled : compileSelected(request, result))
        voters.emplace_back(std::move(compiled));
    NumberSource source(history, range, path, voters);
    std::array<std::int8_t, kBlock> names{};
    BlockTally block;
    for (int begin = 0; begin < draws; begin += kBlock) {
        const int rows = std::min(kBlock, draws - begin);
        block.own.assign(static_cast<size_t>(rows * range), NumberTally{});
        block.everyNumber.assign(static_cast<size_t>(rows), 0);
        block.killed.assign(static_cast<size_t>(rows), 0);
        for (size_t f = 0; f < voters.size(); ++f) {
            source.name(voters[f], begin, rows, names.data());
            vote(voters[f], names.data(), rows, range, block);
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
            rankDraw(result, begin + row);
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
