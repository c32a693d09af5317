#pragma once

// What the fuzz targets share: turning bytes into text, stopping on a broken
// invariant (libFuzzer keeps the input that got there), and a history with
// ordinary draws and rows at the int32 limits.
#include "common/LotteryTable.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"
#include "history/AttributeCatalog.h"
#include "history/DemoHistory.h"
#include "history/HistorySnapshot.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

namespace FuzzSupport {

inline void check(bool condition, const char* what, const QString& detail = {})
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.toUtf8().constData());
    std::abort();
}

inline QString utf8(const std::uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// One day of a demo lottery, then rows no draw produces but a history built in
// memory may hold: every column at the int32 maximum, at its minimum, all zero.
inline const HistorySnapshot& history()
{
    static const HistorySnapshot snapshot = [] {
        const LotteryTable::Entry lottery = LotteryTable::entry(0);
        HistorySnapshot h = DemoHistory::snapshot(lottery, DemoHistory::generate(lottery, 1, 5, QDate(2026, 11, 30)));
        for (std::int32_t v : {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(), 0}) {
            std::array<std::int32_t, AttributeCatalog::kCount> row{};
            row.fill(v);
            h.append(QStringLiteral("2612019%1").arg(h.size() % 10), row);
        }
        return h;
    }();
    return snapshot;
}

inline std::optional<CompiledFormula> compiled(const QString& code)
{
    try {
        return CompiledFormula::compile(code);
    } catch (const FormulaError&) {
        return std::nullopt;
    }
}

// The integer path of a column sum against the general evaluator on the same
// expression (multiplying by 1 leaves the sum form): the values must be equal.
inline void compareSumWithGeneral(const CompiledFormula& formula, const QString& code)
{
    if (!formula.isColumnSum())
        return;
    const std::optional<CompiledFormula> general = compiled(QStringLiteral("(%1)*1").arg(code));
    if (!general) // the two extra tokens went past a limit
        return;
    check(!general->isColumnSum(), "multiplying by 1 kept the sum form", code);
    const std::vector<double> fast = formula.evaluateAll(history());
    const std::vector<double> slow = general->evaluateAll(history());
    for (size_t i = 0; i < fast.size(); ++i)
        check(fast[i] == slow[i], "sum path differs from the general evaluator",
              QStringLiteral("%1 row %2: %3 vs %4").arg(code).arg(i).arg(fast[i], 0, 'g', 17).arg(slow[i], 0, 'g', 17));
}

} // namespace FuzzSupport
