#pragma once

#include "common/Download.h"
#include "common/LotteryTable.h"
#include "history/DrawBatchReport.h"
#include "history/DrawStore.h"

#include <QDate>
#include <QString>
#include <QUrl>
#include <vector>

class Database;

// What a fetch is about to ask for, decided from the stored history before the
// page is downloaded.
struct FetchPlan {
    bool deleteFirst = false; // the first stored draw is S or more days old
    int days = 0; // D: S for an empty (or outdated) history, else days since the last draw + 1
    int rows = 0; // (D + 1) × T, the row count the page is asked for
    QUrl url;
};

// The online history update: which page to load, and how its text becomes
// stored draws. The expected issues run from the one after the last stored
// draw (or serial 01 of the day S days ago) to today's serial T; each is looked
// for in the page text starting one character past the previous hit, or from the
// start after a miss. Everything one page yields is stored in one transaction.
class HistoryFetch {
public:
    HistoryFetch(Database& db, LotteryTable::Entry lottery, int searchDays, QDate today);

    FetchPlan plan(const QString& urlTemplate) const;
    // Reads the page text and stores what it yields, deleting an outdated history
    // first, all in one transaction. A page that yields no draw at all changes
    // nothing, even where the old history would have been deleted.
    DrawBatchReport store(const QString& pageText);
    // plan(), the download and store() in one blocking call (the command line).
    DrawBatchReport run(const QString& urlTemplate, Download::Limits limits = {});

    // The URL template with "{code}" (the online lottery code) and "{rows}"
    // replaced; a bare path means a local file. Raises UserError when there is
    // no usable URL.
    static QUrl url(const QString& urlTemplate, const QString& onlineCode, int rows);

    struct Walk {
        std::vector<StoredDraw> found;
        std::vector<SkippedDraw> unreadable;
    };
    // The expected issues from `firstIssue` to `lastIssue` looked up in `text`.
    static Walk walk(const QString& text, const QString& firstIssue, const QString& lastIssue,
                     const LotteryTable::Entry& lottery);

private:
    bool outdated(const std::optional<StoredDraw>& first) const;
    QDate dateOf(const StoredDraw& draw) const;

    Database& m_db;
    LotteryTable::Entry m_lottery;
    int m_searchDays;
    QDate m_today;
};
