#include "history/DrawBatchReport.h"

QString DrawBatchReport::summary() const
{
    QString text = QStringLiteral("%1 期已更新，%2 期跳过").arg(added.size()).arg(skipped.size());
    if (deleted > 0)
        text += QStringLiteral("（原有历史号码已过期：最早的 %1 期已删除，可用“撤销删除”恢复）").arg(deleted);
    constexpr size_t kShown = 20;
    for (size_t i = 0; i < skipped.size() && i < kShown; ++i)
        text += QStringLiteral("\n%1：%2").arg(skipped[i].issue, skipped[i].reason);
    if (skipped.size() > kShown)
        text += QStringLiteral("\n……另有%1期").arg(skipped.size() - kShown);
    return text;
}
