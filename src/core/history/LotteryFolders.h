#pragma once

#include "common/LotteryTable.h"

#include <QString>
#include <memory>

class Database;

// Each lottery keeps its data in a folder of its own in the data directory,
// named by its online code ("gd11x5", "zjkl12"), with its own formula.mdb, so
// one lottery's draws never meet another's. Exports and reports stay in the data
// directory itself.
class LotteryFolders {
public:
    // The online code; 辽宁快乐12 shares "ln11x5" with 辽宁11选5 and has "lnkl12".
    static QString folderName(const LotteryTable::Entry& lottery);
    static QString folder(const QString& dataDirectory, const LotteryTable::Entry& lottery);

    // A formula.mdb at the top of the data directory (written before the data
    // was kept per lottery) moves into the folder of `selected`, the lottery of
    // the settings, when that folder has no database yet: once, whole (other
    // programs are held off the file while it moves). Returns what to tell the
    // user, empty when nothing moved. Another program's file is left where it is.
    static QString moveTopLevelFile(const QString& dataDirectory, const LotteryTable::Entry& selected);

    // Opens (or creates) the lottery's database and records the lottery in it
    // when none is recorded yet.
    static std::unique_ptr<Database> open(const QString& dataDirectory, const LotteryTable::Entry& lottery);
};
