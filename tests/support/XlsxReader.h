#pragma once

#include <QMap>
#include <QString>
#include <utility>

// Reads back the first sheet of an .xlsx file (through `unzip`): each cell's text
// (a number as written, "5" or "0.25") and its solid fill colour ("00FF00", empty
// when none). Rows and columns count from 0, the header row being row 0.
class XlsxReader {
public:
    struct Cell {
        QString text;
        QString fill;
    };

    explicit XlsxReader(const QString& path);
    bool ok() const { return m_ok; }
    Cell cell(int row, int column) const { return m_cells.value({row, column}); }
    int rowCount() const { return m_rows; }
    int columnCount() const { return m_columns; }

private:
    QMap<std::pair<int, int>, Cell> m_cells;
    int m_rows = 0;
    int m_columns = 0;
    bool m_ok = false;
};
