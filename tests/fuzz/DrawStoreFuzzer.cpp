// Typed draws stored into a real database file: whatever the store accepts
// loads again without complaint, in issue order, each row computed against the
// draw before it.
#include "FuzzSupport.h"

#include "common/UserError.h"
#include "history/Database.h"
#include "history/DrawAttributes.h"
#include "history/DrawStore.h"
#include "history/IssueNumbers.h"

#include <QTemporaryDir>
#include <map>
#include <memory>

using namespace FuzzSupport;

namespace {

// A data file keeps the draws of one lottery, so each lottery has its own.
Database& database(int lottery)
{
    static QTemporaryDir folder;
    static std::map<int, std::unique_ptr<Database>> files;
    std::unique_ptr<Database>& db = files[lottery];
    if (!db) {
        db = std::make_unique<Database>(folder.filePath(QString::number(lottery)));
        // Durability is not under test here; speed is.
        db->sql().exec(QStringLiteral("PRAGMA synchronous = OFF"));
    }
    return *db;
}

// "ISSUE D1 D2 D3 D4 D5" adds a draw, "del N" removes the last N.
void apply(DrawStore& store, const QString& line)
{
    const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return;
    try {
        if (words.first() == u"del") {
            store.deleteLast(words.value(1).toInt() % 1000);
            return;
        }
        DrawNumbers numbers{};
        for (size_t i = 0; i < numbers.size(); ++i)
            numbers[i] = words.value(static_cast<qsizetype>(i) + 1).toInt();
        store.add(words.first(), numbers);
    } catch (const UserError&) {}
}

void checkStored(Database& db, const LotteryTable::Entry& lottery)
{
    HistorySnapshot stored;
    try {
        stored = HistorySnapshot::load(db.sql());
    } catch (const UserError& e) {
        check(false, "a stored draw does not load", e.message());
    }
    for (int row = 0; row < stored.size(); ++row) {
        const QString& issue = stored.issue(row);
        check(IssueNumbers::validate(issue, lottery.drawsPerDay, lottery.longDateIssue).isEmpty(),
              "an invalid issue was stored", issue);
        check(row == 0 || stored.issue(row - 1) < issue, "draws out of order", issue);
        DrawNumbers numbers{};
        for (int p = 1; p <= 5; ++p)
            numbers[static_cast<size_t>(p - 1)] = stored.number(row, p);
        std::optional<DrawNumbers> previous;
        if (row > 0) {
            previous.emplace();
            for (int p = 1; p <= 5; ++p)
                (*previous)[static_cast<size_t>(p - 1)] = stored.number(row - 1, p);
        }
        const AttributeValues expected =
            DrawAttributes::compute(numbers, IssueNumbers::serialOf(issue), lottery.drawsPerDay,
                                    *IssueNumbers::dateOf(issue, lottery.longDateIssue), previous);
        for (int a = 0; a < AttributeCatalog::kCount; ++a)
            check(stored.value(row, a) == expected[static_cast<size_t>(a)], "a stored attribute is stale",
                  issue + u' ' + AttributeCatalog::code(a));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const LotteryTable::Entry lottery = LotteryTable::entry(data[0] % LotteryTable::kCount);
    Database& db = database(lottery.index);
    DrawStore store(db, lottery);
    store.deleteAll();
    for (const QString& line : utf8(data + 1, size - 1).split(u'\n'))
        apply(store, line);
    checkStored(db, lottery);
    return 0;
}
