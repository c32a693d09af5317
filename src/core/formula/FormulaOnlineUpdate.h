#pragma once

#include "formula/FormulaImport.h"

#include <QByteArray>
#include <QString>

class Database;

// The online formula update: the fetched formula file is kept as Velmora.txt in
// the data directory, and the formula tables are replaced by what it holds.
class FormulaOnlineUpdate {
public:
    static QString fileName() { return QStringLiteral("Velmora.txt"); }
    static QString title() { return QStringLiteral("公式在线更新"); }
    static QString question();

    static QString storedPath(const QString& dataDirectory);
    // Writes the bytes unchanged to Velmora.txt through a temporary file and a
    // rename, so a failed write leaves the previous file whole.
    static void storeDownload(const QString& dataDirectory, const QByteArray& bytes);
    // Empties the ten formula tables and imports Velmora.txt in one transaction:
    // a failure, or a file without one recognised formula, leaves the old formulas.
    // Raises UserError when there is no Velmora.txt.
    static FormulaImportResult importStored(Database& db, const FormulaImportOptions& options);
};
