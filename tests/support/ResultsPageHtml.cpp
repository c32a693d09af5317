#include "ResultsPageHtml.h"

#include <QStringList>
#include <iconv.h>
#include <stdexcept>

namespace {

QByteArray two(int n) { return QByteArray::number(n).rightJustified(2, '0'); }

QByteArray joined(const DrawNumbers& numbers, const QByteArray& before, const QByteArray& after,
                  const QByteArray& between)
{
    QByteArray text;
    for (size_t i = 0; i < numbers.size(); ++i)
        text += (i ? between : QByteArray()) + before + two(numbers[i]) + after;
    return text;
}

QByteArray toGbk(const QString& text)
{
    iconv_t converter = iconv_open("GBK", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no GBK converter");
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 16, '\0');
    char* inPointer = in.data();
    size_t inLeft = static_cast<size_t>(in.size());
    char* outPointer = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    const size_t result = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1))
        throw std::runtime_error("not GBK text");
    out.resize(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

} // namespace

QByteArray resultsPageOf(const std::vector<StoredDraw>& draws)
{
    QByteArray html = "<html><body><table>\n";
    for (const StoredDraw& draw : draws)
        html += "<tr><td>" + draw.issue.toUtf8() + "</td><td>" + joined(draw.numbers, "", "", " ") + "</td></tr>\n";
    return html + "</table></body></html>";
}

namespace ResultsPageLayouts {

QString dashedIssue(const QString& issue)
{
    const QString date = issue.size() == 8 ? QStringLiteral("20") + issue.left(6) : issue.left(8);
    return date + u'-' + issue.right(2);
}

QByteArray trendTable(const std::vector<StoredDraw>& draws)
{
    QByteArray html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>走势图</title>"
                      "<script>var last = '" +
                      (draws.empty() ? QByteArray() : draws.back().issue.toUtf8()) +
                      " 01 02 03 04 05';</script></head><body>\n"
                      "<table class=\"trend\"><thead><tr><th>期号</th><th>开奖号码</th><th>和值</th>"
                      "<th>跨度</th></tr></thead><tbody>\n";
    for (const StoredDraw& draw : draws) {
        int sum = 0;
        for (int n : draw.numbers)
            sum += n;
        html += "<tr><td class=\"issue\">" + dashedIssue(draw.issue).toUtf8() + "</td><td>" +
                joined(draw.numbers, "", "", " ") + "</td><td>" + QByteArray::number(sum) + "</td><td>" +
                two(static_cast<int>(draw.issue.right(2).toInt() % 10)) + "</td></tr>\n";
    }
    return html + "</tbody></table></body></html>";
}

QByteArray multiGame(const std::vector<StoredDraw>& draws)
{
    QByteArray html = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head>"
                      "<body><div class=\"games\">";
    if (!draws.empty()) {
        // Another game whose number starts with the digits of our latest issue.
        const QByteArray other = draws.back().issue.toUtf8() + "4";
        html += "<div class=\"game\"><span>快乐十分</span> 第" + other +
                "期 <b>03</b><b>15</b><b>17</b>"
                "<b>20</b></div>\n";
    }
    html += "<ul class=\"draws\">\n";
    for (auto draw = draws.rbegin(); draw != draws.rend(); ++draw) {
        const QString issue = draw->issue;
        const QString date = dashedIssue(issue).left(8);
        const QByteArray day = (date.left(4) + u'-' + date.mid(4, 2) + u'-' + date.mid(6, 2)).toUtf8();
        const int minutes = 9 * 60 + 10 * issue.right(2).toInt();
        const QByteArray time = two(minutes / 60 % 24) + ":" + two(minutes % 60);
        html += "<li><span class=\"issue\">" + issue.toUtf8() + "期</span><span class=\"time\">" + day + " " + time +
                "</span><div class=\"balls\">" + joined(draw->numbers, "<em>", "</em>", "") + "</div></li>\n";
    }
    return html + "</ul></div></body></html>";
}

QByteArray gbkList(const std::vector<StoredDraw>& draws)
{
    QString html = QStringLiteral("<html><head><meta charset=\"gbk\"><title>开奖公告</title></head><body>"
                                  "<h2>最近开奖</h2><ol>\n");
    for (const StoredDraw& draw : draws)
        html += QStringLiteral("<li>第%1期 开奖号码：%2</li>\n")
                    .arg(draw.issue, QString::fromUtf8(joined(draw.numbers, "", "", ",")));
    return toGbk(html + QStringLiteral("</ol><p>以上号码仅供参考</p></body></html>"));
}

} // namespace ResultsPageLayouts
