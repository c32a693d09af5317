#include "analysis/HistoryListExport.h"

#include "analysis/HistoryList.h"
#include "analysis/SpreadsheetFile.h"

#include <QDir>
#include <QFileInfo>
#include <xlsxwriter.h>

void HistoryListExport::write(const QString& path, const HistoryList& list)
{
    // The old file stays until the new one is whole.
    SpreadsheetFile file(path, QStringLiteral("列表显示错误"));
    if (!QFileInfo(path).dir().exists())
        file.fail(QStringLiteral("文件夹不存在"));
    const QByteArray name = file.stagingName();
    // Rows go out one by one: a list of 20,000 draws never sits whole in memory.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(name.constData(), &options);
    if (!workbook)
        file.fail(QStringLiteral("无法创建文件"));
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sheet1");
    lxw_format* mark = workbook_add_format(workbook);
    format_set_font_color(mark, LXW_COLOR_BLUE);
    lxw_error status = LXW_NO_ERROR;
    const auto keep = [&status](lxw_error e) {
        if (status == LXW_NO_ERROR)
            status = e;
    };
    const int columns = list.columnCount();
    for (int c = 0; c < columns; ++c)
        keep(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), list.header(c).toUtf8().constData(), nullptr));
    for (int r = 0; r < list.rowCount() && status == LXW_NO_ERROR; ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        for (int c = 0; c < columns; ++c) {
            const auto column = static_cast<lxw_col_t>(c);
            if (list.isTextColumn(c)) {
                const QString text = list.text(r, c);
                if (!text.isEmpty())
                    keep(worksheet_write_string(sheet, row, column, text.toUtf8().constData(), nullptr));
            } else if (const std::optional<int> value = list.integer(r, c)) {
                keep(worksheet_write_number(sheet, row, column, *value, list.marked(r, c) ? mark : nullptr));
            }
        }
    }
    const lxw_error closed = workbook_close(workbook);
    keep(closed);
    if (status != LXW_NO_ERROR)
        file.fail(QString::fromUtf8(lxw_strerror(status)));
    file.commit();
}
