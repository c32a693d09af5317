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
class ResultsPage;

// What a fetch is about to ask for, decided from the stored history before the
// page is downloaded.
struct FetchPlan {
    bool deleteFirst = false; // the first stored draw is S or more days old
    int replaced = 0; // then: the stored draws before the first day fetched, which the fetch replaces
    int days = 0; // D: S for an empty (or outdated) history, else days since the last draw + 1
    int rows = 0; // (D + 1) × T, the row count the page is asked for
    QUrl url;
};

// The online history update: which page to load, and how its draws become
// stored draws. The expected issues run from the one after the last stored
// draw (or serial 01 of the day S days ago) to today's serial T; each is taken
// from the page's draws (ResultsPage) where the page has it. Everything one page
// yields is stored in one transaction. An outdated history (first draw S or more
// days old) loses only the draws before the first day fetched and before the
// page's oldest draw, and keeps them for DrawStore::restoreDeleted.
class HistoryFetch {
public:
    HistoryFetch(Database& db, LotteryTable::Entry lottery, int searchDays, QDate today);

    FetchPlan plan(const QString& urlTemplate) const;
    // Stores what the page yields, replacing the old draws of an outdated history,
    // all in one transaction. A page without any draw of this lottery raises
    // UserError ("页面中没有找到本彩种的开奖号码"); one that yields no new draw
    // changes nothing, even where old draws would have been replaced.
    DrawBatchReport store(const ResultsPage& page);
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
    // The expected issues from `firstIssue` to `lastIssue` looked up in `page`.
    static Walk walk(const ResultsPage& page, const QString& firstIssue, const QString& lastIssue,
                     const LotteryTable::Entry& lottery);

private:
    bool outdated(const std::optional<StoredDraw>& first) const;
    QDate dateOf(const StoredDraw& draw) const;
    QString firstDayIssue() const; // serial 01 of the day S days ago

    Database& m_db;
    LotteryTable::Entry m_lottery;
    int m_searchDays;
    QDate m_today;
};
