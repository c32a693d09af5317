#pragma once

#include <QString>

// Where a spreadsheet writer puts its workbook: a staging file beside the
// target, renamed over it only once complete, so a failure leaves any old file
// as it was (libxlsxwriter opens its path itself, so QSaveFile cannot do this).
// As QSaveFile does for the text exports, a symbolic link is followed and its
// target replaced, the link staying a link; a target that is not a plain file
// (a folder, a device, a pipe) is refused and never touched.
class SpreadsheetFile {
public:
    // Raises UserError(errorTitle, ...) when `path` cannot be written to.
    SpreadsheetFile(const QString& path, QString errorTitle);
    // Removes the staging file unless committed.
    ~SpreadsheetFile();
    SpreadsheetFile(const SpreadsheetFile&) = delete;
    SpreadsheetFile& operator=(const SpreadsheetFile&) = delete;

    // The file the workbook is written to; encoded for the C library.
    QByteArray stagingName() const;
    // Renames the complete workbook over the target (raises UserError).
    void commit();
    // Raises UserError: "无法写入表格文件 PATH：why".
    [[noreturn]] void fail(const QString& why) const;

private:
    QString m_path; // as given; named in messages
    QString m_target; // the file replaced: m_path, or where its links lead
    QString m_staging;
    QString m_title;
    bool m_committed = false;
};
