#pragma once

#include <QString>

class HistoryList;

// Writes the history list as a spreadsheet: the headings in the first row, then
// every row as the grid shows it, the actual number's cells in blue.
class HistoryListExport {
public:
    static QString listFileName() { return QStringLiteral("Print.xlsx"); } // "查询结果导出(&O)"
    static QString gridFileName() { return QStringLiteral("Jieguo.xlsx"); } // a double click on the list
    // Replaces any old file at `path` once the new one is whole (SpreadsheetFile).
    // Raises UserError ("列表显示错误") naming the file and the reason when it
    // cannot be written; nothing half-written is left.
    static void write(const QString& path, const HistoryList& list);
};
