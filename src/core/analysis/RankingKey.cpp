#include "analysis/RankingKey.h"

const QStringList& RankingKeys::captions()
{
    static const QStringList list{QStringLiteral("正确率"),   QStringLiteral("最大连错"), QStringLiteral("最大连对"),
                                  QStringLiteral("最后连错"), QStringLiteral("最后连对"), QStringLiteral("随机期望"),
                                  QStringLiteral("超随机Z")};
    return list;
}

const QStringList& RankingKeys::tokens()
{
    static const QStringList list{QStringLiteral("rate"),   QStringLiteral("errcon"),  QStringLiteral("truecon"),
                                  QStringLiteral("errlst"), QStringLiteral("truelst"), QStringLiteral("expected"),
                                  QStringLiteral("z")};
    return list;
}

QString RankingKeys::caption(StatisticKey key) { return captions().at(static_cast<int>(key)); }
QString RankingKeys::token(StatisticKey key) { return tokens().at(static_cast<int>(key)); }

std::optional<StatisticKey> RankingKeys::fromCaption(const QString& caption)
{
    const auto i = captions().indexOf(caption.trimmed());
    if (i < 0)
        return std::nullopt;
    return static_cast<StatisticKey>(i);
}

std::optional<StatisticKey> RankingKeys::fromToken(const QString& token)
{
    const auto i = tokens().indexOf(token.trimmed().toLower());
    if (i < 0)
        return std::nullopt;
    return static_cast<StatisticKey>(i);
}
