#include "analysis/RankingKey.h"

const QStringList& RankingKeys::captions()
{
    static const QStringList list{QStringLiteral("正确率"), QStringLiteral("最大连错"), QStringLiteral("最大连对"),
                                  QStringLiteral("最后连错"), QStringLiteral("最后连对")};
    return list;
}

const QStringList& RankingKeys::tokens()
{
    static const QStringList list{QStringLiteral("rate"), QStringLiteral("errcon"), QStringLiteral("truecon"),
                                  QStringLiteral("errlst"), QStringLiteral("truelst")};
    return list;
}

QString RankingKeys::caption(RankingKey key) { return captions().at(static_cast<int>(key)); }
QString RankingKeys::token(RankingKey key) { return tokens().at(static_cast<int>(key)); }

std::optional<RankingKey> RankingKeys::fromCaption(const QString& caption)
{
    const auto i = captions().indexOf(caption.trimmed());
    if (i < 0)
        return std::nullopt;
    return static_cast<RankingKey>(i);
}

std::optional<RankingKey> RankingKeys::fromToken(const QString& token)
{
    const auto i = tokens().indexOf(token.trimmed().toLower());
    if (i < 0)
        return std::nullopt;
    return static_cast<RankingKey>(i);
}

double RankingKeys::value(const FormulaStatistics& statistics, RankingKey key)
{
    switch (key) {
    case RankingKey::Rate: return static_cast<double>(statistics.rate);
    case RankingKey::LongestMissRun: return statistics.longestMissRun;
    case RankingKey::LongestHitRun: return statistics.longestHitRun;
    case RankingKey::LastMissRun: return statistics.lastMissRun;
    case RankingKey::LastHitRun: return statistics.lastHitRun;
    }
    return 0.0;
}
