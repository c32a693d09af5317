#pragma once

#include <QJsonObject>
#include <array>

struct FormulaRecord;
struct FormulaStatistics;
struct TunedValues;

// The JSON shapes shared by several commands.
class CliJson {
public:
    // The five scores of a formula under their column names: sglGsRate,
    // intGsErrCon, intGsTrueCon, intGsErrLst, intGsTrueLst. `known` false (a
    // formula that could not be scored): each key is there, null.
    static QJsonObject statistics(const FormulaStatistics& statistics, bool known = true);
    // The same keys for tuned values, which need not be whole numbers.
    static QJsonObject statistics(const TunedValues& tuned);
    // idx, gongshiCN, gongshi, bolKill and the five stored scores of a row.
    static QJsonObject formula(const FormulaRecord& record);

private:
    static QJsonObject statisticsFrom(const std::array<double, 5>& values, bool known);
};
