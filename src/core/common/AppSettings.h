#pragma once

#include "common/LotteryTable.h"

#include <QString>
#include <optional>

class QSettings;

// Typed view of the preferences in section IniSetting. Every getter returns the
// key's default when the key is missing, unreadable or outside the values the
// window can set (lottery 99, days 0, look-back index 42); every setter saves at once.
class AppSettings {
public:
    explicit AppSettings(QSettings& store);

    int lotteryIndex() const; // GsZl, 0..27
    void setLotteryIndex(int index);
    // DrawsPerDay/<lottery index>: 每天期数, the draws a day of one lottery as it
    // really runs, 1..99 (the serial has two digits); the lottery table's T
    // until set. Only draws stored later follow a change.
    static constexpr int kMinDrawsPerDay = 1;
    static constexpr int kMaxDrawsPerDay = 99;
    int drawsPerDay(int lotteryIndex) const;
    void setDrawsPerDay(int lotteryIndex, int draws);
    // The lottery table's entry with this setting's draws a day: what every
    // part that numbers or stores draws works with.
    LotteryTable::Entry lottery(int lotteryIndex) const;
    static std::optional<int> parseDrawsPerDay(const QString& answer);
    static QString drawsPerDayErrorMessage();

    int searchDays() const; // IniSerchDay, 2..10
    void setSearchDays(int days);
    bool calculateSelected() const; // JSFF: true = "计算选中公式", false = "最优公式法"
    void setCalculateSelected(bool selected);
    bool resultOnSameDraw() const; // LsXs: true shows "Canshu", false "PreCanshu"
    void setResultOnSameDraw(bool sameDraw);
    bool excludeCurrent() const; // SyBq
    void setExcludeCurrent(bool exclude);
    bool weightedRate() const; // ZqlJq
    void setWeightedRate(bool weighted);
    int lookBackIndex() const; // JSQS, index into the look-back menu
    void setLookBackIndex(int index);
    int lookBackDraws() const { return lookBackDrawsForIndex(lookBackIndex()); }
    // HistoryUrl: the results page of the online history update, with "{code}"
    // for the online lottery code and "{rows}" for the row count; empty until set.
    QString historyUrl() const;
    void setHistoryUrl(const QString& urlTemplate);

    // FormulaUrl: where the online formula update fetches its file (http, https or
    // file://); empty until the user sets it.
    QString formulaUrl() const;
    void setFormulaUrl(const QString& url);
    // FormulaFileUtf8: formula text files are written as UTF-8 instead of GB18030.
    bool formulaFilesUtf8() const;
    void setFormulaFilesUtf8(bool utf8);
    // OpenExports: exported files are opened with the desktop's program for them.
    bool openExports() const;
    void setOpenExports(bool open);

    // ShowChance: the formula list shows 随机期望 and 超随机Z after the five statistics.
    bool showChance() const;
    void setShowChance(bool show);

    QString resultColumn() const { return resultOnSameDraw() ? QStringLiteral("Canshu") : QStringLiteral("PreCanshu"); }

    // "恢复默认设置": LsXs false, SyBq true, ZqlJq true, IniSerchDay 6, JSQS 6.
    void restoreDefaults();

    // 0 → all (0), 1..9 → 100, 200, 300, 500, 600, 800, 1000, 1500, 3000; other → all.
    static int lookBackDrawsForIndex(int index);
    // The menu index of a draw count, or -1 when the count is not on the menu.
    static int lookBackIndexForDraws(int draws);

    // Checks an answer to the days question; returns the accepted value or nothing.
    static std::optional<int> parseSearchDays(const QString& answer);
    static QString searchDaysErrorMessage();
    static QString searchDaysErrorTitle();

    QSettings& store() const { return m_store; }

private:
    int readInt(const char* key, int fallback) const;
    bool readBool(const char* key, bool fallback) const;
    void write(const char* key, const QString& value);

    QSettings& m_store;
};
