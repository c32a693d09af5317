#pragma once

#include "common/LotteryTable.h"
#include "history/ResultsPageRow.h"

#include <QByteArray>
#include <QString>
#include <map>

// The draws of one lottery found on a downloaded results page, by issue. Every
// row of the page (ResultsPageText) is read for issues followed by the five
// numbers of a draw (ResultsPageRow), whatever the order of the rows: the page
// may list the newest draw first. An issue on two rows with the same numbers is
// one draw; with different numbers it is no draw, and both are named.
class ResultsPage {
public:
    // `contentType`: the HTTP Content-Type header, when the download had one.
    static ResultsPage read(const QByteArray& body, const QString& contentType, const LotteryTable::Entry& lottery);
    // The rows already reduced to text (tests, the fuzz target).
    static ResultsPage fromRows(const QStringList& rows, const LotteryTable::Entry& lottery);

    // The draw of `issue`; empty when the page has none, and then `problem`
    // (when given) says why, or stays empty when the issue is not on the page.
    std::optional<DrawNumbers> draw(const QString& issue, QString* problem = nullptr) const;
    // Rows read as draws of this lottery (two rows of one issue count twice).
    int recognised() const { return m_recognised; }
    // The earliest issue with a draw; empty when there is none.
    QString oldest() const;
    // Every issue with a draw, in issue order.
    QStringList issues() const;

private:
    struct Entry {
        std::vector<DrawNumbers> numbers; // distinct sets of numbers found
        QString problem; // why the first row without a draw was none
    };
    std::map<QString, Entry> m_issues;
    int m_recognised = 0;
};
