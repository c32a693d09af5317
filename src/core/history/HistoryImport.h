#pragma once

#include "common/LotteryTable.h"
#include "history/DrawBatchReport.h"

#include <QString>

class Database;

// Reads draws from a history text file (HistoryTextFile) into Lishi, all or
// nothing. Every line is checked first; one bad line stores nothing and the
// message names each bad line. A draw that is already stored with the same
// numbers is skipped, so importing the same file twice changes nothing; the same
// issue with other numbers is a bad line. Missed draws take their place in issue
// order. Issues are taken in every form IssueNumbers::normalise knows and
// stored in the lottery's own form.
class HistoryImport {
public:
    HistoryImport(Database& db, LotteryTable::Entry lottery);

    DrawBatchReport importFile(const QString& path);
    DrawBatchReport importText(const QString& text);

private:
    Database& m_db;
    LotteryTable::Entry m_lottery;
};
