#include "CliContext.h"

#include "common/SettingsStore.h"
#include "common/UserError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
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

CliArguments::CliArguments(const QStringList& args, const QStringList& flagNames)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QStringLiteral("--")) && a.size() > 2) {
            const QString name = a.mid(2);
            const int eq = name.indexOf(u'=');
            if (eq > 0) {
                m_values.insert(name.left(eq), name.mid(eq + 1));
            } else if (flagNames.contains(name) || i + 1 >= args.size()) {
                m_flags.insert(name);
            } else {
                m_values.insert(name, args[++i]);
            }
        } else {
            m_positionals << a;
        }
    }
}

int CliArguments::integer(const QString& name, int fallback) const
{
    if (!m_values.contains(name))
        return fallback;
    bool ok = false;
    const int v = m_values.value(name).toInt(&ok);
    if (!ok)
        throw UserError(QStringLiteral("参数错误"),
                        QStringLiteral("--%1 needs an integer, got \"%2\"").arg(name, m_values.value(name)));
    return v;
}

std::optional<bool> CliArguments::boolean(const QString& name) const
{
    if (m_flags.contains(name))
        return true;
    if (!m_values.contains(name))
        return std::nullopt;
    const QString v = m_values.value(name).toLower();
    if (v == u"true" || v == u"1" || v == u"yes")
        return true;
    if (v == u"false" || v == u"0" || v == u"no")
        return false;
    throw UserError(QStringLiteral("参数错误"),
                    QStringLiteral("--%1 needs true or false, got \"%2\"").arg(name, m_values.value(name)));
}

void CliArguments::allowOnly(const QStringList& known) const
{
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
        if (!known.contains(it.key()))
            throw UserError(QStringLiteral("参数错误"), QStringLiteral("unknown option --%1").arg(it.key()));
    for (const QString& f : m_flags)
        if (!known.contains(f))
            throw UserError(QStringLiteral("参数错误"), QStringLiteral("unknown option --%1").arg(f));
}

namespace {
struct Command {
    QString usage;
    CliCommandRegistry::Handler handler;
};
QMap<QString, Command>& commands()
{
    static QMap<QString, Command> registry;
    return registry;
}
} // namespace

void CliCommandRegistry::add(const QString& word, const QString& usage, Handler handler)
{
    commands().insert(word, Command{usage, std::move(handler)});
}

const CliCommandRegistry::Handler* CliCommandRegistry::find(const QString& word)
{
    const auto it = commands().constFind(word);
    return it == commands().cend() ? nullptr : &it->handler;
}

QStringList CliCommandRegistry::usageLines()
{
    QStringList lines;
    for (const Command& c : commands())
        lines << c.usage;
    return lines;
}
