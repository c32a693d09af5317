#include "CliOptions.h"

#include "CliNumber.h"
#include "common/AppSettings.h"
#include "common/UserError.h"

#include <QCommandLineParser>
#include <algorithm>
#include <limits>

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

} // namespace

CliOptions::CliOptions(QHash<QString, QString> values, QSet<QString> switches, QStringList positionals)
    : m_values(std::move(values)),
      m_switches(std::move(switches)),
      m_positionals(std::move(positionals))
{}

CliOptions CliOptions::read(const QCommandLineParser& parser, const QList<QCommandLineOption>& defined)
{
    QHash<QString, QString> values;
    QSet<QString> switches;
    for (const QCommandLineOption& option : defined) {
        const QString name = option.names().constLast();
        if (!parser.isSet(name))
            continue;
        if (option.valueName().isEmpty()) {
            switches.insert(name);
            continue;
        }
        // "--verify=" is a mistake, never a request for the default.
        const QString value = parser.value(name);
        if (value.trimmed().isEmpty())
            throw badInput(QStringLiteral("--%1 needs a value").arg(name));
        values.insert(name, value);
    }
    return CliOptions(std::move(values), std::move(switches), parser.positionalArguments());
}

QString CliOptions::text(const QString& name, const QString& fallback) const { return m_values.value(name, fallback); }

UserError CliOptions::badInput(const QString& message) { return UserError(QStringLiteral("参数错误"), message); }

FormulaKind CliOptions::kind() const
{
    const QString tables = QStringLiteral("Gongshi1D .. Gongshi5G");
    if (!isSet(QStringLiteral("table")))
        throw badInput(QStringLiteral("--table needs a formula table (%1)").arg(tables));
    const QString given = text(QStringLiteral("table"));
    const std::optional<FormulaKind> kind = FormulaKind::fromTableName(given.trimmed());
    if (!kind)
        throw badInput(QStringLiteral("no formula table named %1 (%2)").arg(given, tables));
    return *kind;
}

QString CliOptions::table() const { return kind().tableName(); }

std::optional<bool> CliOptions::optionalKillFlag() const
{
    if (!isSet(QStringLiteral("flag")))
        return std::nullopt;
    const QString flag = text(QStringLiteral("flag")).trimmed().toLower();
    if (flag == u"kill" || flag == u"杀")
        return true;
    if (flag == u"keep" || flag == u"生")
        return false;
    throw badInput(QStringLiteral("--flag needs kill or keep, got \"%1\"").arg(text(QStringLiteral("flag"))));
}

bool CliOptions::killFlag(std::optional<bool> fallback) const
{
    const std::optional<bool> kill = optionalKillFlag();
    if (!kill && !fallback)
        throw badInput(QStringLiteral("--flag kill or --flag keep is needed"));
    return kill ? *kill : *fallback;
}

QString CliOptions::windowChoices()
{
    QStringList counts{QStringLiteral("0 (all)")};
    for (int i = 1; AppSettings::lookBackDrawsForIndex(i) != 0; ++i)
        counts << QString::number(AppSettings::lookBackDrawsForIndex(i));
    return counts.join(QStringLiteral(", "));
}

ScoringWindow CliOptions::window(const AppSettings& settings) const
{
    ScoringWindow window;
    window.lookBack = settings.lookBackDraws();
    if (isSet(QStringLiteral("window"))) {
        const QString given = text(QStringLiteral("window"));
        const auto draws = CliNumber::integer(given, 0, kIntMax);
        if (!draws || AppSettings::lookBackIndexForDraws(static_cast<int>(*draws)) < 0)
            throw badInput(QStringLiteral("--window needs %1, got \"%2\"").arg(windowChoices(), given));
        window.lookBack = static_cast<int>(*draws);
    }
    window.excludeCurrent = boolean(QStringLiteral("exclude-current")).value_or(settings.excludeCurrent());
    window.weighted = boolean(QStringLiteral("weighted")).value_or(settings.weightedRate());
    return window;
}

std::optional<bool> CliOptions::boolean(const QString& name) const
{
    if (!isSet(name))
        return std::nullopt;
    const QString value = text(name).trimmed().toLower();
    if (value == u"true" || value == u"yes" || value == u"1")
        return true;
    if (value == u"false" || value == u"no" || value == u"0")
        return false;
    throw badInput(QStringLiteral("--%1 needs true or false, got \"%2\"").arg(name, text(name)));
}

QString CliOptions::choice(const QString& name, const QStringList& allowed, const QString& fallback) const
{
    const QString value = text(name, fallback).trimmed().toLower();
    if (!allowed.contains(value))
        throw badInput(QStringLiteral("--%1 needs %2, got \"%3\"").arg(name, allowed.join(u'|'), text(name)));
    return value;
}

int CliOptions::integer(const QString& name, int min, int max, int fallback) const
{
    if (!isSet(name))
        return fallback;
    return integerArgument(text(name), min, max, QStringLiteral("--") + name);
}

int CliOptions::integerArgument(const QString& text, int min, int max, const QString& what)
{
    const auto value = CliNumber::integer(text, min, max);
    if (!value) {
        const QString range = max == kIntMax ? QStringLiteral("an integer from %1 up").arg(min)
                                             : QStringLiteral("an integer %1..%2").arg(min).arg(max);
        throw badInput(QStringLiteral("%1 needs %2, got \"%3\"").arg(what, range, text));
    }
    return static_cast<int>(*value);
}

QString CliOptions::issueArgument(const QString& text, const QString& what)
{
    if (text.isEmpty() || std::any_of(text.begin(), text.end(), [](QChar c) { return c < u'0' || c > u'9'; }))
        throw badInput(QStringLiteral("%1 needs an issue number of ASCII digits, got \"%2\"").arg(what, text));
    return text;
}

std::uint64_t CliOptions::seed(std::uint64_t fallback) const
{
    if (!isSet(QStringLiteral("seed")))
        return fallback;
    const auto seed = CliNumber::unsignedInteger(text(QStringLiteral("seed")));
    if (!seed)
        throw badInput(QStringLiteral("--seed needs a non-negative integer below 2^64, got \"%1\"")
                           .arg(text(QStringLiteral("seed"))));
    return *seed;
}

int CliOptions::threads() const { return integer(QStringLiteral("threads"), 0, kMaxThreads, 0); }

std::set<int> CliOptions::idxList(const QString& name) const
{
    std::set<int> idxs;
    for (const QString& word : text(name).split(u',', Qt::SkipEmptyParts)) {
        const auto idx = CliNumber::integer(word, 1, kIntMax);
        if (!idx)
            throw badInput(
                QStringLiteral("--%1 needs a list of idx such as 1,2,5, got \"%2\"").arg(name, word.trimmed()));
        idxs.insert(static_cast<int>(*idx));
    }
    if (idxs.empty())
        throw badInput(QStringLiteral("--%1 needs a list of idx such as 1,2,5").arg(name));
    return idxs;
}

std::optional<std::set<int>> CliOptions::selection() const
{
    const QString name = QStringLiteral("select");
    if (!isSet(name) || text(name).trimmed().compare(QStringLiteral("all"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return idxList(name);
}

std::vector<double> CliOptions::decimals(const QString& name, int count) const
{
    const QStringList words = text(name).split(u',');
    if (words.size() != count)
        throw badInput(
            QStringLiteral("--%1 needs %2 comma-separated numbers, got %3").arg(name).arg(count).arg(words.size()));
    std::vector<double> values;
    for (const QString& word : words) {
        const auto value = CliNumber::decimal(word);
        if (!value)
            throw badInput(QStringLiteral("--%1: \"%2\" is not a number").arg(name, word.trimmed()));
        values.push_back(*value);
    }
    return values;
}

QCommandLineOption CliOptions::tableOption()
{
    return QCommandLineOption(QStringLiteral("table"),
                              QStringLiteral("formula table Gongshi1D .. Gongshi5G (any case)"), QStringLiteral("T"));
}

QCommandLineOption CliOptions::flagOption(const QString& fallbackNote)
{
    return QCommandLineOption(QStringLiteral("flag"), QStringLiteral("kill or keep formulas; %1").arg(fallbackNote),
                              QStringLiteral("kill|keep"));
}

QList<QCommandLineOption> CliOptions::windowOptions()
{
    return {QCommandLineOption(QStringLiteral("window"),
                               QStringLiteral("draws counted: %1; default: the stored setting").arg(windowChoices()),
                               QStringLiteral("N")),
            QCommandLineOption(QStringLiteral("exclude-current"),
                               QStringLiteral("leave the latest draw out of the score; default: the stored setting"),
                               QStringLiteral("true|false")),
            QCommandLineOption(QStringLiteral("weighted"),
                               QStringLiteral("weight recent draws in the rate; default: the stored setting"),
                               QStringLiteral("true|false"))};
}

QCommandLineOption CliOptions::selectOption()
{
    return QCommandLineOption(QStringLiteral("select"),
                              QStringLiteral("the selected formulas: all (default) or a list of idx"),
                              QStringLiteral("all|1,2,.."));
}

QCommandLineOption CliOptions::threadsOption()
{
    return QCommandLineOption(QStringLiteral("threads"),
                              QStringLiteral("worker threads, 0 (default) = one per core, at most %1").arg(kMaxThreads),
                              QStringLiteral("N"));
}

QCommandLineOption CliOptions::seedOption(const QString& fallbackNote)
{
    return QCommandLineOption(QStringLiteral("seed"),
                              QStringLiteral("random seed, a non-negative integer; default: %1").arg(fallbackNote),
                              QStringLiteral("S"));
}
