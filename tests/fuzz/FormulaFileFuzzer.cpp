// The formula text file reader on any bytes, in both encodings: decoding either
// refuses with a message or yields one line per raw line, and importing stores
// only lines that parse, in a real database file.
#include "FuzzSupport.h"

#include "formula/FormulaFile.h"
#include "formula/FormulaFileCodec.h"
#include "formula/FormulaImport.h"
#include "formula/FormulaText.h"
#include "history/Database.h"

#include <QTemporaryDir>

using namespace FuzzSupport;

namespace {

Database& database()
{
    static QTemporaryDir folder;
    static Database db(folder.path());
    static const bool fast = [] {
        db.sql().exec(QStringLiteral("PRAGMA synchronous = OFF"));
        return true;
    }();
    (void)fast;
    return db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    DecodedText decoded;
    try {
        decoded = FormulaFileCodec::decode(bytes, QStringLiteral("fuzz.txt"));
    } catch (const UserError&) {
        return 0;
    }
    check(decoded.lines.size() == static_cast<qsizetype>(decoded.rawLines.size()), "lines and raw lines differ");
    int parsed = 0;
    for (qsizetype i = 0; i < decoded.lines.size(); ++i) {
        const QString& line = decoded.lines[i];
        if (FormulaFile::isFormatLine(line, static_cast<int>(i), decoded.lines.value(0)))
            continue;
        try {
            FormulaText::parse(FormulaFile::chineseForm(line));
            ++parsed;
        } catch (const UserError&) {}
    }

    FormulaImportOptions options;
    options.replaceAll = true;
    try {
        const FormulaImportResult result =
            FormulaImport::importBytes(database(), bytes, QStringLiteral("fuzz.txt"), options);
        // A line repeating an earlier formula is skipped (it would vote twice); the
        // table was replaced, so only the file's own repeats are skipped.
        check(result.stored + result.duplicates == parsed, "the import stored another count than parses",
              QStringLiteral("%1 + %2 duplicates vs %3").arg(result.stored).arg(result.duplicates).arg(parsed));
        check(result.stored + result.unrecognised <= result.lines, "more formulas than lines");
    } catch (const UserError&) {
        check(parsed == 0, "an import with recognisable lines was refused");
    }
    return 0;
}
