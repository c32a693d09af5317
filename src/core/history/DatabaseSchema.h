#pragma once

#include <QString>
#include <QStringList>

class SqliteDatabase;

// The tables of formula.mdb and how a file is brought to the current version.
//
// Version 1: Lishi (issue, 88 attribute and 5 work columns, unique index strQQH),
// the ten formula tables, Errarr and ErrarrLei. Version 2 adds an index on idx
// in every formula table, Caizhong (the lottery the data belongs to) and
// LishiUndo (the draws of the latest history deletion, until the next change).
class DatabaseSchema {
public:
    static constexpr int kVersion = 2;
    // PRAGMA application_id of our files ("VLMR"); 0 is a file from before it was set.
    static constexpr int kApplicationId = 0x564C4D52;

    // Creates every table in an empty file, adopts a complete schema that carries
    // no version (a file rebuilt from a dump) and migrates an older version, all
    // in one transaction. Refuses (DatabaseError, nothing written) a file of a
    // newer version, another program's SQLite file, and a file to be adopted or
    // migrated that lacks a table or column, naming what is missing. A file of
    // the current version is taken as it is.
    static void prepare(SqliteDatabase& db, const QString& path);

    // strQQH, the 88 attribute columns in catalogue order, the 5 work columns.
    static QStringList lishiColumns();
    static QStringList formulaColumns();
    // The ten formula tables: "Gongshi" + position 1..5 + "D" (direct) or "G" (group).
    static QString formulaTableName(int position, bool group);
    // Gongshi1D, Gongshi1G, Gongshi2D, ... Gongshi5G.
    static QStringList formulaTableNames();
};
