#include "history/DrawAttributes.h"
#include "history/AttributeCatalog.h"

#include <gtest/gtest.h>

namespace {

int at(const AttributeValues& v, const char* code)
{
    const int i = AttributeCatalog::indexOf(QString::fromLatin1(code));
    EXPECT_GE(i, 0) << code;
    return v[static_cast<size_t>(i)];
}

const QDate kDay(2015, 3, 1);

} // namespace

TEST(DrawAttributes, ascendingRunCountsSumsAndComplements)
{
    const AttributeValues v = DrawAttributes::compute({1, 2, 3, 4, 5}, 5, 84, kDay, std::nullopt);
    EXPECT_EQ(at(v, "L1K"), 4);
    EXPECT_EQ(at(v, "L2K"), 0);
    EXPECT_EQ(at(v, "L3K"), 0);
    EXPECT_EQ(at(v, "L1L"), 15);
    EXPECT_EQ(at(v, "L2L"), 5);
    EXPECT_EQ(at(v, "L4L"), 5);
    EXPECT_EQ(at(v, "L3L"), 0);
    EXPECT_EQ(at(v, "L2N"), 3); // 2, 3, 5
    EXPECT_EQ(at(v, "L4N"), 10);
    EXPECT_EQ(at(v, "L1N"), 1); // 4; 1 is neither prime nor composite
    EXPECT_EQ(at(v, "L3N"), 4);
    EXPECT_EQ(at(v, "L2R"), 4);
    EXPECT_EQ(at(v, "L1R"), 1);
    for (const char* h : {"L1H", "L2H", "L3H", "L4H", "L5H"})
        EXPECT_EQ(at(v, h), 0) << h;
    EXPECT_EQ(at(v, "L2M"), 2);
    EXPECT_EQ(at(v, "L4M"), 6);
    EXPECT_EQ(at(v, "L3M"), 3);
    EXPECT_EQ(at(v, "L5M"), 9);
    EXPECT_EQ(at(v, "L1M"), 15);
    EXPECT_EQ(at(v, "L5L"), 0);
}

TEST(DrawAttributes, runningMaximumNeighboursAndSpan)
{
    const AttributeValues v = DrawAttributes::compute({11, 1, 6, 2, 9}, 5, 84, kDay, std::nullopt);
    EXPECT_EQ(at(v, "L1H"), 0);
    EXPECT_EQ(at(v, "L2H"), 10);
    EXPECT_EQ(at(v, "L3H"), 5);
    EXPECT_EQ(at(v, "L4H"), 9);
    EXPECT_EQ(at(v, "L5H"), 2);
    EXPECT_EQ(at(v, "L1P"), 10); // neighbours of position 1 are positions 5 and 2
    EXPECT_EQ(at(v, "L1Q"), 8);
    EXPECT_EQ(at(v, "L5P"), 13); // positions 4 and 1
    EXPECT_EQ(at(v, "L5Q"), 9);
    EXPECT_EQ(at(v, "L3P"), 3); // positions 2 and 4
    EXPECT_EQ(at(v, "L2R"), 10);
    EXPECT_EQ(at(v, "L1R"), 10);
    EXPECT_EQ(at(v, "L1B"), 1);
    EXPECT_EQ(at(v, "L2B"), 0);
    EXPECT_EQ(at(v, "L1C"), 1);
    EXPECT_EQ(at(v, "L1D"), 1);
    EXPECT_EQ(at(v, "L1E"), 2);
    EXPECT_EQ(at(v, "L1F"), 6);
    EXPECT_EQ(at(v, "L1G"), 121);
    EXPECT_EQ(at(v, "L1I"), 2048);
    EXPECT_EQ(at(v, "L1J"), 1331);
    EXPECT_EQ(at(v, "L4K"), 0);
}

TEST(DrawAttributes, twelveIsCompositeAndBigWithSixthSegment)
{
    const AttributeValues v = DrawAttributes::compute({12, 1, 2, 3, 4}, 1, 80, kDay, std::nullopt);
    EXPECT_EQ(at(v, "L1F"), 6);
    EXPECT_EQ(at(v, "L1B"), 1);
    EXPECT_EQ(at(v, "L1N"), 2); // 12 and 4
    EXPECT_EQ(at(v, "L3N"), 16);
    EXPECT_EQ(at(v, "L2N"), 2); // 2 and 3; 1 counts in neither
    EXPECT_EQ(at(v, "L3L"), 1);
    EXPECT_EQ(at(v, "L5L"), 12);
    EXPECT_EQ(at(v, "L1I"), 4096);
    EXPECT_EQ(at(v, "L2H"), 11);
}

TEST(DrawAttributes, serialCountersWrapAroundTheDay)
{
    const AttributeValues first = DrawAttributes::compute({1, 2, 3, 4, 5}, 1, 84, kDay, std::nullopt);
    EXPECT_EQ(at(first, "L2O"), 1);
    EXPECT_EQ(at(first, "L1O"), 84);
    EXPECT_EQ(at(first, "L5K"), 83);
    const AttributeValues second = DrawAttributes::compute({1, 2, 3, 4, 5}, 2, 84, kDay, std::nullopt);
    EXPECT_EQ(at(second, "L2O"), 2);
    EXPECT_EQ(at(second, "L1O"), 1);
    EXPECT_EQ(at(second, "L5K"), 84);
    const AttributeValues later = DrawAttributes::compute({1, 2, 3, 4, 5}, 40, 84, QDate(2026, 12, 31), std::nullopt);
    EXPECT_EQ(at(later, "L1O"), 39);
    EXPECT_EQ(at(later, "L5K"), 38);
    EXPECT_EQ(at(later, "L3O"), 31);
    EXPECT_EQ(at(later, "L4O"), 12);
    EXPECT_EQ(at(later, "L5O"), 2026);
}

TEST(DrawAttributes, previousDrawRepeatsAreCountedOnlyWhenThereIsOne)
{
    const AttributeValues none = DrawAttributes::compute({3, 5, 7, 9, 11}, 3, 84, kDay, std::nullopt);
    EXPECT_EQ(at(none, "L5N"), 0);
    EXPECT_EQ(at(none, "L3R"), 0);
    EXPECT_EQ(at(none, "L2R"), 8);
    const AttributeValues repeated =
        DrawAttributes::compute({3, 5, 7, 9, 11}, 3, 84, kDay, DrawNumbers{5, 3, 7, 1, 11});
    EXPECT_EQ(at(repeated, "L5N"), 4); // 3, 5, 7, 11 occur anywhere in the previous draw
    EXPECT_EQ(at(repeated, "L3R"), 2); // 7 and 11 at the same position
}

TEST(AttributeCatalog, codesRoundTripAndNamesTranslateBack)
{
    EXPECT_EQ(AttributeCatalog::kCount, 88);
    EXPECT_EQ(AttributeCatalog::code(0), QStringLiteral("L1A"));
    EXPECT_EQ(AttributeCatalog::code(87), QStringLiteral("L3R"));
    EXPECT_EQ(AttributeCatalog::indexOf(u"l4r"), -1);
    EXPECT_EQ(AttributeCatalog::indexOf(u"L2S"), -1);
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        EXPECT_EQ(AttributeCatalog::indexOf(AttributeCatalog::code(i).toLower()), i);
    EXPECT_EQ(AttributeCatalog::displayName(AttributeCatalog::indexOf(u"L3F")), QStringLiteral("第三6段"));
    EXPECT_EQ(AttributeCatalog::displayName(AttributeCatalog::indexOf(u"L2L")), QStringLiteral("和数个位"));
    EXPECT_EQ(AttributeCatalog::displayName(AttributeCatalog::indexOf(u"L3R")), QStringLiteral("同上期个"));
    EXPECT_EQ(AttributeCatalog::attributeNames().size(), 40);
    EXPECT_EQ(AttributeCatalog::attributeNames().first(), QStringLiteral("码"));
    EXPECT_EQ(AttributeCatalog::attributeNames().last(), QStringLiteral("同上期个"));
}
