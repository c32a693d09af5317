#include "history/LotteryFolders.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "history/SqliteDatabase.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

TEST(LotteryFolders, everyLotteryHasAFolderOfItsOwn)
{
    QSet<QString> names;
    for (int i = 0; i < LotteryTable::kCount; ++i)
        names.insert(LotteryFolders::folderName(LotteryTable::entry(i)));
    EXPECT_EQ(names.size(), LotteryTable::kCount);
    EXPECT_EQ(LotteryFolders::folderName(LotteryTable::entry(0)), QStringLiteral("gd11x5"));
    EXPECT_EQ(LotteryFolders::folderName(LotteryTable::entry(3)), QStringLiteral("ln11x5"));
    // 辽宁快乐12 shares its online code with 辽宁11选5, not its file.
    EXPECT_EQ(LotteryFolders::folderName(LotteryTable::entry(25)), QStringLiteral("lnkl12"));
    EXPECT_EQ(LotteryFolders::folderName(LotteryTable::entry(26)), QStringLiteral("zjkl12"));
}

// A formula.mdb of the time before folders moves, once and whole, into the
// folder of the lottery of the settings; another program's file stays put.
TEST(LotteryFolders, theTopLevelFileMovesOnceIntoTheSelectedLotterysFolder)
{
    TestEnvironment env;
    const auto liaoning = LotteryTable::entry(3);
    {
        Database top(env.dataDirectory());
        DrawStore(top, liaoning).add(QStringLiteral("26010101"), {1, 2, 3, 4, 5});
        top.compact();
    }
    const QString moved = LotteryFolders::moveTopLevelFile(env.dataDirectory(), liaoning);
    EXPECT_TRUE(moved.contains(QStringLiteral("辽宁11选5"))) << moved.toStdString();
    EXPECT_FALSE(QFile::exists(env.path(QStringLiteral("formula.mdb"))));
    EXPECT_FALSE(QFile::exists(env.path(QStringLiteral("formula.mdb-journal"))));
    EXPECT_TRUE(QFile::exists(QDir(env.lotteryFolder(3)).filePath(QStringLiteral("formulaTmp.mdb"))));
    {
        auto db = LotteryFolders::open(env.dataDirectory(), liaoning);
        EXPECT_EQ(DrawStore(*db, liaoning).lastIssue(), QStringLiteral("26010101"));
        EXPECT_EQ(db->dataDirectory(), env.dataDirectory()); // exports stay at the top
        EXPECT_EQ(db->recordedLottery(), 3);
    }
    EXPECT_TRUE(LotteryFolders::moveTopLevelFile(env.dataDirectory(), liaoning).isEmpty());

    // A new top-level file does not replace the folder's own.
    {
        Database again(env.dataDirectory());
    }
    EXPECT_TRUE(LotteryFolders::moveTopLevelFile(env.dataDirectory(), liaoning).isEmpty());
    EXPECT_TRUE(QFile::exists(env.path(QStringLiteral("formula.mdb"))));

    TestEnvironment foreign;
    {
        SqliteDatabase other(foreign.path(QStringLiteral("formula.mdb")));
        other.exec(QStringLiteral("CREATE TABLE notes (body TEXT)"));
    }
    EXPECT_TRUE(LotteryFolders::moveTopLevelFile(foreign.dataDirectory(), liaoning).isEmpty());
    EXPECT_TRUE(QFile::exists(foreign.path(QStringLiteral("formula.mdb"))));
    EXPECT_FALSE(QFile::exists(foreign.lotteryFolder(3)));
}
