// Formula text → code → values → scores. The integer path of a sum must agree
// with the general evaluator, the one-pass translation with the word table
// applied entry by entry, and scoring a window with scoring precomputed values.
#include "FuzzSupport.h"

#include "formula/FormulaScoring.h"
#include "formula/FormulaText.h"

#include <array>

using namespace FuzzSupport;

namespace {

QString translatedInOrder(QString text)
{
    for (const auto& [word, code] : FormulaText::wordTable())
        text = FormulaText::asReplace(text, word, code);
    return text.trimmed();
}

void checkScores(const CompiledFormula& formula, std::uint8_t choice)
{
    static constexpr std::array<int, 4> kLookBack{0, 5, 30, 100};
    const ScoringRule rule =
        FormulaKind((choice >> 1) % 5 + 1, (choice & 8) != 0).rule(choice & 1 ? 12 : 11, (choice & 16) != 0);
    const ScoringWindow window{kLookBack[(choice >> 5) & 3], (choice & 128) != 0, (choice & 64) != 0};
    const HistorySnapshot& h = history();
    const FormulaStatistics direct = FormulaScoring::score(h, formula, rule, window);
    const FormulaStatistics stored = FormulaScoring::scoreValues(h, formula.evaluateAll(h), rule, window);
    check(direct.hitWeight == stored.hitWeight && direct.totalWeight == stored.totalWeight &&
              direct.longestMissRun == stored.longestMissRun && direct.lastHitRun == stored.lastHitRun,
          "scoring a window differs from scoring all values");
    check(direct.hitWeight >= 0 && direct.hitWeight <= direct.totalWeight, "hits outside 0..total");
    check(direct.rate >= 0.0f && direct.rate <= 100.0f, "rate outside 0..100");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const QString text = utf8(data, size);
    QString code;
    try {
        code = FormulaText::translate(text);
    } catch (const FormulaError&) {
        check(text.size() > FormulaText::kMaxLength, "translation refused a text within the length cap");
        return 0;
    }
    const std::optional<CompiledFormula> formula = compiled(code);
    const QString reference = translatedInOrder(text);
    if (reference != code) {
        check(!formula, "one-pass translation is valid where the ordered table differs", text);
        check(!compiled(reference), "the ordered table is valid where one-pass translation differs", text);
    }
    if (formula) {
        compareSumWithGeneral(*formula, code);
        checkScores(*formula, size > 0 ? data[0] : 0);
    }

    // The whole line, target included: what parse accepts always compiles.
    try {
        const ParsedFormula parsed = FormulaText::parse(text);
        check(parsed.target.kind.position() >= 1 && parsed.target.kind.position() <= 5, "target position outside 1..5");
        check(compiled(parsed.code).has_value(), "a parsed formula does not compile", parsed.code);
    } catch (const UserError&) {}
    return 0;
}
