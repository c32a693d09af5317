#pragma once

#include <QDate>
#include <array>
#include <cstdint>
#include <optional>

using DrawNumbers = std::array<int, 5>;
using AttributeValues = std::array<std::int32_t, 88>; // indexed as AttributeCatalog

// Computes every attribute column of one draw. Pure: the same input always gives
// the same row. `serial` is the draw's serial within its day (issue mod 100),
// `drawsPerDay` the lottery's T, `previous` the latest draw already stored.
class DrawAttributes {
public:
    static AttributeValues compute(const DrawNumbers& numbers, int serial, int drawsPerDay, const QDate& date,
                                   const std::optional<DrawNumbers>& previous);
};
