#pragma once

#include "history/SqliteDatabase.h"

#include <QString>
#include <QStringList>
#include <memory>

// formula.mdb in the data directory: opened, or created with every table when
// missing. A file at that path that is not ours (a legacy Jet database, say) is
// refused and never touched.
class Database {
public:
    explicit Database(const QString& dataDirectory);

    SqliteDatabase& sql() { return *m_db; }
    QString dataDirectory() const { return m_directory; }
    QString filePath() const;
    QString workCopyPath() const; // formulaTmp.mdb

    // CompactDb: writes a compacted copy to formulaTmp.mdb, then compacts
    // formula.mdb in place. Both files remain, with the same data; every open
    // connection keeps working. On failure formula.mdb is left as it was.
    void compact();

    static constexpr int kSchemaVersion = 1;

private:
    void open();
    void migrate();
    static void refuseForeignFile(const QString& path);

    QString m_directory;
    std::unique_ptr<SqliteDatabase> m_db;
};
