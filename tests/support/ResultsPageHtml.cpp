#include "ResultsPageHtml.h"

QByteArray resultsPageOf(const std::vector<StoredDraw>& draws)
{
    QByteArray html = "<html><body><table>\n";
    for (const StoredDraw& draw : draws) {
        html += "<tr><td>" + draw.issue.toUtf8() + "</td><td>";
        for (size_t i = 0; i < draw.numbers.size(); ++i)
            html += (i ? " " : "") + QByteArray::number(draw.numbers[i]).rightJustified(2, '0');
        html += "</td></tr>\n";
    }
    return html + "</table></body></html>";
}
