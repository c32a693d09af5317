#pragma once

#include <QString>

// The 28 supported lotteries, in the order of the lottery menu.
class LotteryTable {
public:
    struct Entry {
        int index = 0;
        QString caption; // "广东11选5"
        QString provinceCode; // "gd"
        int drawsPerDay = 0; // T
        int numberRange = 11; // R: highest number of a draw
        QString onlineCode; // province code + "11x5" or "kl12"
        bool longDateIssue = false; // issue date part is YYYYMMDD instead of YYMMDD
    };

    static constexpr int kCount = 28;

    // Out-of-range indexes fall back to entry 0, as an unreadable setting does.
    static Entry entry(int index);
    static bool isValidIndex(int index) { return index >= 0 && index < kCount; }
};
