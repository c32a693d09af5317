#include "history/LotteryFolders.h"

#include "history/Database.h"
#include "history/DatabaseError.h"
#include "history/DatabaseSchema.h"
#include "history/SqliteDatabase.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

const QString kFileName = QStringLiteral("formula.mdb");
const QString kWorkCopy = QStringLiteral("formulaTmp.mdb");

bool isSqliteFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3\0", 16);
}

// Ours: our application id (or none yet) and a Lishi table.
bool holdsOurTables(SqliteDatabase& db)
{
    const int id = db.scalar(QStringLiteral("PRAGMA application_id")).toInt();
    if (id != 0 && id != DatabaseSchema::kApplicationId)
        return false;
    return db.scalar(QStringLiteral(
                         "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'Lishi' COLLATE NOCASE"))
               .toInt() > 0;
}

// Gives `from` the name `to` unless `to` exists; true when it moved. A hard link
// and an unlink never replace a file another program created meanwhile.
bool moveWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::link(source.constData(), target.constData()) == 0) {
        if (::unlink(source.constData()) != 0)
            throw DatabaseError(QStringLiteral("无法移动 %1：%2").arg(from, QString::fromLocal8Bit(strerror(errno))));
        return true;
    }
    if (errno == EEXIST)
        return false;
    // A file system without hard links: a rename, which Qt never lets replace a file.
    return QFile::rename(from, to);
}

} // namespace

QString LotteryFolders::folderName(const LotteryTable::Entry& lottery)
{
    // 辽宁快乐12 keeps the online code of 辽宁11选5 for the results site; its data has
    // another issue format and must not share that lottery's file.
    if (lottery.longDateIssue && lottery.onlineCode.endsWith(QStringLiteral("11x5")))
        return lottery.provinceCode + QStringLiteral("kl12");
    return lottery.onlineCode;
}

QString LotteryFolders::folder(const QString& dataDirectory, const LotteryTable::Entry& lottery)
{
    return QDir(dataDirectory).filePath(folderName(lottery));
}

QString LotteryFolders::moveTopLevelFile(const QString& dataDirectory, const LotteryTable::Entry& selected)
{
    const QString top = QDir(dataDirectory).filePath(kFileName);
    const QString folderPath = folder(dataDirectory, selected);
    const QString target = QDir(folderPath).filePath(kFileName);
    if (!QFile::exists(top) || QFile::exists(target) || !isSqliteFile(top))
        return {};
    SqliteDatabase old(top);
    if (!holdsOurTables(old))
        return {};
    QDir().mkpath(folderPath);
    // Nobody writes to the file while it moves; an unfinished write of another
    // program is rolled back first.
    old.exec(QStringLiteral("BEGIN EXCLUSIVE"));
    const bool moved = moveWithoutReplacing(top, target);
    old.exec(QStringLiteral("ROLLBACK"));
    if (!moved)
        return {};
    const QString work = QDir(dataDirectory).filePath(kWorkCopy);
    if (QFile::exists(work))
        moveWithoutReplacing(work, QDir(folderPath).filePath(kWorkCopy));
    return QStringLiteral("每个彩种的数据现在保存在数据目录中各自的文件夹里。原来的 formula.mdb 已移到%1的文件夹 %2。")
        .arg(selected.caption, folderPath);
}

std::unique_ptr<Database> LotteryFolders::open(const QString& dataDirectory, const LotteryTable::Entry& lottery)
{
    auto database = std::make_unique<Database>(folder(dataDirectory, lottery), dataDirectory);
    if (!database->recordedLottery())
        database->recordLottery(lottery);
    return database;
}
