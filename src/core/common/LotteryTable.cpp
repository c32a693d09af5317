#include "common/LotteryTable.h"

#include <array>

namespace {

struct Row {
    const char* caption;
    const char* code;
    int drawsPerDay;
};

// Caption, province code and draws per day, in menu order.
constexpr std::array<Row, LotteryTable::kCount> kRows{{
    {"广东11选5", "gd", 84},    {"广西11选5", "gx", 90},  {"福建11选5", "fj", 90},  {"辽宁11选5", "ln", 83},
    {"浙江11选5", "zj", 85},    {"江苏11选5", "js", 82},  {"安徽11选5", "ah", 81},  {"江西11选5", "jx", 84},
    {"湖北11选5", "hb", 81},    {"云南11选5", "yn", 85},  {"重庆11选5", "cq", 97},  {"贵州11选5", "gz", 80},
    {"北京11选5", "bj", 85},    {"上海11选5", "sh", 90},  {"山东11选5", "sd", 87},  {"山西11选5", "sx", 94},
    {"河北11选5", "heb", 85},   {"天津11选5", "tj", 90},  {"陕西11选5", "shx", 88}, {"内蒙11选5", "nmg", 85},
    {"甘肃11选5", "gs", 78},    {"宁夏11选5", "nx", 79},  {"新疆11选5", "xj", 97},  {"吉林11选5", "jl", 79},
    {"黑龙江11选5", "hlj", 88}, {"辽宁快乐12", "ln", 80}, {"浙江快乐12", "zj", 80}, {"四川快乐12", "sc", 78},
}};

} // namespace

LotteryTable::Entry LotteryTable::entry(int index)
{
    if (!isValidIndex(index))
        index = 0;
    const Row& row = kRows[static_cast<size_t>(index)];
    Entry e;
    e.index = index;
    e.caption = QString::fromUtf8(row.caption);
    e.provinceCode = QString::fromLatin1(row.code);
    e.drawsPerDay = row.drawsPerDay;
    // 辽宁快乐12 (index 25) keeps the 11-number range and the "11x5" online code of
    // its province; only the two later 快乐12 entries switch to 12 numbers. Stored
    // histories and the results site rely on that pairing.
    const bool twelve = index == 26 || index == 27;
    e.numberRange = twelve ? 12 : 11;
    e.onlineCode = e.provinceCode + (twelve ? QStringLiteral("kl12") : QStringLiteral("11x5"));
    e.longDateIssue = index > 24;
    return e;
}
