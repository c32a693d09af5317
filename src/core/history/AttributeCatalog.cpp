#include "history/AttributeCatalog.h"

#include <QHash>

namespace {

struct NameEntry {
    const char* name;
    const char* code;
    const char* definition;
};

// Fixed order of the 40 attribute words.
constexpr NameEntry kNames[AttributeCatalog::kNameCount] = {
    {"码", "A", "该位开出的号码"},
    {"大小", "B", "号码大于5为1（大），否则为0（小）"},
    {"单双", "C", "号码除以2的余数（1单，0双）"},
    {"5余", "D", "号码除以5的余数（0~4）"},
    {"3余", "E", "号码除以3的余数（0~2）"},
    {"6段", "F", "(号码-1)整除2再加1：1-2为1，3-4为2，…，11-12为6"},
    {"平方", "G", "号码的平方"},
    {"互补数", "H", "第一位到该位的最大号码减去该位号码"},
    {"2指数方", "I", "2的号码次方"},
    {"立方", "J", "号码的立方"},
    {"连顺号", "L1K", "相邻两位后一位比前一位大1的个数"},
    {"逆顺号", "L2K", "相邻两位前一位比后一位大1的个数"},
    {"连跳号", "L3K", "相邻两位后一位比前一位大2的个数"},
    {"逆跳号", "L4K", "相邻两位前一位比后一位大2的个数"},
    {"前期号", "L5K", "本日期序往前数两期的期序"},
    {"和数", "L1L", "五个号码之和"},
    {"和数个位", "L2L", "五个号码之和的个位数"},
    {"大数个", "L3L", "大于等于6的号码个数"},
    {"小数个", "L4L", "小于6的号码个数"},
    {"大数和", "L5L", "大于等于6的号码之和"},
    {"小数和", "L1M", "小于6的号码之和"},
    {"偶数个", "L2M", "偶数号码个数"},
    {"奇数个", "L3M", "奇数号码个数"},
    {"偶数和", "L4M", "偶数号码之和"},
    {"奇数和", "L5M", "奇数号码之和"},
    {"合数个", "L1N", "合数号码个数（4、6、8、9、10、12）"},
    {"质数个", "L2N", "质数号码个数（2、3、5、7、11）"},
    {"合数和", "L3N", "合数号码之和"},
    {"质数和", "L4N", "质数号码之和"},
    {"重上期个", "L5N", "本期号码在上期号码中出现的个数"},
    {"上期号", "L1O", "本日期序的上一期期序"},
    {"本期号", "L2O", "本期在当日的期序（期号末两位）"},
    {"日期", "L3O", "开奖日期的日"},
    {"月份", "L4O", "开奖日期的月"},
    {"年份", "L5O", "开奖日期的四位年份"},
    {"邻号和", "P", "该位左右两个相邻位（首尾相接）的号码之和"},
    {"邻号差", "Q", "该位左右两个相邻位（首尾相接）的号码之差的绝对值"},
    {"最大振幅", "L1R", "相邻两位号码之差的绝对值的最大值"},
    {"总跨度", "L2R", "最大号码减最小号码"},
    {"同上期个", "L3R", "与上期同位置号码相同的位数"},
};

const QStringList& buildPositionWords()
{
    static const QStringList words{QStringLiteral("第一"), QStringLiteral("第二"), QStringLiteral("第三"),
                                   QStringLiteral("第四"), QStringLiteral("第五")};
    return words;
}

} // namespace

int AttributeCatalog::indexOf(QStringView code)
{
    if (code.size() != 3 || code[0].toUpper() != u'L')
        return -1;
    const int digit = code[1].unicode() - u'0';
    const int letter = code[2].toUpper().unicode();
    if (digit < 1 || digit > 5 || letter < 'A' || letter > 'R')
        return -1;
    const int i = index(digit, static_cast<char>(letter));
    return i < kCount ? i : -1;
}

QString AttributeCatalog::code(int index)
{
    return QStringLiteral("L%1%2").arg(index % 5 + 1).arg(QChar(u'A' + index / 5));
}

bool AttributeCatalog::isPerPosition(int index)
{
    const char letter = static_cast<char>('A' + index / 5);
    return (letter >= 'A' && letter <= 'J') || letter == 'P' || letter == 'Q';
}

QString AttributeCatalog::displayName(int index)
{
    static const QHash<QString, QString> perDraw = [] {
        QHash<QString, QString> names;
        for (const NameEntry& e : kNames)
            if (qstrlen(e.code) == 3)
                names.insert(QString::fromLatin1(e.code), QString::fromUtf8(e.name));
        return names;
    }();
    if (isPerPosition(index)) {
        const QString letter(QChar(u'A' + index / 5));
        for (const NameEntry& e : kNames)
            if (QLatin1String(e.code) == letter)
                return positionWords()[index % 5] + QString::fromUtf8(e.name);
    }
    return perDraw.value(code(index));
}

const QStringList& AttributeCatalog::attributeNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const NameEntry& e : kNames)
            list << QString::fromUtf8(e.name);
        return list;
    }();
    return names;
}

QString AttributeCatalog::codeForName(int nameIndex) { return QString::fromLatin1(kNames[nameIndex].code); }

QString AttributeCatalog::definitionForName(int nameIndex) { return QString::fromUtf8(kNames[nameIndex].definition); }

const QStringList& AttributeCatalog::positionWords() { return buildPositionWords(); }

AttributeCatalog::Range AttributeCatalog::valueRange(int index)
{
    const char letter = static_cast<char>('A' + index / 5);
    switch (letter) {
    case 'A': return {1, 12};
    case 'B':
    case 'C': return {0, 1};
    case 'D': return {0, 4};
    case 'E': return {0, 2};
    case 'F': return {1, 6};
    case 'G': return {1, 144};
    case 'H':
    case 'Q': return {0, 11};
    case 'I': return {2, 4096};
    case 'J': return {1, 1728};
    case 'P': return {2, 24};
    default: break;
    }
    // Per-draw columns: counts of numbers 0..5, sums of numbers 0..60, the
    // serial columns, the date parts and the spans.
    static const QHash<QString, Range> perDraw = {
        {QStringLiteral("L1K"), {0, 4}},    {QStringLiteral("L2K"), {0, 4}},  {QStringLiteral("L3K"), {0, 4}},
        {QStringLiteral("L4K"), {0, 4}},    {QStringLiteral("L5K"), {1, 99}}, {QStringLiteral("L1L"), {0, 60}},
        {QStringLiteral("L2L"), {0, 9}},    {QStringLiteral("L3L"), {0, 5}},  {QStringLiteral("L4L"), {0, 5}},
        {QStringLiteral("L5L"), {0, 60}},   {QStringLiteral("L1M"), {0, 60}}, {QStringLiteral("L2M"), {0, 5}},
        {QStringLiteral("L3M"), {0, 5}},    {QStringLiteral("L4M"), {0, 60}}, {QStringLiteral("L5M"), {0, 60}},
        {QStringLiteral("L1N"), {0, 5}},    {QStringLiteral("L2N"), {0, 5}},  {QStringLiteral("L3N"), {0, 60}},
        {QStringLiteral("L4N"), {0, 60}},   {QStringLiteral("L5N"), {0, 5}},  {QStringLiteral("L1O"), {1, 99}},
        {QStringLiteral("L2O"), {1, 99}},   {QStringLiteral("L3O"), {1, 31}}, {QStringLiteral("L4O"), {1, 12}},
        {QStringLiteral("L5O"), {1, 9999}}, {QStringLiteral("L1R"), {0, 11}}, {QStringLiteral("L2R"), {0, 11}},
        {QStringLiteral("L3R"), {0, 5}},
    };
    return perDraw.value(code(index), Range{0, 0});
}
