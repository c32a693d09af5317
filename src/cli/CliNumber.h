#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Numbers as the command line accepts them: ASCII digits only (no other
// scripts' digits, no spaces inside, no exponent), an optional leading minus,
// and nothing that overflows.
class CliNumber {
public:
    // An integer in min..max, or nothing.
    static std::optional<std::int64_t> integer(const QString& text, std::int64_t min, std::int64_t max);
    // A non-negative integer that fits 64 bits (seeds), or nothing.
    static std::optional<std::uint64_t> unsignedInteger(const QString& text);
    // A finite decimal such as "-1.5" or "60", or nothing.
    static std::optional<double> decimal(const QString& text);
};
