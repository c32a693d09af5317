#include "CliContext.h"

#include "common/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

CliContext::CliContext(QString dataDirectory, std::optional<int> lottery, bool json)
    : m_dataDirectory(std::move(dataDirectory)),
      m_lottery(lottery),
      m_json(json),
      m_store(SettingsStore::open()),
      m_settings(std::make_unique<AppSettings>(*m_store))
{}

Database& CliContext::database()
{
    if (!m_database)
        m_database = std::make_unique<Database>(m_dataDirectory);
    return *m_database;
}

LotteryTable::Entry CliContext::lottery() const
{
    return LotteryTable::entry(m_lottery.value_or(m_settings->lotteryIndex()));
}

QDate CliContext::today() const
{
    const QString fixed = qEnvironmentVariable("VELMORA_TODAY");
    if (!fixed.isEmpty()) {
        const QDate date = QDate::fromString(fixed, Qt::ISODate);
        if (date.isValid())
            return date;
    }
    return QDate::currentDate();
}

void CliContext::printJson(const QJsonValue& document) const
{
    const QByteArray text = document.isArray() ? QJsonDocument(document.toArray()).toJson(QJsonDocument::Indented)
                                               : QJsonDocument(document.toObject()).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
}

void CliContext::printLine(const QString& line) const
{
    const QByteArray text = line.toUtf8() + '\n';
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
}
