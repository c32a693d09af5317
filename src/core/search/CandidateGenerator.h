#pragma once

#include "formula/FormulaTarget.h"
#include "kernel/SumKernels.h"
#include "search/Candidate.h"

#include <QString>
#include <cstdint>
#include <optional>

// How a found formula's Chinese text is framed.
enum class TextForm {
    Bracket, // "[第二组选杀]A+B+3"
    Suffix, // "A+B+3=下期杀第二组选"
};

// Draws candidate formulas. Candidate i depends only on (seed, i), so any
// number of threads, in any order, sees the same candidates.
class CandidateGenerator {
public:
    static constexpr int kMinOperands = 2;
    static constexpr int kMaxOperands = Candidate::kMaxTerms;
    static constexpr int kCodeCount = 88; // L1A .. L3R; L4R and L5R are never drawn
    static constexpr int kMaxRandomConstant = 10;
    // A typed tail constant beyond this could overflow the summed values; no
    // useful formula needs one.
    static constexpr int kMaxConstantMagnitude = 1000000;

    // `constant` empty: a random tail constant 0..10 per candidate.
    CandidateGenerator(std::uint64_t seed, int operands, std::optional<int> constant);

    Candidate generate(std::uint64_t index) const;

    // The tail constant typed in a box: the integer part (rounded down) of its
    // numeric value, 0 when it is not a number.
    static int constantOf(const QString& text);

    // The same candidates, as the vector kernels draw them.
    CandidateStream stream() const;

    int operands() const { return m_operands; }
    std::uint64_t seed() const { return m_seed; }

    // "L3B+L1Q+0"
    static QString code(const Candidate& candidate);
    // Chinese attribute names joined by "+", then "+" and the constant.
    static QString expression(const Candidate& candidate);
    static QString text(const Candidate& candidate, const FormulaTarget& target, TextForm form);

private:
    std::uint64_t m_seed;
    int m_operands;
    std::optional<int> m_constant;
};
