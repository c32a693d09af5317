#pragma once

#include "scoring/ChanceSums.h"
#include "scoring/ChanceTotals.h"
#include "scoring/FormulaStatistics.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class IntegerBounds;
class WindowTable;

// The code that scores sums of columns: the plain loops (the reference every
// other path is checked against, and the one for whatever the vector paths do
// not cover), AVX2, or AVX-512 with VBMI and VNNI. Chosen at run time by what
// the processor supports; the binary itself assumes only baseline x86-64.
enum class KernelPath { Scalar, Avx2, Avx512 };

// A sum of attribute columns plus a whole constant; a column counted twice is listed twice.
struct ColumnSum {
    static constexpr int kMaxTerms = 32;
    std::array<std::uint8_t, kMaxTerms> terms{};
    int count = 0;
    int constant = 0;
};

// The search's candidates as CandidateGenerator draws them: candidate i from
// (seed, i) alone, `operands` terms from 0 .. codeCount − 1, then the constant
// (fixed, or drawn from 0 .. maxRandomConstant).
struct CandidateStream {
    std::uint64_t seed = 0;
    int operands = 0;
    bool randomConstant = false;
    int constant = 0;
    int codeCount = 0;
    int maxRandomConstant = 0;
};

struct KernelFound {
    std::uint64_t index = 0;
    ColumnSum sum; // the candidate itself
    FormulaStatistics statistics;
};

// What a vector search of a range of candidates gives: the accepted ones and
// the ones the kernels do not cover (to be scored the plain way), each in order.
struct KernelSearch {
    std::vector<KernelFound> accepted;
    std::vector<std::uint64_t> uncovered;
};

// One vector path's kernels. Read-only, so one object serves every thread.
class SumKernels {
public:
    // Scalar first, then each vector path this processor runs.
    static std::vector<KernelPath> supported();
    // The fastest path this processor runs.
    static KernelPath best();
    static bool runs(KernelPath path);
    static QString name(KernelPath path);

    // A vector path this processor runs; raises UserError for any other.
    explicit SumKernels(KernelPath path);
    KernelPath path() const { return m_path; }

    // Whether the kernels score this sum over this table (its columns stay in
    // 0..65535 there and a negative constant is not absurdly large).
    static bool covers(const WindowTable& table, const ColumnSum& sum);
    // Whether the sum is covered and stays 1 or more on every row of the
    // table, so that every prediction names a number.
    static bool namesEveryDraw(const WindowTable& table, const ColumnSum& sum);

    // The full statistics of each sum, which must be covered.
    void score(const WindowTable& table, bool kill, const ColumnSum* sums, int count, FormulaStatistics* out) const;
    FormulaStatistics score(const WindowTable& table, bool kill, const ColumnSum& sum) const;
    // The counted draws' weights by the bit the sum's prediction reads, as
    // ChanceBaseline::tally gathers them from the values; the sum must be covered.
    ChanceTotals chanceTotals(const WindowTable& table, const ColumnSum& sum) const;
    // The scaled chance sums under these shares, as ChanceSums::of gives them
    // from chanceTotals(); the shares must be exact() over the table's rows.
    ChanceSums chanceSums(const WindowTable& table, const ColumnSum& sum, const ChanceShares& shares) const;
    // score() and chanceSums() from one pass over the table.
    FormulaStatistics score(const WindowTable& table, bool kill, const ColumnSum& sum, const ChanceShares& shares,
                            ChanceSums& chance) const;

    // For counted draws first .. first + count − 1 of the table, the bit of the
    // draw's mask that the sum's prediction reads (HitRule::predictedBit): the
    // number it names, or HitRule::kNoNumberBit. The sum must be covered.
    void predictions(const WindowTable& table, const ColumnSum& sum, int first, int count, std::uint8_t* out) const;

    // Candidates first .. first + count − 1 of the stream: those the bounds
    // accept, with their statistics, and those not covered. A candidate is
    // rejected early only on a condition its final statistics cannot escape.
    void search(const WindowTable& table, bool kill, const CandidateStream& stream, const IntegerBounds& bounds,
                std::uint64_t first, std::uint64_t count, KernelSearch& out) const;

    // Candidates first .. first + count − 1 as the vector generator draws them.
    void generate(const CandidateStream& stream, std::uint64_t first, int count, ColumnSum* out) const;

    struct Functions;

private:
    KernelPath m_path;
    const Functions* m_functions;
};
