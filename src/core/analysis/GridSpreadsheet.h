#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// One cell of a grid copied to a spreadsheet.
struct SheetCell {
    QString text; // written as text unless `number` is set
    std::optional<double> number;
    std::optional<std::uint32_t> fill; // background, 0xRRGGBB
    std::optional<std::uint32_t> font; // text colour, 0xRRGGBB
    bool twoDigits = false; // a number shown with at least two digits ("05")
};

// A grid as the spreadsheet copy reads it: a header row, then the data rows.
class SheetSource {
public:
    virtual ~SheetSource() = default;
    virtual int rowCount() const = 0; // data rows, the header not counted
    virtual int columnCount() const = 0;
    virtual QString header(int column) const = 0;
    virtual double columnWidth(int /*column*/) const { return 10.0; }
    virtual SheetCell cell(int row, int column) const = 0;
};

// Writes a grid to "Sheet1" of a new .xlsx workbook, row by row so a large grid
// needs little memory. The workbook is built beside the target and renamed over
// it only when complete (SpreadsheetFile): a failure leaves any old file as it
// was, a symbolic link is written through, anything else but a plain file is refused.
class GridSpreadsheet {
public:
    // Raises UserError(errorTitle, what failed). `progress` hears (rows done, rows).
    static void write(const QString& path, const SheetSource& source, const QString& errorTitle,
                      const std::function<void(int done, int total)>& progress = {});
};
