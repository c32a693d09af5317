#pragma once

#include "common/UserError.h"
#include "history/AttributeCatalog.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaRounding.h"
#include "scoring/FormulaStatistics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>
#include <vector>

// The one rule that says whether a formula's prediction came true on a draw.
// A value predicts the number ((v − 1) Mod R) + 1, v rounded to an integer
// (ties to even) and the remainder taking the dividend's sign, so 0 and below
// name no number. A draw is reduced to the numbers at the judged positions
// (direct: position p; group: positions 1..p) as a bit mask. A kill hits when
// its number is absent there, a keep when it is present; a number of 0 or below
// is absent everywhere. An empty value (a division by zero, or a value too large
// to have an integer form) predicts nothing: a miss for kill and keep alike.
class HitRule {
public:
    // The prediction of an empty value.
    static constexpr int kNoPrediction = -2147483647 - 1;
    // The bits a prediction reads in a draw's 16-bit mask besides 1..R: one that
    // is never set (0 and below name no number) and one for an empty value.
    static constexpr unsigned kNoNumberBit = 16;
    static constexpr unsigned kEmptyBit = 17;
    // Values this far out have no integer form worth folding.
    static constexpr double kLargestFoldable = 9.0e18;

    // Numbers are held as bits of a 16-bit mask, so the range is at most 15.
    static constexpr int kMaxRange = 15;

    HitRule(const HistorySnapshot& history, const ScoringRule& rule) : m_killBit(rule.kill ? 1u : 0u)
    {
        if (rule.range < 1 || rule.range > kMaxRange)
            throw UserError(QStringLiteral("公式计算"), QStringLiteral("号码范围只能是11或12"), false);
        const int position = rule.kind.position();
        for (int p = rule.kind.group() ? 1 : position; p <= position; ++p)
            m_columns[m_positions++] = history.column(AttributeCatalog::numberColumn(p)).data();
    }

    static bool isFoldable(double value) { return std::isfinite(value) && std::fabs(value) < kLargestFoldable; }

    // ((value − 1) Mod R) + 1 of an integer, with the dividend's sign.
    template <typename Integer>
    static Integer fold(Integer value, Integer range)
    {
        return (value - 1) % range + 1;
    }

    // The number a value predicts, or kNoPrediction. FixedRange > 0 gives the
    // compiler a constant divisor; 0 takes `range`.
    template <int FixedRange = 0>
    static int predict(double value, int range = FixedRange)
    {
        const int r = FixedRange > 0 ? FixedRange : range;
        // Most values are whole numbers of modest size: truncation is then exact.
        if (value > -2.0e9 && value < 2.0e9) {
            const auto whole = static_cast<std::int64_t>(value);
            if (static_cast<double>(whole) == value)
                return static_cast<int>(fold<std::int64_t>(whole, r));
        }
        if (!isFoldable(value))
            return kNoPrediction;
        return static_cast<int>(fold<std::int64_t>(static_cast<std::int64_t>(roundHalfEvenValue(value)), r));
    }

    // The bit of a draw's mask that a predicted number reads: its own for 1..R;
    // bit 16, which a 16-bit mask never holds, for 0 and below (no number).
    static unsigned bitOfNumber(int number) { return number > 0 ? static_cast<unsigned>(number) : kNoNumberBit; }
    // An integer value straight to the bit it reads: the fold's remainder decides.
    // value − 1 wraps at the type's minimum (only a history built in memory gets
    // there; the search's sums wrap the same way).
    template <int Range, typename Integer>
    static unsigned foldedBit(Integer value)
    {
        const auto shifted = static_cast<Integer>(static_cast<std::make_unsigned_t<Integer>>(value) - 1u);
        const Integer remainder = shifted % Range;
        return remainder >= 0 ? static_cast<unsigned>(remainder) + 1u : kNoNumberBit;
    }
    // As bitOfNumber(predict(value)), or kEmptyBit for an empty value.
    template <int FixedRange = 0>
    static unsigned predictedBit(double value, int range = FixedRange)
    {
        if constexpr (FixedRange > 0) {
            if (value > -2.0e9 && value < 2.0e9) {
                const auto whole = static_cast<std::int64_t>(value);
                if (static_cast<double>(whole) == value)
                    return foldedBit<FixedRange>(whole);
            }
        }
        const int predicted = predict<FixedRange>(value, range);
        return predicted == kNoPrediction ? kEmptyBit : bitOfNumber(predicted);
    }

    // Bit n set when number n was drawn at the judged positions of `row`.
    std::uint16_t present(int row) const
    {
        unsigned mask = drawnBit(m_columns[0][row]);
        for (int p = 1; p < m_positions; ++p)
            mask |= drawnBit(m_columns[p][row]);
        return static_cast<std::uint16_t>(mask);
    }
    // A rule that judges one position (direct, or group 第一) needs no mask:
    // present() is the bit of that position's number.
    bool judgesOnePosition() const { return m_positions == 1; }
    const std::int32_t* firstColumn() const { return m_columns[0]; }
    // A drawn number's bit (stored numbers are 1..R, R ≤ 15); a number outside
    // 1..15, which only a history built in memory holds, sets none.
    static unsigned drawnBit(std::int32_t number)
    {
        return static_cast<unsigned>(number) - 1u < static_cast<unsigned>(kMaxRange) ? 1u << number : 0u;
    }

    // present() of rows [begin, end).
    std::vector<std::uint16_t> presentMasks(int begin, int end) const
    {
        std::vector<std::uint16_t> masks;
        masks.reserve(static_cast<size_t>(std::max(0, end - begin)));
        for (int row = begin; row < end; ++row)
            masks.push_back(present(row));
        return masks;
    }

    std::uint32_t killBit() const { return m_killBit; }

    // 1 when the number reading `bit` (never kEmptyBit) came true on a draw
    // whose judged positions hold `present`, else 0.
    static std::uint32_t judgeBit(std::uint16_t present, unsigned bit, std::uint32_t killBit)
    {
        return ((static_cast<unsigned>(present) >> bit) & 1u) ^ killBit;
    }
    // As judgeBit for any bit, kEmptyBit included: the mask reads the kill flag
    // there, so an empty value is a miss for kill and keep alike.
    static std::uint32_t judgeAnyBit(std::uint16_t present, unsigned bit, std::uint32_t killBit)
    {
        const unsigned mask = static_cast<unsigned>(present) | (killBit << kEmptyBit);
        return ((mask >> bit) & 1u) ^ killBit;
    }
    // As judgeAnyBit, for a predicted number (or kNoPrediction).
    static std::uint32_t judge(std::uint16_t present, int predicted, std::uint32_t killBit)
    {
        return judgeAnyBit(present, predicted == kNoPrediction ? kEmptyBit : bitOfNumber(predicted), killBit);
    }
    // Whether the prediction came true on `row`.
    std::uint32_t hit(int row, int predicted) const { return judge(present(row), predicted, m_killBit); }

private:
    std::uint32_t m_killBit;
    const std::int32_t* m_columns[FormulaKind::kPositions]{};
    int m_positions = 0;
};
