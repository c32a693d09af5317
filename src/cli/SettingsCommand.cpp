// settings: every preference the window's 设置 menus hold, shown and set.
#include "CliCommandGroups.h"
#include "CliContext.h"
#include "CliOptions.h"
#include "common/AppSettings.h"
#include "common/LotteryTable.h"

#include <QJsonObject>
#include <functional>
#include <vector>

namespace {

const QString kStoredLottery = QStringLiteral("stored-lottery");
const QString kDrawsPerDay = QStringLiteral("draws-per-day");
const QString kSearchDays = QStringLiteral("search-days");
const QString kMethod = QStringLiteral("method");
const QString kResultOn = QStringLiteral("result-on");
const QString kShowChance = QStringLiteral("show-chance");
const QString kFormulaEncoding = QStringLiteral("formula-encoding");
const QString kOpenExports = QStringLiteral("open-exports");
const QString kHistoryUrl = QStringLiteral("history-url");
const QString kFormulaUrl = QStringLiteral("formula-url");
const QString kRestoreDefaults = QStringLiteral("restore-defaults");

QJsonObject settingsObject(const AppSettings& settings, const LotteryTable::Entry& lottery)
{
    QJsonObject object;
    object.insert(QStringLiteral("lottery"), settings.lotteryIndex());
    object.insert(QStringLiteral("draws_per_day"), settings.drawsPerDay(lottery.index));
    object.insert(QStringLiteral("draws_per_day_lottery"), lottery.index);
    object.insert(QStringLiteral("draws_per_day_default"), LotteryTable::entry(lottery.index).drawsPerDay);
    object.insert(QStringLiteral("search_days"), settings.searchDays());
    object.insert(QStringLiteral("method"),
                  settings.calculateSelected() ? QStringLiteral("selected") : QStringLiteral("best"));
    object.insert(QStringLiteral("result_on"),
                  settings.resultOnSameDraw() ? QStringLiteral("same") : QStringLiteral("next"));
    object.insert(QStringLiteral("window"), settings.lookBackDraws());
    object.insert(QStringLiteral("exclude_current"), settings.excludeCurrent());
    object.insert(QStringLiteral("weighted"), settings.weightedRate());
    object.insert(QStringLiteral("show_chance"), settings.showChance());
    object.insert(QStringLiteral("formula_encoding"),
                  settings.formulaFilesUtf8() ? QStringLiteral("utf-8") : QStringLiteral("gb18030"));
    object.insert(QStringLiteral("open_exports"), settings.openExports());
    object.insert(QStringLiteral("history_url"), settings.historyUrl());
    object.insert(QStringLiteral("formula_url"), settings.formulaUrl());
    return object;
}

QString yesNo(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

void printText(CliContext& context, const AppSettings& settings, const LotteryTable::Entry& lottery)
{
    const auto line = [&context](const char* name, const QString& value, const QString& label) {
        context.printLine(QStringLiteral("%1: %2  (%3)").arg(QLatin1String(name), value, label));
    };
    line("lottery", QString::number(settings.lotteryIndex()),
         QStringLiteral("彩种选择，") + LotteryTable::entry(settings.lotteryIndex()).caption);
    line("draws_per_day", QString::number(settings.drawsPerDay(lottery.index)),
         QStringLiteral("每天期数，%1，彩种表%2")
             .arg(lottery.caption)
             .arg(LotteryTable::entry(lottery.index).drawsPerDay));
    line("search_days", QString::number(settings.searchDays()), QStringLiteral("历史号码更新检索天数"));
    line("method", settings.calculateSelected() ? QStringLiteral("selected") : QStringLiteral("best"),
         QStringLiteral("计算选中公式 / 最优公式法"));
    line("result_on", settings.resultOnSameDraw() ? QStringLiteral("same") : QStringLiteral("next"),
         QStringLiteral("历史列表公式验算结果显示在当期 / 下期"));
    line("window", QString::number(settings.lookBackDraws()), QStringLiteral("检索期数，0 为所有期"));
    line("exclude_current", yesNo(settings.excludeCurrent()), QStringLiteral("检索期数前溯不含当前期"));
    line("weighted", yesNo(settings.weightedRate()), QStringLiteral("正确率使用期数加权算法"));
    line("show_chance", yesNo(settings.showChance()), QStringLiteral("公式列表显示随机期望和超随机Z"));
    line("formula_encoding", settings.formulaFilesUtf8() ? QStringLiteral("utf-8") : QStringLiteral("gb18030"),
         QStringLiteral("公式文本导出编码"));
    line("open_exports", yesNo(settings.openExports()), QStringLiteral("导出后打开文件"));
    line("history_url", settings.historyUrl(), QStringLiteral("开奖页面地址"));
    line("formula_url", settings.formulaUrl(), QStringLiteral("公式在线更新地址"));
}

int settingsCommand(CliContext& context, const CliOptions& options)
{
    AppSettings& settings = context.settings();
    const LotteryTable::Entry lottery = context.lottery();
    // Every value is checked before the first one is saved: a bad one changes nothing.
    std::vector<std::function<void()>> writes;
    if (options.isSet(kRestoreDefaults))
        writes.emplace_back([&settings] { settings.restoreDefaults(); });
    if (options.isSet(kStoredLottery)) {
        const int index = options.integer(kStoredLottery, 0, LotteryTable::kCount - 1, 0);
        writes.emplace_back([&settings, index] { settings.setLotteryIndex(index); });
    }
    if (options.isSet(kDrawsPerDay)) {
        const int draws = options.integer(kDrawsPerDay, AppSettings::kMinDrawsPerDay, AppSettings::kMaxDrawsPerDay, 0);
        writes.emplace_back([&settings, &lottery, draws] { settings.setDrawsPerDay(lottery.index, draws); });
    }
    if (options.isSet(kSearchDays)) {
        const int days = options.integer(kSearchDays, 2, 10, 0);
        writes.emplace_back([&settings, days] { settings.setSearchDays(days); });
    }
    if (options.isSet(kMethod)) {
        const bool selected =
            options.choice(kMethod, {QStringLiteral("selected"), QStringLiteral("best")}, QString()) == u"selected";
        writes.emplace_back([&settings, selected] { settings.setCalculateSelected(selected); });
    }
    if (options.isSet(kResultOn)) {
        const bool same =
            options.choice(kResultOn, {QStringLiteral("same"), QStringLiteral("next")}, QString()) == u"same";
        writes.emplace_back([&settings, same] { settings.setResultOnSameDraw(same); });
    }
    if (options.isSet(QStringLiteral("window"))) {
        const int index = AppSettings::lookBackIndexForDraws(options.window(settings).lookBack);
        writes.emplace_back([&settings, index] { settings.setLookBackIndex(index); });
    }
    if (const auto exclude = options.boolean(QStringLiteral("exclude-current")))
        writes.emplace_back([&settings, on = *exclude] { settings.setExcludeCurrent(on); });
    if (const auto weighted = options.boolean(QStringLiteral("weighted")))
        writes.emplace_back([&settings, on = *weighted] { settings.setWeightedRate(on); });
    if (const auto show = options.boolean(kShowChance))
        writes.emplace_back([&settings, on = *show] { settings.setShowChance(on); });
    if (options.isSet(kFormulaEncoding)) {
        const bool utf8 = options.choice(kFormulaEncoding, {QStringLiteral("gb18030"), QStringLiteral("utf-8")},
                                         QString()) == u"utf-8";
        writes.emplace_back([&settings, utf8] { settings.setFormulaFilesUtf8(utf8); });
    }
    if (const auto open = options.boolean(kOpenExports))
        writes.emplace_back([&settings, on = *open] { settings.setOpenExports(on); });
    if (options.isSet(kHistoryUrl))
        writes.emplace_back([&settings, url = options.text(kHistoryUrl)] { settings.setHistoryUrl(url); });
    if (options.isSet(kFormulaUrl))
        writes.emplace_back([&settings, url = options.text(kFormulaUrl)] { settings.setFormulaUrl(url); });
    for (const auto& write : writes)
        write();

    if (context.json())
        context.printJson(settingsObject(settings, lottery));
    else
        printText(context, settings, lottery);
    return 0;
}

QCommandLineOption valued(const QString& name, const char* description, const char* value)
{
    return QCommandLineOption(name, QString::fromUtf8(description), QString::fromUtf8(value));
}

} // namespace

std::vector<CliCommand> settingsCommands()
{
    CliCommand command;
    command.words = {QStringLiteral("settings")};
    command.summary = QStringLiteral("show every setting of the window's menus, or set some with the options below");
    command.options = {
        valued(kStoredLottery, "the lottery chosen in the menu (彩种选择), 0..27", "N"),
        valued(kDrawsPerDay, "每天期数 of this run's lottery (--lottery or the stored one), 1..99", "N"),
        valued(kSearchDays, "历史号码更新检索天数, 2..10", "S"),
        valued(kMethod, "计算选中公式 (selected) or 最优公式法 (best)", "selected|best"),
        valued(kResultOn, "formula results in the history grid on the same draw or the next", "same|next"),
    };
    command.options += {
        valued(QStringLiteral("window"), "检索期数: draws counted, 0 (all) or a count of the menu", "N"),
        valued(QStringLiteral("exclude-current"), "检索期数前溯不含当前期", "true|false"),
        valued(QStringLiteral("weighted"), "正确率使用期数加权算法", "true|false"),
        valued(kShowChance, "the formula list shows 随机期望 and 超随机Z", "true|false"),
        valued(kFormulaEncoding, "the encoding formula files are written in", "gb18030|utf-8"),
        valued(kOpenExports, "exported files are opened with the desktop's program", "true|false"),
        valued(kHistoryUrl, "the results page of the online history update ({code}, {rows})", "U"),
        valued(kFormulaUrl, "where the online formula update fetches its file", "U"),
        QCommandLineOption(kRestoreDefaults, QStringLiteral("恢复默认设置 first, then the other options")),
    };
    command.details = QStringLiteral(
        "Every value is checked before any is saved; a value out of its range exits 2 and changes nothing. "
        "每天期数 changes the next issue and the checks of draws stored later; stored draws are not rewritten.");
    command.run = settingsCommand;
    return {command};
}
