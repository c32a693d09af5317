#pragma once

#include "common/LotteryTable.h"
#include "history/SqliteDatabase.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

// formula.mdb in its folder: opened, or created with every table when missing
// (DatabaseSchema). A file at that path that is not ours (a legacy Jet database,
// another program's SQLite file, say) is refused and never touched.
class Database {
public:
    // `folder` holds formula.mdb; exports and reports go to `dataDirectory`
    // (the folder itself when not given). See LotteryFolders for the folder of
    // each lottery.
    explicit Database(const QString& folder, const QString& dataDirectory = QString());

    SqliteDatabase& sql() { return *m_db; }
    QString folder() const { return m_folder; }
    QString dataDirectory() const { return m_directory; }
    QString filePath() const;
    QString workCopyPath() const; // formulaTmp.mdb

    // CompactDb: compacts formula.mdb in place, then writes the compacted copy
    // formulaTmp.mdb, holding every other connection (of any program) out for
    // the whole time, so both files hold the same data. The file is never
    // replaced, so every open connection keeps working and no committed write is
    // lost; on failure formula.mdb is left as it was. `whileHeld` runs between
    // the two steps, with the lock still held (tests look in there).
    void compact(const std::function<void()>& whileHeld = {});

    // The lottery the data belongs to (table Caizhong), once recorded.
    std::optional<int> recordedLottery();
    // Records `lottery` unless one is recorded already.
    void recordLottery(const LotteryTable::Entry& lottery);

private:
    void open();
    static void refuseForeignFile(const QString& path);

    QString m_folder;
    QString m_directory;
    std::unique_ptr<SqliteDatabase> m_db;
};
