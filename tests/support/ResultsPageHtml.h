#pragma once

#include "history/DrawStore.h"

#include <QByteArray>
#include <vector>

// A results page as the lottery's site serves it: one table row per draw, the
// issue in one cell and its five numbers, two digits each, in the next.
QByteArray resultsPageOf(const std::vector<StoredDraw>& draws);

// Results pages laid out as real sites lay them out, built from our own draws.
namespace ResultsPageLayouts {

// "20261208-01" for the stored "26120801" (and "2026120801").
QString dashedIssue(const QString& issue);

// A trend table: the dashed issue in its own cell, the numbers in the next one,
// then columns of other figures.
QByteArray trendTable(const std::vector<StoredDraw>& draws);
// A page of several games, newest first: another game's longer number
// ("<issue>4期") above the table, then rows holding the issue with "期", the
// date and time, and one <em> per ball.
QByteArray multiGame(const std::vector<StoredDraw>& draws);
// A list page in GBK that declares its charset in a meta tag: one <li> per draw,
// "第<issue>期 开奖号码：n1,n2,n3,n4,n5".
QByteArray gbkList(const std::vector<StoredDraw>& draws);

} // namespace ResultsPageLayouts
