#include "history/HistoryImport.h"

#include "common/UserError.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "history/HistoryTextFile.h"
#include "history/IssueNumbers.h"

#include <QHash>
#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("导入历史号码");
constexpr size_t kProblemsShown = 20;

QString numbersText(const DrawNumbers& numbers)
{
    QStringList parts;
    for (int n : numbers)
        parts << QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
    return parts.join(u' ');
}

using Problem = HistoryTextFile::Problem;

[[noreturn]] void refuse(std::vector<Problem> problems)
{
    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem& a, const Problem& b) { return a.lineNumber < b.lineNumber; });
    QString text = QStringLiteral("有%1行无法导入，没有导入任何号码：").arg(problems.size());
    for (size_t i = 0; i < problems.size() && i < kProblemsShown; ++i)
        text += u'\n' + problems[i].text();
    if (problems.size() > kProblemsShown)
        text += QStringLiteral("\n……另有%1行未列出。").arg(problems.size() - kProblemsShown);
    throw UserError(kTitle, text);
}

} // namespace

HistoryImport::HistoryImport(Database& db, LotteryTable::Entry lottery) : m_db(db), m_lottery(std::move(lottery)) {}

DrawBatchReport HistoryImport::importFile(const QString& path) { return importText(HistoryTextFile::read(path)); }

DrawBatchReport HistoryImport::importText(const QString& text)
{
    HistoryTextFile::Parsed parsed = HistoryTextFile::parse(text);
    std::vector<Problem> problems = std::move(parsed.problems);
    DrawStore store(m_db, m_lottery);
    QHash<QString, int> lineOfIssue;
    std::vector<HistoryTextFile::Line> valid;
    for (HistoryTextFile::Line& line : parsed.draws) {
        QString problem;
        const QString issue = IssueNumbers::normalise(line.issue, m_lottery.longDateIssue, &problem);
        if (problem.isEmpty()) {
            line.issue = issue;
            problem = store.validateDraw(line.issue, line.numbers);
        }
        if (!problem.isEmpty()) {
            problems.push_back({line.lineNumber, problem});
        } else if (lineOfIssue.contains(line.issue)) {
            problems.push_back(
                {line.lineNumber,
                 QStringLiteral("期号%1与第%2行重复。").arg(line.issue).arg(lineOfIssue.value(line.issue))});
        } else {
            lineOfIssue.insert(line.issue, line.lineNumber);
            valid.push_back(line);
        }
    }
    if (parsed.draws.empty() && problems.empty())
        throw UserError(kTitle, QStringLiteral("文件中没有开奖号码。"));

    SqliteDatabase::Transaction transaction(m_db.sql());
    DrawBatchReport report;
    std::vector<StoredDraw> fresh;
    for (const HistoryTextFile::Line& line : valid) {
        const auto stored = store.find(line.issue);
        if (!stored) {
            fresh.push_back(StoredDraw{line.issue, line.numbers});
        } else if (stored->numbers == line.numbers) {
            report.skipped.push_back(SkippedDraw{line.issue, QStringLiteral("已经存在，号码相同")});
        } else {
            problems.push_back(
                {line.lineNumber,
                 QStringLiteral("期号%1已存有不同的号码（%2）。").arg(line.issue, numbersText(stored->numbers))});
        }
    }
    if (!problems.empty())
        refuse(std::move(problems));
    // Oldest first, so the batch appends and only true gaps take the slower path.
    std::sort(fresh.begin(), fresh.end(), [](const StoredDraw& a, const StoredDraw& b) { return a.issue < b.issue; });
    store.addWithinTransaction(fresh);
    transaction.commit();
    for (const StoredDraw& draw : fresh)
        report.added.push_back(draw.issue);
    return report;
}
