#pragma once

#include "formula/FormulaStatistics.h"

#include <QString>
#include <QStringList>
#include <optional>

// One of the five statistics a formula list can be ranked by.
enum class RankingKey { Rate, LongestMissRun, LongestHitRun, LastMissRun, LastHitRun };

class RankingKeys {
public:
    // "正确率", "最大连错", "最大连对", "最后连错", "最后连对", in RankingKey order.
    static const QStringList& captions();
    // Command-line words: rate, errcon, truecon, errlst, truelst.
    static const QStringList& tokens();
    static QString caption(RankingKey key);
    static QString token(RankingKey key);
    static std::optional<RankingKey> fromCaption(const QString& caption);
    static std::optional<RankingKey> fromToken(const QString& token);
    // The statistic the key names, widened so every key compares alike.
    static double value(const FormulaStatistics& statistics, RankingKey key);
};
