#include "history/DrawBatchReport.h"

QString DrawBatchReport::summary() const
{
    QString text = QStringLiteral("%1 期已更新，%2 期跳过").arg(added.size()).arg(skipped.size());
    if (deletedFirst)
        text += QStringLiteral("（原有历史号码已过期，已先全部删除）");
    for (const SkippedDraw& draw : skipped)
        text += QStringLiteral("\n%1：%2").arg(draw.issue, draw.reason);
    return text;
}
