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
    // The database of this run's lottery, in its folder of the data directory
    // (LotteryFolders). On first use a formula.mdb at the top of the data
    // directory moves into the folder of the lottery of the settings, said on stderr.
    Database& database();
    // Compacts the database after a deletion that removed something. A failure
    // does not undo the deletion: it is returned as a warning (also printed on
    // stderr) and the command still succeeds.
    QString compactAfterDeletion();
    AppSettings& settings() { return *m_settings; }
    // The lottery of this run: --lottery when given, else the stored choice,
    // with its 每天期数 setting.
    LotteryTable::Entry lottery() const;
    // Today's date; VELMORA_TODAY=YYYY-MM-DD replaces the clock so runs can be replayed.
    QDate today() const;

    void printJson(const QJsonValue& document) const;
    void printLine(const QString& line) const;
    void printNotice(const QString& line) const; // stderr

private:
    QString m_dataDirectory;
    std::optional<int> m_lottery;
    bool m_json;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<Database> m_database;
};
