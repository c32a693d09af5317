#pragma once

#include "formula/FormulaFileCodec.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>

class Database;

struct FormulaImportOptions {
    // Empty all ten formula tables first, in the same transaction as the import.
    bool replaceAll = false;
    // Told now and then how far the import is: `done` of `total` steps.
    std::function<void(int done, int total)> progress;
};

struct FormulaImportResult {
    int lines = 0; // lines read, format lines included
    int stored = 0; // formulas stored
    int duplicates = 0; // formulas skipped: their table held them already (or an earlier line did)
    int unrecognised = 0; // lines written to the report
    TextEncoding encoding = TextEncoding::Utf8;
    QString reportPath; // 无法识别公式.txt, written only when a line was unrecognised
    std::map<QString, int> storedPerTable; // Gongshi1D .. Gongshi5G
};

// Reads a formula text file into the formula tables. Each line is cut at "连准"
// and parsed as a typed formula would be; the recognised ones are stored in one
// transaction (a failure stores nothing), each table numbered 1..n. A formula
// its table already holds with the same flag is skipped (it would vote twice).
// Lines that cannot be recognised, empty ones included, are written unchanged
// (the same bytes, the same encoding) to 无法识别公式.txt in the data directory;
// an import without any removes the report of an earlier one.
class FormulaImport {
public:
    static QString reportFileName() { return QStringLiteral("无法识别公式.txt"); }
    // The message shown once after an import that met unrecognised lines.
    static QString unrecognisedTitle() { return QStringLiteral("无法识别公式"); }
    static QString unrecognisedMessage(const FormulaImportResult& result);
    // What the window says after an import: how many went in, were skipped, were unrecognised.
    static QString summary(const FormulaImportResult& result);

    // Raises UserError when the file cannot be read or decoded, or when
    // `replaceAll` is set and not one formula was recognised (the old formulas
    // are then kept). Database failures raise DatabaseError; nothing is stored.
    static FormulaImportResult importFile(Database& db, const QString& path, const FormulaImportOptions& options);
    static FormulaImportResult importBytes(Database& db, const QByteArray& bytes, const QString& sourceName,
                                           const FormulaImportOptions& options);
};
