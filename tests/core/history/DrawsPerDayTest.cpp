// A lottery whose real schedule (42 draws a day) differs from the lottery table's
// (84), set through 每天期数: the next issue, the refusal of a serial above it and
// the previous-issue attributes at the day's boundary, whichever way draws come in.
#include "common/AppSettings.h"
#include "common/SettingsStore.h"
#include "common/UserError.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DrawRefused.h"
#include "history/DrawStore.h"
#include "history/HistoryImport.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryTextFile.h"
#include "history/IssueNumbers.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

const QDate kDay(2026, 12, 8);

// Serials 40..42 of one day and 01..03 of the next, with numbers that change each draw.
std::vector<StoredDraw> acrossTheBoundary()
{
    std::vector<StoredDraw> draws;
    int k = 0;
    for (const auto& [day, serial] : {std::pair{kDay, 40},
                                      {kDay, 41},
                                      {kDay, 42},
                                      {kDay.addDays(1), 1},
                                      {kDay.addDays(1), 2},
                                      {kDay.addDays(1), 3}}) {
        DrawNumbers numbers{};
        for (int i = 0; i < 5; ++i)
            numbers[static_cast<size_t>(i)] = (k + i * 2) % 11 + 1;
        draws.push_back(StoredDraw{IssueNumbers::format(day, serial, false), numbers});
        ++k;
    }
    return draws;
}

int attribute(const HistorySnapshot& history, int row, const char16_t* code)
{
    return history.value(row, AttributeCatalog::indexOf(QStringView(code)));
}

} // namespace

TEST(DrawsPerDay, theSettingDrivesTheNextIssueTheRefusalAndTheBoundaryAttributes)
{
    TestEnvironment env;
    auto store = SettingsStore::open();
    AppSettings settings(*store);
    settings.setDrawsPerDay(0, 42);
    const LotteryTable::Entry lottery = settings.lottery(0);
    ASSERT_EQ(lottery.drawsPerDay, 42);
    const std::vector<StoredDraw> draws = acrossTheBoundary();

    // One draw at a time, as they are typed; each next issue is the one that comes.
    Database typed(env.path(QStringLiteral("typed")));
    DrawStore one(typed, lottery);
    for (const StoredDraw& draw : draws) {
        if (one.count() > 0) {
            EXPECT_EQ(one.nextIssue(kDay), draw.issue);
        }
        one.add(draw.issue, draw.numbers);
    }
    EXPECT_EQ(one.nextIssue(kDay), QStringLiteral("26120904"));

    // Every stored row is what the attributes give against the draw before it.
    const HistorySnapshot history = HistorySnapshot::load(typed.sql());
    ASSERT_EQ(history.size(), 6);
    for (int row = 0; row < history.size(); ++row) {
        const StoredDraw& draw = draws[static_cast<size_t>(row)];
        const auto previous = row > 0 ? std::optional(draws[static_cast<size_t>(row - 1)].numbers) : std::nullopt;
        const AttributeValues expected = DrawAttributes::compute(draw.numbers, IssueNumbers::serialOf(draw.issue), 42,
                                                                 *IssueNumbers::dateOf(draw.issue, false), previous);
        for (int a = 0; a < AttributeCatalog::kCount; ++a)
            ASSERT_EQ(history.value(row, a), expected[static_cast<size_t>(a)]) << row << ' ' << a;
    }
    // The day's first draw follows serial 42, not the table's 84.
    EXPECT_EQ(attribute(history, 3, u"L1O"), 42);
    EXPECT_EQ(attribute(history, 3, u"L5K"), 41);
    EXPECT_EQ(attribute(history, 4, u"L1O"), 1);
    EXPECT_EQ(attribute(history, 4, u"L5K"), 42);

    // The same draws from a file, newest first: the same rows.
    QString text;
    for (auto it = draws.rbegin(); it != draws.rend(); ++it)
        text += HistoryTextFile::line(it->issue, it->numbers) + u'\n';
    Database imported(env.path(QStringLiteral("imported")));
    HistoryImport(imported, lottery).importText(text);
    const HistorySnapshot fromFile = HistorySnapshot::load(imported.sql());
    ASSERT_EQ(fromFile.size(), history.size());
    for (int row = 0; row < history.size(); ++row)
        for (int a = 0; a < AttributeCatalog::kCount; ++a)
            ASSERT_EQ(fromFile.value(row, a), history.value(row, a)) << row << ' ' << a;

    // A serial above the setting is refused, typed or imported, naming the setting.
    try {
        one.add(QStringLiteral("26120943"), {1, 2, 3, 4, 5});
        ADD_FAILURE() << "serial 43 stored";
    } catch (const DrawRefused& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("每天期数42"))) << e.message().toStdString();
    }
    try {
        HistoryImport(imported, lottery).importText(QStringLiteral("2026120943 01 02 03 04 05\n"));
        ADD_FAILURE() << "serial 43 imported";
    } catch (const UserError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("第1行：期号26120943的期序43大于每天期数42")))
            << e.message().toStdString();
    }
    EXPECT_EQ(one.count(), 6);

    // Back to the table's 84: the stored rows stay as they are, serial 43 is taken.
    settings.setDrawsPerDay(0, 84);
    DrawStore table(typed, settings.lottery(0));
    EXPECT_EQ(table.nextIssue(kDay), QStringLiteral("26120904"));
    table.add(QStringLiteral("26120943"), {1, 2, 3, 4, 5});
    const HistorySnapshot after = HistorySnapshot::load(typed.sql());
    EXPECT_EQ(attribute(after, 3, u"L1O"), 42);
}
