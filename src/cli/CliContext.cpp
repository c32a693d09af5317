#include "CliContext.h"

#include "common/SettingsStore.h"
#include "common/UserError.h"
#include "history/LotteryFolders.h"

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
    if (!m_database) {
        const QString moved =
            LotteryFolders::moveTopLevelFile(m_dataDirectory, LotteryTable::entry(m_settings->lotteryIndex()));
        if (!moved.isEmpty())
            printNotice(moved);
        m_database = LotteryFolders::open(m_dataDirectory, lottery());
    }
    return *m_database;
}

QString CliContext::compactAfterDeletion()
{
    try {
        database().compact();
        return {};
    } catch (const UserError& error) {
        const QString warning = QStringLiteral("删除已完成，但压缩数据库失败：") + error.message();
        printNotice(QStringLiteral("警告: ") + warning);
        return warning;
    }
}

LotteryTable::Entry CliContext::lottery() const
{
    return m_settings->lottery(m_lottery.value_or(m_settings->lotteryIndex()));
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

void CliContext::printNotice(const QString& line) const
{
    const QByteArray text = line.toUtf8() + '\n';
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
}
