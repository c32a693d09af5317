#include "analysis/WalkForward.h"

#include "analysis/WindowRanker.h"
#include "common/UserError.h"
#include "formula/ChanceBaseline.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"
#include "formula/FormulaScoring.h"
#include "history/HistorySnapshot.h"
#include "scoring/HitRule.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

const QString kTitle = QStringLiteral("逐期回测");

using Voter = CompiledVoter;

// The votes of the chosen formulas on one draw's values, as BackTest casts them:
// a kill votes against its number; a keep against every number but its own,
// unless its own was already killed on that draw.
void vote(const std::vector<int>& numbers, bool kill, int range, NumberTally* tallies)
{
    const std::uint16_t all = static_cast<std::uint16_t>(((1u << range) - 1u) << 1);
    std::uint16_t killed = 0;
    int every = 0;
    for (int n : numbers) {
        if (n == 0)
            continue;
        const std::uint16_t bit = static_cast<std::uint16_t>(1u << n);
        NumberTally& own = tallies[n - 1];
        if (kill) {
            ++own.vote;
            ++own.kill;
            killed |= bit;
            continue;
        }
        const bool killedBefore = (killed & bit) != 0;
        ++every;
        killed = all;
        if (!killedBefore) {
            --own.vote;
            ++own.keep;
            killed = static_cast<std::uint16_t>(all & ~bit);
        }
    }
    for (int n = 0; n < range; ++n) {
        tallies[n].vote += every;
        tallies[n].keep += every;
    }
}

// Formula f's hit on every draw, judged as the formula list scores it, 64 draws to a word.
template <int Range>
void recordHits(WindowRanker& ranker, int f, const std::vector<double>& values,
                const std::vector<std::uint16_t>& present, std::uint32_t killBit)
{
    const int draws = static_cast<int>(present.size());
    const bool bits = ranker.needsBits();
    for (int begin = 0; begin < draws; begin += 64) {
        std::uint64_t word = 0;
        const int end = std::min(draws, begin + 64);
        for (int row = std::max(begin, 1); row < end; ++row) {
            const double value = values[static_cast<size_t>(row - 1)];
            // Sums of columns are whole numbers well inside 32 bits: folded there, as predictedBit folds them.
            const auto whole = value > -2.0e9 && value < 2.0e9 ? static_cast<std::int32_t>(value) : 0;
            const unsigned bit = static_cast<double>(whole) == value ? HitRule::foldedBit<Range>(whole)
                                                                     : HitRule::predictedBit<Range>(value);
            word |= static_cast<std::uint64_t>(HitRule::judgeAnyBit(present[static_cast<size_t>(row)], bit, killBit))
                    << (row & 63);
            if (bits)
                ranker.setBit(f, row, bit);
        }
        ranker.setHitWord(f, begin, word);
    }
}

void validate(const WalkForwardRequest& request)
{
    if (request.backTest.range != 11 && request.backTest.range != CalculationResult::kMaxNumber)
        throw UserError(kTitle, QStringLiteral("号码范围必须是 11 或 12（收到 %1）").arg(request.backTest.range));
    if (request.lookBack < 0)
        throw UserError(kTitle, QStringLiteral("回看期数不能为负（收到 %1）").arg(request.lookBack));
    if (request.top < 1)
        throw UserError(kTitle, QStringLiteral("参与投票的公式数至少为 1（收到 %1）").arg(request.top));
}

} // namespace

int WalkForward::firstReplayed(const HistorySnapshot& history, const WalkForwardRequest& request)
{
    if (!request.from.isEmpty()) {
        const int row = history.rowOf(request.from.trimmed());
        if (row < 0)
            throw UserError(kTitle, QStringLiteral("历史数据中没有期号 %1").arg(request.from));
        if (row < 2)
            throw UserError(kTitle, QStringLiteral("期号 %1 之前的开奖数据不足，无法评分").arg(request.from));
        return row;
    }
    // A draw is scored from the draw before it, so W counted draws need W + 1 before the first replayed one.
    const int first = std::max(request.lookBack, 1) + 1;
    if (first >= history.size())
        throw UserError(kTitle, QStringLiteral("开奖数据只有 %1 期，回看 %2 期至少需要 %3 期")
                                    .arg(history.size())
                                    .arg(request.lookBack)
                                    .arg(first + 1));
    return first;
}

std::optional<WalkForwardResult> WalkForward::run(const HistorySnapshot& history, const WalkForwardRequest& request,
                                                  const Progress& progress)
{
    validate(request);
    const int draws = history.size();
    const int start = firstReplayed(history, request);
    const int range = request.backTest.range;
    const bool kill = request.backTest.kill;

    WalkForwardResult out;
    out.lookBack = request.lookBack;
    out.rankBy = request.rankBy;
    out.top = request.top;
    out.from = history.issue(start);
    out.firstRow = start - 1;
    BackTestResult& result = out.backTest;
    result.table = request.backTest.table;
    result.kill = kill;
    result.range = range;
    std::vector<Voter> voters = BackTest::compileSelected(request.backTest, result);
    const int formulas = static_cast<int>(voters.size());

    // Every formula's hit on every draw, judged as the formula list scores it.
    const HitRule hits(history, ScoringRule{range, request.kind, kill});
    WindowRanker ranker(formulas, draws, request.rankBy, request.weighted);
    std::vector<double> values(static_cast<size_t>(draws));
    const int steps = draws - start + 1;
    const int total = formulas + steps;
    const std::vector<std::uint16_t> present = hits.presentMasks(0, draws);
    for (int f = 0; f < formulas; ++f) {
        voters[static_cast<size_t>(f)].formula.evaluate(history, 0, draws - 1, values.data());
        if (range == 11)
            recordHits<11>(ranker, f, values, present, hits.killBit());
        else
            recordHits<12>(ranker, f, values, present, hits.killBit());
        if (progress && !progress(f + 1, total))
            return std::nullopt;
    }

    const auto rows = static_cast<size_t>(steps);
    result.issues.assign(history.issues().begin() + out.firstRow, history.issues().end());
    result.numbers.resize(rows);
    result.tallies.assign(rows * static_cast<size_t>(range), NumberTally{});
    result.ranking.assign(result.tallies.size(), 0);
    out.voters.resize(rows);
    std::vector<int> chosen;
    std::vector<int> named;
    for (int t = start; t <= draws; ++t) {
        // The vote for draw t is made on draw t − 1, from the counted draws before t.
        const int row = t - 1;
        const auto j = static_cast<size_t>(row - out.firstRow);
        for (int p = 1; p <= 5; ++p)
            result.numbers[j][static_cast<size_t>(p - 1)] = static_cast<std::int8_t>(history.number(row, p));
        const int first = request.lookBack > 0 ? std::max(1, t - request.lookBack) : 1;
        ranker.moveTo(first, t);
        std::optional<ChanceBaseline> chance;
        if (ranker.needsBits())
            chance.emplace(hits, first, t);
        ranker.best(request.top, chance ? &*chance : nullptr, kill, chosen);
        named.clear();
        std::vector<int>& idx = out.voters[j];
        for (int f : chosen) {
            const Voter& voter = voters[static_cast<size_t>(f)];
            idx.push_back(voter.idx);
            named.push_back(FormulaScoring::namedNumber(voter.formula.evaluateRow(history, row), range));
        }
        vote(named, kill, range, result.tallies.data() + j * static_cast<size_t>(range));
        BackTest::rankDraw(result, static_cast<int>(j));
        if (progress && !progress(formulas + static_cast<int>(j) + 1, total))
            return std::nullopt;
    }
    return out;
}
