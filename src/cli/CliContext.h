#pragma once

#include "common/AppSettings.h"
#include "common/LotteryTable.h"
#include "history/Database.h"

#include <QDate>
#include <QHash>
#include <QJsonValue>
#include <QSet>
#include <QSettings>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// What every command of velmora-cli shares: the global options, the data
// directory, the stored settings and the database, opened on first use.
class CliContext {
public:
    CliContext(QString dataDirectory, std::optional<int> lottery, bool json);

    bool json() const { return m_json; }
    QString dataDirectory() const { return m_dataDirectory; }
    Database& database();
    AppSettings& settings() { return *m_settings; }
    // The lottery of this run: --lottery when given, else the stored choice.
    LotteryTable::Entry lottery() const;
    // Today's date; VELMORA_TODAY=YYYY-MM-DD replaces the clock so runs can be replayed.
    QDate today() const;

    void printJson(const QJsonValue& document) const;
    void printLine(const QString& line) const;

private:
    QString m_dataDirectory;
    std::optional<int> m_lottery;
    bool m_json;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<Database> m_database;
};

// Options of one command: "--name value" pairs and bare flags, plus positionals.
class CliArguments {
public:
    explicit CliArguments(const QStringList& args, const QStringList& flagNames = {});
    const QStringList& positionals() const { return m_positionals; }
    bool has(const QString& name) const { return m_values.contains(name) || m_flags.contains(name); }
    QString value(const QString& name, const QString& fallback = QString()) const
    {
        return m_values.value(name, fallback);
    }
    // Raises UserError (bad input) when the value is not an integer.
    int integer(const QString& name, int fallback) const;
    std::optional<bool> boolean(const QString& name) const;
    // Raises UserError when a name outside `known` was given.
    void allowOnly(const QStringList& known) const;

private:
    QStringList m_positionals;
    QHash<QString, QString> m_values;
    QSet<QString> m_flags;
};

// Each command file registers its top-level command words here.
class CliCommandRegistry {
public:
    using Handler = std::function<int(CliContext&, const QStringList& args)>;
    static void add(const QString& word, const QString& usage, Handler handler);
    static const Handler* find(const QString& word);
    static QStringList usageLines();

    struct Registration {
        Registration(const char* word, const char* usage, Handler handler)
        {
            add(QString::fromUtf8(word), QString::fromUtf8(usage), std::move(handler));
        }
    };
};
