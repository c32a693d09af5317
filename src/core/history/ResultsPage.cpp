#include "history/ResultsPage.h"

#include "history/ResultsPageText.h"

#include <QStringList>
#include <algorithm>

namespace {

QString numbersText(const DrawNumbers& numbers)
{
    QStringList parts;
    for (int n : numbers)
        parts << QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
    return parts.join(u' ');
}

} // namespace

ResultsPage ResultsPage::read(const QByteArray& body, const QString& contentType, const LotteryTable::Entry& lottery)
{
    return fromRows(ResultsPageText::rows(body, contentType), lottery);
}

ResultsPage ResultsPage::fromRows(const QStringList& rows, const LotteryTable::Entry& lottery)
{
    ResultsPage page;
    for (const QString& row : rows) {
        for (const ResultsPageReading& reading : ResultsPageRow::read(row, lottery)) {
            Entry& entry = page.m_issues[reading.issue];
            if (!reading.numbers) {
                if (entry.problem.isEmpty())
                    entry.problem = reading.problem;
                continue;
            }
            ++page.m_recognised;
            if (std::find(entry.numbers.begin(), entry.numbers.end(), *reading.numbers) == entry.numbers.end())
                entry.numbers.push_back(*reading.numbers);
        }
    }
    return page;
}

std::optional<DrawNumbers> ResultsPage::draw(const QString& issue, QString* problem) const
{
    const auto found = m_issues.find(issue);
    if (found == m_issues.end())
        return std::nullopt;
    const Entry& entry = found->second;
    if (entry.numbers.size() == 1)
        return entry.numbers.front();
    if (problem) {
        if (entry.numbers.empty()) {
            *problem = entry.problem;
        } else {
            QStringList versions;
            for (const DrawNumbers& numbers : entry.numbers)
                versions << numbersText(numbers);
            *problem = QStringLiteral("页面上这一期有不同的号码：%1。").arg(versions.join(QStringLiteral("；")));
        }
    }
    return std::nullopt;
}

QStringList ResultsPage::issues() const
{
    QStringList result;
    for (const auto& [issue, entry] : m_issues)
        if (!entry.numbers.empty())
            result.push_back(issue);
    return result;
}

QString ResultsPage::oldest() const
{
    for (const auto& [issue, entry] : m_issues)
        if (!entry.numbers.empty())
            return issue;
    return {};
}
