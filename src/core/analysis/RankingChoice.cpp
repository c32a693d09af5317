#include "analysis/RankingChoice.h"

#include "common/UserError.h"

#include <QSettings>

namespace {
const QString kGroup = QStringLiteral("GsCsArr");
}

RankingChoice RankingChoice::load(QSettings& store)
{
    RankingChoice choice;
    store.beginGroup(kGroup);
    std::vector<StatisticKey> keys;
    for (int i = 1; i <= kMaxKeys; ++i) {
        const auto key = RankingKeys::fromCaption(store.value(QStringLiteral("Key%1").arg(i)).toString());
        if (key)
            keys.push_back(*key);
    }
    bool ok = false;
    const int limit = store.value(QStringLiteral("Limit")).toInt(&ok);
    store.endGroup();
    if (!keys.empty())
        choice.keys = keys;
    if (ok && limit >= 1 && limit <= 12)
        choice.keepLimit = limit;
    return choice;
}

void RankingChoice::save(QSettings& store) const
{
    store.beginGroup(kGroup);
    for (int i = 0; i < kMaxKeys; ++i) {
        const auto slot = static_cast<size_t>(i);
        store.setValue(QStringLiteral("Key%1").arg(i + 1),
                       slot < keys.size() ? RankingKeys::caption(keys[slot]) : QString());
    }
    store.setValue(QStringLiteral("Limit"), keepLimit);
    store.endGroup();
    store.sync();
}

std::vector<StatisticKey> RankingChoice::parseTokens(const QString& text)
{
    std::vector<StatisticKey> keys;
    for (const QString& word : text.split(u',', Qt::SkipEmptyParts)) {
        const auto key = RankingKeys::fromToken(word);
        if (!key)
            throw UserError(
                QStringLiteral("公式排序设置"),
                QStringLiteral("unknown ranking key '%1' (use %2)").arg(word, RankingKeys::tokens().join(u',')));
        keys.push_back(*key);
    }
    if (keys.size() > static_cast<size_t>(kMaxKeys))
        throw UserError(QStringLiteral("公式排序设置"), QStringLiteral("at most three ranking keys"));
    return keys;
}
