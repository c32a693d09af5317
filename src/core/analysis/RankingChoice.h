#pragma once

#include "analysis/RankingKey.h"

#include <vector>

class QSettings;

// What the sort dialog asks for: up to three ranking keys, each applied from the
// highest value down, and the keep limit L (how many numbers a tab records as kept).
struct RankingChoice {
    std::vector<StatisticKey> keys{StatisticKey::Rate};
    int keepLimit = 5;

    static constexpr int kMaxKeys = 3;

    // Section "GsCsArr": Key1..Key3 (captions, empty for none) and Limit.
    // Unreadable values fall back to the defaults above.
    static RankingChoice load(QSettings& store);
    void save(QSettings& store) const;
    // Parses "rate,errcon": raises UserError on an unknown word or more than three keys.
    static std::vector<StatisticKey> parseTokens(const QString& text);
    bool operator==(const RankingChoice&) const = default;
};
