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

QString HistoryFetch::firstDayIssue() const
{
    return IssueNumbers::format(m_today.addDays(-m_searchDays), 1, m_lottery.longDateIssue);
}

FetchPlan HistoryFetch::plan(const QString& urlTemplate) const
{
    const DrawStore store(m_db, m_lottery);
    FetchPlan plan;
    plan.deleteFirst = outdated(store.first());
    if (plan.deleteFirst)
        plan.replaced = store.countBefore(firstDayIssue());
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

HistoryFetch::Walk HistoryFetch::walk(const ResultsPage& page, const QString& firstIssue, const QString& lastIssue,
                                      const LotteryTable::Entry& lottery)
{
    Walk result;
    for (QString q = firstIssue; q.size() == lastIssue.size() && q <= lastIssue;
         q = IssueNumbers::next(q, lottery.drawsPerDay, lottery.longDateIssue, QDate())) {
        QString problem;
        if (const auto numbers = page.draw(q, &problem))
            result.found.push_back(StoredDraw{q, *numbers});
        else if (!problem.isEmpty())
            result.unreadable.push_back(SkippedDraw{q, problem});
    }
    return result;
}

DrawBatchReport HistoryFetch::store(const ResultsPage& page)
{
    if (page.recognised() == 0)
        throw UserError(QStringLiteral("在线更新"),
                        QStringLiteral("页面中没有找到本彩种的开奖号码，历史号码没有改动。"
                                       "请检查开奖页面地址是否是%1的开奖页面。")
                            .arg(m_lottery.caption),
                        false);
    DrawStore store(m_db, m_lottery);
    SqliteDatabase::Transaction transaction(m_db.sql());
    // Decided again here: another program may have changed the history while
    // the page was loading.
    const bool deleteFirst = outdated(store.first());
    const auto last = deleteFirst ? std::nullopt : store.last();
    const QString firstIssue =
        last ? IssueNumbers::next(last->issue, m_lottery.drawsPerDay, m_lottery.longDateIssue, m_today)
             : firstDayIssue();
    const QString lastIssue = IssueNumbers::format(m_today, m_lottery.drawsPerDay, m_lottery.longDateIssue);
    Walk found = walk(page, firstIssue, lastIssue, m_lottery);
    // The walk only visits serials up to 每天期数; a page draw beyond it is
    // refused by name rather than passed over, so the user learns the setting is low.
    for (const QString& issue : page.issues())
        if (issue.size() == firstIssue.size() && issue >= firstIssue && issue <= lastIssue &&
            IssueNumbers::serialOf(issue) > m_lottery.drawsPerDay)
            if (const auto numbers = page.draw(issue))
                found.unreadable.push_back(SkippedDraw{issue, store.validateDraw(issue, *numbers)});

    DrawBatchReport report;
    report.recognised = page.recognised();
    report.skipped = std::move(found.unreadable);
    std::vector<StoredDraw> accepted;
    for (StoredDraw& draw : found.found) {
        // An outdated history keeps its draws from the first day fetched on.
        if (const auto stored = store.find(draw.issue)) {
            if (stored->numbers != draw.numbers)
                report.skipped.push_back(
                    SkippedDraw{draw.issue, QStringLiteral("这一期已经保存了不同的号码，保存的号码没有改动。")});
            continue;
        }
        const QString problem = store.validateDraw(draw.issue, draw.numbers);
        if (problem.isEmpty())
            accepted.push_back(std::move(draw));
        else
            report.skipped.push_back(SkippedDraw{draw.issue, problem});
    }
    std::sort(report.skipped.begin(), report.skipped.end(),
              [](const SkippedDraw& a, const SkippedDraw& b) { return a.issue < b.issue; });
    if (accepted.empty())
        return report; // nothing new: an outdated history is better than a shorter one
    store.addWithinTransaction(accepted);
    if (deleteFirst) {
        // Never a draw the page does not bring back: nothing from the page's
        // oldest draw on goes, even where the page reaches back less than S days.
        const QString oldest = page.oldest();
        report.deleted = store.deleteBeforeWithinTransaction(std::min(firstDayIssue(), oldest));
        report.deletedFirst = report.deleted > 0;
    }
    transaction.commit();
    for (const StoredDraw& draw : accepted)
        report.added.push_back(draw.issue);
    return report;
}

DrawBatchReport HistoryFetch::run(const QString& urlTemplate, Download::Limits limits)
{
    const FetchPlan fetchPlan = plan(urlTemplate);
    QString contentType;
    const QByteArray body = Download::fetch(fetchPlan.url, limits, &contentType);
    return store(ResultsPage::read(body, contentType, m_lottery));
}
