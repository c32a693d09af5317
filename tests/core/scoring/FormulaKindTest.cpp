// The one value behind a formula table's name, label, search index and hit rule.
#include "scoring/FormulaKind.h"
#include "common/UserError.h"
#include "formula/FormulaError.h"
#include "formula/FormulaTarget.h"
#include "formula/FormulaText.h"
#include "scoring/FormulaStatistics.h"

#include <gtest/gtest.h>
#include <set>

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }
} // namespace

TEST(FormulaKind, everyEncodingReadsBackAsTheSameKind)
{
    std::set<QString> names;
    std::set<int> indexes;
    for (const FormulaKind& kind : FormulaKind::all()) {
        const QString name = kind.tableName();
        names.insert(name);
        EXPECT_EQ(FormulaKind::fromTableName(name), kind);
        EXPECT_EQ(FormulaKind::fromTableName(name.toLower()), kind);
        EXPECT_EQ(FormulaKind::ofTable(name.toUpper()), kind);
        EXPECT_EQ(FormulaKind::fromSearchIndex(kind.searchIndex()), kind);
        indexes.insert(kind.searchIndex());
        // The label is what a formula line names its target by.
        const ParsedFormula parsed = FormulaText::parse(s("第一码+1=下期杀") + kind.label());
        EXPECT_EQ(parsed.target.kind, kind) << kind.label().toStdString();
        EXPECT_EQ(parsed.target.tableName(), name);

        const ScoringRule rule = kind.rule(12, false);
        EXPECT_EQ(rule.range, 12);
        EXPECT_EQ(rule.kind, kind);
        EXPECT_FALSE(rule.kill);
    }
    EXPECT_EQ(names.size(), 10u);
    EXPECT_EQ(FormulaKind::tableNames().size(), 10);
    EXPECT_EQ(*indexes.begin(), 1);
    EXPECT_EQ(*indexes.rbegin(), 10);

    const FormulaKind thirdGroup(3, true);
    EXPECT_EQ(thirdGroup.tableName(), s("Gongshi3G"));
    EXPECT_EQ(thirdGroup.label(), s("第三组选"));
    EXPECT_EQ(thirdGroup.searchIndex(), 8);
    EXPECT_EQ(FormulaKind(1, false).label(), s("第一直选"));
    EXPECT_EQ(FormulaKind(5, false).searchIndex(), 5);

    // Group 第一 judges like direct 第一: the search passes it over.
    EXPECT_FALSE(FormulaKind(1, true).isSearched());
    EXPECT_EQ(FormulaKind(1, true).judgedLike(), FormulaKind(1, false));
    EXPECT_EQ(FormulaKind(2, true).judgedLike(), FormulaKind(2, true));
}

TEST(FormulaKind, refusesWhatIsNotATable)
{
    for (const char* name : {"Gongshi6D", "Gongshi0G", "Gongshi1X", "Gongshi", "Gongshi11D", "gongshi1dd", ""})
        EXPECT_FALSE(FormulaKind::fromTableName(s(name))) << name;
    EXPECT_THROW(FormulaKind::ofTable(s("Lishi")), UserError);
    EXPECT_THROW(FormulaKind(0, false), UserError);
    EXPECT_THROW(FormulaKind(6, true), UserError);
    EXPECT_THROW(FormulaKind::fromSearchIndex(0), UserError);
    EXPECT_THROW(FormulaKind::fromSearchIndex(11), UserError);
    EXPECT_THROW(FormulaTarget::fromWords(s("第六"), s("直选"), true), FormulaError);
    EXPECT_THROW(FormulaTarget::fromWords(s("第一"), s("组合"), false), FormulaError);
}
