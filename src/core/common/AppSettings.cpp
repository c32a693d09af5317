#include "common/AppSettings.h"

#include <QSettings>
#include <array>

namespace {
const QString kGroup = QStringLiteral("IniSetting");
constexpr std::array<int, 10> kLookBackDraws{0, 100, 200, 300, 500, 600, 800, 1000, 1500, 3000};
} // namespace

AppSettings::AppSettings(QSettings& store) : m_store(store) {}

int AppSettings::readInt(const char* key, int fallback) const
{
    bool ok = false;
    const int value = m_store.value(kGroup + u'/' + QLatin1String(key)).toString().trimmed().toInt(&ok);
    return ok ? value : fallback;
}

bool AppSettings::readBool(const char* key, bool fallback) const
{
    const QString text = m_store.value(kGroup + u'/' + QLatin1String(key)).toString().trimmed().toLower();
    if (text == u"true" || text == u"-1" || text == u"1")
        return true;
    if (text == u"false" || text == u"0")
        return false;
    return fallback;
}

void AppSettings::write(const char* key, const QString& value)
{
    m_store.setValue(kGroup + u'/' + QLatin1String(key), value);
    m_store.sync();
}

static QString boolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

int AppSettings::lotteryIndex() const
{
    const int index = readInt("GsZl", 0);
    return index >= 0 && index <= 27 ? index : 0;
}
void AppSettings::setLotteryIndex(int index) { write("GsZl", QString::number(index)); }

int AppSettings::searchDays() const
{
    // A hand-edited value the days question would refuse means the default.
    const int days = readInt("IniSerchDay", 3);
    return days >= 2 && days <= 10 ? days : 3;
}
void AppSettings::setSearchDays(int days) { write("IniSerchDay", QString::number(days)); }

int AppSettings::drawsPerDay(int lotteryIndex) const
{
    const LotteryTable::Entry entry = LotteryTable::entry(lotteryIndex);
    bool ok = false;
    const int draws = m_store.value(QStringLiteral("DrawsPerDay/%1").arg(entry.index)).toString().trimmed().toInt(&ok);
    return ok && draws >= kMinDrawsPerDay && draws <= kMaxDrawsPerDay ? draws : entry.drawsPerDay;
}

void AppSettings::setDrawsPerDay(int lotteryIndex, int draws)
{
    m_store.setValue(QStringLiteral("DrawsPerDay/%1").arg(LotteryTable::entry(lotteryIndex).index),
                     QString::number(draws));
    m_store.sync();
}

LotteryTable::Entry AppSettings::lottery(int lotteryIndex) const
{
    LotteryTable::Entry entry = LotteryTable::entry(lotteryIndex);
    entry.drawsPerDay = drawsPerDay(entry.index);
    return entry;
}

std::optional<int> AppSettings::parseDrawsPerDay(const QString& answer)
{
    const QString text = answer.trimmed();
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    bool ok = false;
    const int draws = text.toInt(&ok);
    if (!ok || draws < kMinDrawsPerDay || draws > kMaxDrawsPerDay)
        return std::nullopt;
    return draws;
}

QString AppSettings::drawsPerDayErrorMessage()
{
    return QStringLiteral("每天期数必须是%1到%2之间的整数（期号的期序只有两位）。")
        .arg(kMinDrawsPerDay)
        .arg(kMaxDrawsPerDay);
}

bool AppSettings::calculateSelected() const { return readBool("JSFF", true); }
void AppSettings::setCalculateSelected(bool selected) { write("JSFF", boolText(selected)); }

bool AppSettings::resultOnSameDraw() const { return readBool("LsXs", false); }
void AppSettings::setResultOnSameDraw(bool sameDraw) { write("LsXs", boolText(sameDraw)); }

bool AppSettings::excludeCurrent() const { return readBool("SyBq", true); }
void AppSettings::setExcludeCurrent(bool exclude) { write("SyBq", boolText(exclude)); }

bool AppSettings::weightedRate() const { return readBool("ZqlJq", true); }
void AppSettings::setWeightedRate(bool weighted) { write("ZqlJq", boolText(weighted)); }

int AppSettings::lookBackIndex() const
{
    // An index beyond the look-back menu means the default, not "all".
    const int index = readInt("JSQS", 3);
    return index >= 0 && index < static_cast<int>(kLookBackDraws.size()) ? index : 3;
}
void AppSettings::setLookBackIndex(int index) { write("JSQS", QString::number(index)); }

QString AppSettings::historyUrl() const
{
    return m_store.value(kGroup + QStringLiteral("/HistoryUrl")).toString().trimmed();
}
void AppSettings::setHistoryUrl(const QString& urlTemplate) { write("HistoryUrl", urlTemplate.trimmed()); }

QString AppSettings::formulaUrl() const
{
    return m_store.value(kGroup + QStringLiteral("/FormulaUrl")).toString().trimmed();
}
void AppSettings::setFormulaUrl(const QString& url) { write("FormulaUrl", url.trimmed()); }

bool AppSettings::formulaFilesUtf8() const { return readBool("FormulaFileUtf8", false); }
void AppSettings::setFormulaFilesUtf8(bool utf8) { write("FormulaFileUtf8", boolText(utf8)); }

bool AppSettings::openExports() const { return readBool("OpenExports", true); }
void AppSettings::setOpenExports(bool open) { write("OpenExports", boolText(open)); }

bool AppSettings::showChance() const { return readBool("ShowChance", true); }
void AppSettings::setShowChance(bool show) { write("ShowChance", boolText(show)); }

void AppSettings::restoreDefaults()
{
    setResultOnSameDraw(false);
    setExcludeCurrent(true);
    setWeightedRate(true);
    setSearchDays(6);
    setLookBackIndex(6);
}

int AppSettings::lookBackDrawsForIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(kLookBackDraws.size()))
        return 0;
    return kLookBackDraws[static_cast<size_t>(index)];
}

int AppSettings::lookBackIndexForDraws(int draws)
{
    for (size_t i = 0; i < kLookBackDraws.size(); ++i)
        if (kLookBackDraws[i] == draws)
            return static_cast<int>(i);
    return -1;
}

std::optional<int> AppSettings::parseSearchDays(const QString& answer)
{
    bool ok = false;
    const int days = answer.trimmed().toInt(&ok);
    if (!ok || days < 2 || days > 10)
        return std::nullopt;
    return days;
}

QString AppSettings::searchDaysErrorMessage()
{
    return QStringLiteral("为了保证时效性和提高计算效率，软件只能统计10天以内的数据，请输入2到10中的自然数。");
}

QString AppSettings::searchDaysErrorTitle() { return QStringLiteral("输入有误"); }
