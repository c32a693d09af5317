#pragma once

#include "scoring/FormulaKind.h"
#include "scoring/FormulaStatistics.h"

#include <QCommandLineOption>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

class AppSettings;
class QCommandLineParser;
class UserError;

// What one command was given, read the same way by every command: the options
// shared by several commands (--table, --flag, --window and its two switches,
// --select, --threads, --seed) are defined and checked only here. Every read
// raises UserError (bad input, exit status 2) on a value it cannot take.
class CliOptions {
public:
    static constexpr int kMaxThreads = 64;

    CliOptions(QHash<QString, QString> values, QSet<QString> switches, QStringList positionals);
    // The options of `defined` that `parser` saw; an empty value is refused here.
    static CliOptions read(const QCommandLineParser& parser, const QList<QCommandLineOption>& defined);

    bool isSet(const QString& name) const { return m_values.contains(name) || m_switches.contains(name); }
    QString text(const QString& name, const QString& fallback = QString()) const;
    const QStringList& positionals() const { return m_positionals; }

    // --table T: the canonical formula table name (any case accepted); required.
    QString table() const;
    // The kind that table holds (position, direct or group).
    FormulaKind kind() const;
    // --flag kill|keep (or 杀|生): true for kill; `fallback` when absent, and
    // refused when absent without one.
    bool killFlag(std::optional<bool> fallback) const;
    std::optional<bool> optionalKillFlag() const;
    // --window N (0 = all, or one of the look-back menu's counts), --exclude-current
    // and --weighted; each defaults to the stored setting.
    ScoringWindow window(const AppSettings& settings) const;
    // true|false|yes|no|1|0.
    std::optional<bool> boolean(const QString& name) const;
    // One of `allowed` (case-insensitive), returned in lower case.
    QString choice(const QString& name, const QStringList& allowed, const QString& fallback) const;
    int integer(const QString& name, int min, int max, int fallback) const;
    std::uint64_t seed(std::uint64_t fallback) const;
    // --threads N: 0 (one per core) .. kMaxThreads.
    int threads() const;
    // A comma-separated list of idx (1, 2, ..) given with `name`.
    std::set<int> idxList(const QString& name) const;
    // --select all|1,2,..: nothing means every formula.
    std::optional<std::set<int>> selection() const;
    // `count` comma-separated decimals.
    std::vector<double> decimals(const QString& name, int count) const;

    // A positional as an integer in min..max; `what` names it in the error.
    static int integerArgument(const QString& text, int min, int max, const QString& what);
    // An issue number as typed: ASCII digits only (other scripts' digits would
    // pass a Unicode digit test and be stored as a malformed issue).
    static QString issueArgument(const QString& text, const QString& what);
    static UserError badInput(const QString& message);

    // The shared option definitions, so every command's help says the same.
    static QCommandLineOption tableOption();
    static QCommandLineOption flagOption(const QString& fallbackNote);
    static QList<QCommandLineOption> windowOptions();
    static QCommandLineOption selectOption();
    static QCommandLineOption threadsOption();
    static QCommandLineOption seedOption(const QString& fallbackNote);
    static QString windowChoices();

private:
    QHash<QString, QString> m_values;
    QSet<QString> m_switches;
    QStringList m_positionals;
};
