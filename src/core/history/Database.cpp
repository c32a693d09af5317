#include "history/Database.h"

#include "history/DatabaseError.h"
#include "history/DatabaseSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Back to normal locking; the exclusive lock goes with the next access.
void releaseLock(SqliteDatabase& db) noexcept
{
    try {
        db.exec(QStringLiteral("PRAGMA locking_mode = NORMAL"));
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"));
    } catch (...) {
        // Closing the connection ends the lock in any case.
    }
}

} // namespace

Database::Database(const QString& folder, const QString& dataDirectory)
    : m_folder(folder),
      m_directory(dataDirectory.isEmpty() ? folder : dataDirectory)
{
    QDir().mkpath(m_folder);
    open();
}

QString Database::filePath() const { return QDir(m_folder).filePath(QStringLiteral("formula.mdb")); }
QString Database::workCopyPath() const { return QDir(m_folder).filePath(QStringLiteral("formulaTmp.mdb")); }

void Database::refuseForeignFile(const QString& path)
{
    QFile file(path);
    if (!file.exists() || file.size() == 0)
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw DatabaseError(QStringLiteral("无法读取数据库文件 %1：%2").arg(path, file.errorString()));
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return;
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB")
        throw DatabaseError(QStringLiteral("%1 是旧版 Access（Jet）数据库，本程序无法使用它。文件没有被改动；"
                                           "请把它移走或改名，程序会新建一个空数据库。")
                                .arg(path));
    throw DatabaseError(
        QStringLiteral("%1 不是本程序的数据库文件。文件没有被改动；请把它移走或改名，程序会新建一个空数据库。")
            .arg(path));
}

void Database::open()
{
    refuseForeignFile(filePath());
    m_db = std::make_unique<SqliteDatabase>(filePath());
    DatabaseSchema::prepare(*m_db, filePath());
}

void Database::compact(const std::function<void()>& whileHeld)
{
    m_db->checkBeforeWriting();
    const QString work = workCopyPath();
    if (QFileInfo(work).isDir() || (QFile::exists(work) && !QFile::remove(work)))
        throw DatabaseError(QStringLiteral("无法删除旧的工作副本 %1，数据库没有压缩。").arg(work));
    // In exclusive locking mode the lock VACUUM takes is kept after it: no other
    // connection reads or writes until the copy is written too. VACUUM itself is
    // journalled, so a failure or a crash leaves formula.mdb whole.
    m_db->exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
    try {
        m_db->exec(QStringLiteral("VACUUM"));
        if (whileHeld)
            whileHeld();
        SqliteStatement copy = m_db->prepare(QStringLiteral("VACUUM INTO ?1"));
        copy.bind(1, work);
        copy.run();
    } catch (...) {
        releaseLock(*m_db);
        throw;
    }
    releaseLock(*m_db);
}

std::optional<int> Database::recordedLottery()
{
    const QVariant index = m_db->scalar(QStringLiteral("SELECT GsZl FROM Caizhong ORDER BY rowid LIMIT 1"));
    return index.isValid() ? std::optional<int>(index.toInt()) : std::nullopt;
}

void Database::recordLottery(const LotteryTable::Entry& lottery)
{
    SqliteDatabase::Transaction transaction(*m_db);
    if (!recordedLottery()) {
        SqliteStatement insert =
            m_db->prepare(QStringLiteral("INSERT INTO Caizhong (GsZl, onlineCode, caption) VALUES (?1, ?2, ?3)"));
        insert.bind(1, lottery.index).bind(2, lottery.onlineCode).bind(3, lottery.caption);
        insert.run();
    }
    transaction.commit();
}
