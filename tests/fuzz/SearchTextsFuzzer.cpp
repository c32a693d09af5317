// The texts of the search window: the ten bound boxes, the plan boxes and the
// tail constant. Bounds survive a round trip through their texts; a constant
// that is taken gives candidates whose texts read back as their code and which
// the search's scorer scores as the list does.
#include "FuzzSupport.h"

#include "common/UserError.h"
#include "formula/FormulaScoring.h"
#include "formula/FormulaText.h"
#include "scoring/StatisticBounds.h"
#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"
#include "search/SearchPlan.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace FuzzSupport;

namespace {

void checkBounds(const QStringList& fields)
{
    const StatisticBounds bounds = StatisticBounds::fromTexts(fields.mid(0, StatisticBounds::kCount));
    for (double v : bounds.values())
        check(std::isfinite(v) && std::fabs(v) <= StatisticBounds::kLargest, "a bound outside the held range");
    const QStringList texts = bounds.texts();
    check(StatisticBounds::fromTexts(texts).texts() == texts, "bound texts do not survive a round trip",
          texts.join(u'|'));
    FormulaStatistics s;
    s.rate = static_cast<float>(bounds[0]);
    s.longestMissRun = static_cast<int>(std::clamp(bounds[2], -1.0e6, 1.0e6));
    bounds.accepts(s);
}

void checkPlan(const QStringList& fields)
{
    std::array<QString, 11> boxes;
    for (size_t kind = 1; kind < boxes.size(); ++kind)
        boxes[kind] = fields.value(static_cast<qsizetype>(StatisticBounds::kCount + kind));
    SearchPlan plan;
    plan.counts = SearchPlan::countsOf(boxes);
    std::array<int, 11> existing{};
    existing.fill(7);
    for (SearchPlan::Mode mode : {SearchPlan::Mode::HoldCount, SearchPlan::Mode::NewCount}) {
        plan.mode = mode;
        const long long total = plan.total(existing);
        check(total >= -10LL * 1000000000LL && total <= 10LL * 1000000000LL, "a plan total beyond its counts");
    }
}

void checkCandidates(const QString& constantText, const QString& operandText)
{
    int constant = 0;
    try {
        constant = CandidateGenerator::constantOf(constantText);
    } catch (const UserError&) {
        return;
    }
    check(std::abs(constant) <= CandidateGenerator::kMaxConstantMagnitude, "a constant beyond its limit");
    const int operands = CandidateGenerator::kMinOperands +
                         static_cast<int>(qHash(operandText) % (CandidateGenerator::kMaxOperands - 1));
    const CandidateGenerator generator(qHash(constantText), operands, constant);
    const Candidate candidate = generator.generate(qHash(operandText));
    const QString code = CandidateGenerator::code(candidate);
    const std::optional<CompiledFormula> formula = compiled(code);
    check(formula && formula->isColumnSum(), "a candidate is not a column sum", code);
    const FormulaTarget target{operands % 5 + 1, constant % 2 != 0, operands % 3 != 0};
    const ParsedFormula parsed = FormulaText::parse(
        CandidateGenerator::text(candidate, target, operands % 2 ? TextForm::Bracket : TextForm::Suffix));
    check(parsed.target == target, "a candidate's text names another target", code);
    check(compiled(parsed.code)->evaluateAll(history()) == formula->evaluateAll(history()),
          "a candidate's text evaluates differently from its code", code + u' ' + parsed.code);

    // The scorer agrees with the list on stored draws (the demo rows only).
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    static const HistorySnapshot draws =
        DemoHistory::snapshot(lottery, DemoHistory::generate(lottery, 1, 5, QDate(2026, 11, 30)));
    const ScoringRule rule = target.rule(11);
    const ScoringWindow window{0, true, true};
    const FormulaStatistics fast = CandidateScorer(draws, rule, window).score(candidate);
    const FormulaStatistics list = FormulaScoring::score(draws, *formula, rule, window);
    check(fast.hitWeight == list.hitWeight && fast.longestMissRun == list.longestMissRun &&
              fast.lastHitRun == list.lastHitRun,
          "the search's scorer differs from the list", code);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const QStringList fields = utf8(data, size).split(u'\n');
    checkBounds(fields);
    checkPlan(fields);
    checkCandidates(fields.value(21), fields.value(22));
    return 0;
}
