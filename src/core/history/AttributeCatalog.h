#pragma once

#include <QString>
#include <QStringList>
#include <array>

// The 88 attribute columns of a stored draw, indexed 0..87 in the order
// L1A, L2A, .. L5A, L1B, .. L5Q, L1R, L2R, L3R (letter-major, digit-minor).
class AttributeCatalog {
public:
    static constexpr int kCount = 88;
    static constexpr int kNameCount = 40;

    static int index(int digit, char letter) { return (letter - 'A') * 5 + (digit - 1); }
    // Index of a code such as "L3F" (any case), or -1.
    static int indexOf(QStringView code);
    static QString code(int index);
    // The name a user reads: position word + attribute word for per-position
    // attributes ("第三6段"), the attribute word alone for per-draw ones ("和数").
    static QString displayName(int index);
    static bool isPerPosition(int index);
    static int numberColumn(int position) { return index(position, 'A'); }

    // The 40 attribute words in their fixed order (码, 大小, … 同上期个).
    static const QStringList& attributeNames();
    // The code part for attribute word n: a letter ("A") for per-position words,
    // a full column name ("L2L") for per-draw words.
    static QString codeForName(int nameIndex);
    static QString definitionForName(int nameIndex);
    static const QStringList& positionWords(); // 第一 .. 第五

    // The values a column can hold for any draw of any lottery (numbers 1..12,
    // serials 01..99, years 1..9999). A stored value outside is damage.
    struct Range {
        int lowest;
        int highest;
    };
    static Range valueRange(int index);
};
