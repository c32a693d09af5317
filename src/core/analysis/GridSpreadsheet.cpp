#include "analysis/GridSpreadsheet.h"

#include "analysis/SpreadsheetFile.h"

#include <map>
#include <tuple>
#include <xlsxwriter.h>

namespace {

// Formats are made once per combination of colours and number style.
class FormatCache {
public:
    explicit FormatCache(lxw_workbook* workbook) : m_workbook(workbook) {}

    lxw_format* formatFor(const SheetCell& cell)
    {
        if (!cell.fill && !cell.font && !cell.twoDigits)
            return nullptr;
        const Key key{cell.fill.value_or(kNone), cell.font.value_or(kNone), cell.twoDigits};
        auto found = m_formats.find(key);
        if (found != m_formats.end())
            return found->second;
        lxw_format* format = workbook_add_format(m_workbook);
        if (cell.fill)
            format_set_bg_color(format, *cell.fill);
        if (cell.font)
            format_set_font_color(format, *cell.font);
        if (cell.twoDigits)
            format_set_num_format(format, "00");
        m_formats.emplace(key, format);
        return format;
    }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    using Key = std::tuple<std::uint32_t, std::uint32_t, bool>;
    lxw_workbook* m_workbook;
    std::map<Key, lxw_format*> m_formats;
};

} // namespace

void GridSpreadsheet::write(const QString& path, const SheetSource& source, const QString& errorTitle,
                            const std::function<void(int done, int total)>& progress)
{
    SpreadsheetFile file(path, errorTitle);
    const QByteArray stagingName = file.stagingName();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(stagingName.constData(), &options);
    if (!workbook)
        file.fail(QStringLiteral("无法创建文件"));
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sheet1");
    FormatCache formats(workbook);
    lxw_error status = LXW_NO_ERROR;
    const auto keep = [&status](lxw_error e) {
        if (status == LXW_NO_ERROR)
            status = e;
    };

    const int columns = source.columnCount();
    const int rows = source.rowCount();
    for (int c = 0; c < columns; ++c)
        keep(worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), source.columnWidth(c),
                                  nullptr));
    for (int c = 0; c < columns; ++c)
        keep(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), source.header(c).toUtf8().constData(),
                                    nullptr));
    for (int r = 0; r < rows && status == LXW_NO_ERROR; ++r) {
        const auto sheetRow = static_cast<lxw_row_t>(r + 1);
        for (int c = 0; c < columns; ++c) {
            const SheetCell cell = source.cell(r, c);
            lxw_format* format = formats.formatFor(cell);
            const auto column = static_cast<lxw_col_t>(c);
            if (cell.number)
                keep(worksheet_write_number(sheet, sheetRow, column, *cell.number, format));
            else if (!cell.text.isEmpty())
                keep(worksheet_write_string(sheet, sheetRow, column, cell.text.toUtf8().constData(), format));
            else if (format)
                keep(worksheet_write_blank(sheet, sheetRow, column, format));
        }
        if (progress && r % 1024 == 0)
            progress(r, rows);
    }
    const lxw_error closed = workbook_close(workbook);
    keep(closed);
    if (status != LXW_NO_ERROR)
        file.fail(QString::fromUtf8(lxw_strerror(status)));
    file.commit();
    if (progress)
        progress(rows, rows);
}
