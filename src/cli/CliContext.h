#pragma once

#include "common/AppSettings.h"
#include "common/LotteryTable.h"
#include "history/Database.h"

#include <QDate>
#include <QJsonValue>
#include <QSettings>
#include <memory>
#include <optional>

// What every command of velmora-cli shares: the global options, the data
// directory, the stored settings and the database, opened on first use.
// `dataDirectory` is already resolved (--data-dir, VELMORA_DATA_DIR or the default).
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
