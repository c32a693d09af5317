#pragma once

#include "common/LotteryTable.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/HistorySnapshot.h"

#include <gtest/gtest.h>

#include <vector>

// Every attribute of every stored row equals a history built from the same draws
// one draw at a time, each computed against the one before it.
inline void expectStoredAsBuiltOneByOne(Database& db, const LotteryTable::Entry& lottery)
{
    const HistorySnapshot stored = HistorySnapshot::load(db.sql());
    std::vector<StoredDraw> draws;
    for (int row = 0; row < stored.size(); ++row)
        draws.push_back({stored.issue(row),
                         {stored.number(row, 1), stored.number(row, 2), stored.number(row, 3), stored.number(row, 4),
                          stored.number(row, 5)}});
    const HistorySnapshot expected = DemoHistory::snapshot(lottery, draws);
    ASSERT_EQ(stored.issues(), expected.issues());
    for (int attribute = 0; attribute < AttributeCatalog::kCount; ++attribute)
        ASSERT_EQ(stored.column(attribute), expected.column(attribute))
            << AttributeCatalog::code(attribute).toStdString();
}
