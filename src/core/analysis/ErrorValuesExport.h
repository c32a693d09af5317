#pragma once

#include "analysis/ErrorValuesTable.h"

#include <QString>
#include <vector>

// Writes a position's list as ErrarrLei.xlsx: place, number and vote count under
// the headings "排序序号", "号码", "杀留Err值（公式错误值）".
class ErrorValuesExport {
public:
    static QString fileName() { return QStringLiteral("ErrarrLei.xlsx"); }
    // Replaces any old file at `path` once the new one is whole (SpreadsheetFile).
    // Raises UserError ("列表显示错误") when the file cannot be written; nothing
    // half-written is left behind.
    static void write(const QString& path, const std::vector<ErrorValueRow>& rows);
};
