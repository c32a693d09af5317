#include "CliNumber.h"

#include <charconv>

namespace {

// The text as ASCII bytes when every character is one of `allowed` or a digit,
// with at most one leading minus; empty otherwise.
QByteArray asciiNumber(const QString& text, QStringView allowed)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const char16_t c = trimmed.at(i).unicode();
        const bool digit = c >= u'0' && c <= u'9';
        const bool sign = c == u'-' && i == 0 && trimmed.size() > 1;
        if (!digit && !sign && !allowed.contains(QChar(c)))
            return {};
    }
    return trimmed.toLatin1();
}

template <typename T>
std::optional<T> parsed(const QByteArray& bytes)
{
    T value{};
    const char* end = bytes.constData() + bytes.size();
    const auto [stop, error] = std::from_chars(bytes.constData(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::int64_t> CliNumber::integer(const QString& text, std::int64_t min, std::int64_t max)
{
    const auto value = parsed<std::int64_t>(asciiNumber(text, {}));
    if (!value || *value < min || *value > max)
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> CliNumber::unsignedInteger(const QString& text)
{
    const QByteArray bytes = asciiNumber(text, {});
    if (bytes.startsWith('-'))
        return std::nullopt;
    return parsed<std::uint64_t>(bytes);
}

std::optional<double> CliNumber::decimal(const QString& text)
{
    const QByteArray bytes = asciiNumber(text, u".");
    if (bytes.isEmpty() || bytes.count('.') > 1 || bytes.startsWith('.') || bytes.startsWith("-.") ||
        bytes.endsWith('.'))
        return std::nullopt;
    return parsed<double>(bytes);
}
