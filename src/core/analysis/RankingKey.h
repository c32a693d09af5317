#pragma once

#include "scoring/FormulaStatistics.h"

#include <QString>
#include <QStringList>
#include <optional>

// The words of the statistics (StatisticKey) a formula list can be ranked by,
// the five scores and the chance baseline: the sort dialog's captions and the
// command line's tokens.
class RankingKeys {
public:
    // "正确率", "最大连错", "最大连对", "最后连错", "最后连对", "随机期望", "超随机Z",
    // in StatisticKey order.
    static const QStringList& captions();
    // Command-line words: rate, errcon, truecon, errlst, truelst, expected, z.
    static const QStringList& tokens();
    static QString caption(StatisticKey key);
    static QString token(StatisticKey key);
    static std::optional<StatisticKey> fromCaption(const QString& caption);
    static std::optional<StatisticKey> fromToken(const QString& token);
};
