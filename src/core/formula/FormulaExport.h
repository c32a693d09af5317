#pragma once

#include "formula/FormulaFileCodec.h"
#include "scoring/FormulaStatistics.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Database;
class HistorySnapshot;

struct FormulaExportOptions {
    TextEncoding encoding = TextEncoding::Gb18030;
    int range = 11; // R of the lottery
    ScoringWindow window; // the list's look-back, current-draw and weighting settings
    std::optional<bool> kill; // only kill (true) or keep (false) formulas; both when empty
    std::function<void(int done, int total)> progress; // per table
};

struct FormulaExportResult {
    int formulas = 0;
    int classes = 0;
};

// Writes formula tables as a formula text file. Every formula is scored with
// the rule the list uses for its table and kill/keep flag over the same window,
// so the "连准" written is the "最后连对" the list shows; a formula that cannot
// be evaluated is written with 0. Scores are computed, not stored.
class FormulaExport {
public:
    // "<issue>期11选5公式.txt": every class. The issue keeps its digits only.
    static QString allTablesFileName(const QString& issue);
    // "<issue>期11选5第三组选公式.txt": one class, named by its label.
    static QString tableFileName(const QString& issue, const QString& label);

    // One class per table, in the order given, formulas in idx order. The file is
    // replaced whole or not at all; raises UserError when it cannot be written.
    static FormulaExportResult write(Database& db, const HistorySnapshot& history, const QStringList& tables,
                                     const QString& path, const FormulaExportOptions& options);
};
