#include "analysis/ErrorValuesExport.h"

#include "analysis/SpreadsheetFile.h"

#include <xlsxwriter.h>

void ErrorValuesExport::write(const QString& path, const std::vector<ErrorValueRow>& rows)
{
    // The old file stays until the new one is whole.
    SpreadsheetFile file(path, QStringLiteral("列表显示错误"));
    const QByteArray name = file.stagingName();
    lxw_workbook* workbook = workbook_new(name.constData());
    if (!workbook)
        file.fail(QStringLiteral("无法创建文件"));
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sheet1");
    lxw_error status = LXW_NO_ERROR;
    const auto keep = [&status](lxw_error e) {
        if (status == LXW_NO_ERROR)
            status = e;
    };
    const char* headings[] = {"排序序号", "号码", "杀留Err值（公式错误值）"};
    for (lxw_col_t c = 0; c < 3; ++c)
        keep(worksheet_write_string(sheet, 0, c, headings[c], nullptr));
    lxw_row_t r = 1;
    for (const ErrorValueRow& row : rows) {
        keep(worksheet_write_number(sheet, r, 0, row.place, nullptr));
        keep(worksheet_write_number(sheet, r, 1, row.number, nullptr));
        keep(worksheet_write_number(sheet, r, 2, row.tally.vote, nullptr));
        ++r;
    }
    keep(workbook_close(workbook));
    if (status != LXW_NO_ERROR)
        file.fail(QString::fromUtf8(lxw_strerror(status)));
    file.commit();
}
