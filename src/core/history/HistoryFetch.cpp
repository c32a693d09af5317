#include "history/HistoryFetch.h"

#include "common/UserError.h"
#include "history/Database.h"
#include "history/IssueNumbers.h"
#include "history/ResultsPage.h"

#include <algorithm>

HistoryFetch::HistoryFetch(Database& db, LotteryTable::Entry lottery, int searchDays, QDate today)
    : m_db(db),
      m_lottery(std::move(lottery)),
      m_searchDays(searchDays),
      m_today(today)
{}

QDate HistoryFetch::dateOf(const StoredDraw& draw) const
{
    return IssueNumbers::dateOf(draw.issue, m_lottery.longDateIssue).value_or(m_today);
}

bool HistoryFetch::outdated(const std::optional<StoredDraw>& first) const
{
    return first && dateOf(*first).daysTo(m_today) >= m_searchDays;
}

FetchPlan HistoryFetch::plan(const QString& urlTemplate) const
{
    const DrawStore store(m_db, m_lottery);
    FetchPlan plan;
    plan.deleteFirst = outdated(store.first());
    const auto last = store.last();
    if (plan.deleteFirst || !last)
        plan.days = m_searchDays;
    else
        plan.days = std::max<qint64>(0, dateOf(*last).daysTo(m_today)) + 1;
    plan.rows = (plan.days + 1) * m_lottery.drawsPerDay;
    plan.url = url(urlTemplate, m_lottery.onlineCode, plan.rows);
    return plan;
}

QUrl HistoryFetch::url(const QString& urlTemplate, const QString& onlineCode, int rows)
{
    QString text = urlTemplate.trimmed();
    if (text.isEmpty())
        throw UserError(
            QStringLiteral("在线更新"),
            QStringLiteral("还没有设置开奖页面地址（HistoryUrl）。请在“历史管理”菜单的“开奖页面地址设置”中填写，"
                           "或在命令行用 --url 指定。"));
    text.replace(QStringLiteral("{code}"), onlineCode);
    text.replace(QStringLiteral("{rows}"), QString::number(rows));
    const QUrl result = QUrl::fromUserInput(text);
    const QString problem = Download::urlProblem(result);
    if (!problem.isEmpty())
        throw UserError(QStringLiteral("在线更新"), problem);
    return result;
}

HistoryFetch::Walk HistoryFetch::walk(const QString& text, const QString& firstIssue, const QString& lastIssue,
                                      const LotteryTable::Entry& lottery)
{
    Walk result;
    qsizetype from = 0;
    for (QString q = firstIssue; q.size() == lastIssue.size() && q <= lastIssue;
         q = IssueNumbers::next(q, lottery.drawsPerDay, lottery.longDateIssue, QDate())) {
        const qsizetype at = ResultsPage::find(text, q, from);
        if (at < 0) {
            from = 0; // the next issue is looked for from the start of the page
            continue;
        }
        from = at + 1;
        QString problem;
        if (const auto numbers = ResultsPage::numbersAt(text, at, q.size(), &problem))
            result.found.push_back(StoredDraw{q, *numbers});
        else
            result.unreadable.push_back(SkippedDraw{q, problem});
    }
    return result;
}

DrawBatchReport HistoryFetch::store(const QString& pageText)
{
    DrawStore store(m_db, m_lottery);
    SqliteDatabase::Transaction transaction(m_db.sql());
    // Decided again here: another program may have changed the history while
    // the page was loading.
    const bool deleteFirst = outdated(store.first());
    const auto last = deleteFirst ? std::nullopt : store.last();
    const QString firstIssue =
        last ? IssueNumbers::next(last->issue, m_lottery.drawsPerDay, m_lottery.longDateIssue, m_today)
             : IssueNumbers::format(m_today.addDays(-m_searchDays), 1, m_lottery.longDateIssue);
    const QString lastIssue = IssueNumbers::format(m_today, m_lottery.drawsPerDay, m_lottery.longDateIssue);
    Walk page = walk(pageText, firstIssue, lastIssue, m_lottery);

    DrawBatchReport report;
    report.skipped = std::move(page.unreadable);
    std::vector<StoredDraw> accepted;
    for (StoredDraw& draw : page.found) {
        const QString problem = store.validateDraw(draw.issue, draw.numbers);
        if (problem.isEmpty())
            accepted.push_back(std::move(draw));
        else
            report.skipped.push_back(SkippedDraw{draw.issue, problem});
    }
    std::sort(report.skipped.begin(), report.skipped.end(),
              [](const SkippedDraw& a, const SkippedDraw& b) { return a.issue < b.issue; });
    if (accepted.empty()) {
        // Nothing usable on the page: an outdated history is better than none.
        report.deletedFirst = false;
        return report;
    }
    if (deleteFirst)
        m_db.sql().exec(QStringLiteral("DELETE FROM Lishi"));
    store.addWithinTransaction(accepted);
    transaction.commit();
    report.deletedFirst = deleteFirst;
    for (const StoredDraw& draw : accepted)
        report.added.push_back(draw.issue);
    return report;
}

DrawBatchReport HistoryFetch::run(const QString& urlTemplate, Download::Limits limits)
{
    const FetchPlan fetchPlan = plan(urlTemplate);
    const QByteArray page = Download::fetch(fetchPlan.url, limits);
    return store(ResultsPage::text(page));
}
