#include "CliJson.h"

#include "formula/FormulaRecord.h"
#include "search/BoundTuner.h"

#include <QJsonValue>

QJsonObject CliJson::statisticsFrom(const std::array<double, 5>& values, bool known)
{
    static const std::array<QString, 5> keys{QStringLiteral("sglGsRate"), QStringLiteral("intGsErrCon"),
                                             QStringLiteral("intGsTrueCon"), QStringLiteral("intGsErrLst"),
                                             QStringLiteral("intGsTrueLst")};
    QJsonObject object;
    for (size_t i = 0; i < keys.size(); ++i)
        object.insert(keys[i], known ? QJsonValue(values[i]) : QJsonValue());
    return object;
}

QJsonObject CliJson::statistics(const FormulaStatistics& s, bool known)
{
    return statisticsFrom({static_cast<double>(s.rate), static_cast<double>(s.longestMissRun),
                           static_cast<double>(s.longestHitRun), static_cast<double>(s.lastMissRun),
                           static_cast<double>(s.lastHitRun)},
                          known);
}

QJsonObject CliJson::statistics(const TunedValues& t)
{
    return statisticsFrom({static_cast<double>(t.rate), static_cast<double>(t.longestMissRun),
                           static_cast<double>(t.longestHitRun), static_cast<double>(t.lastMissRun),
                           static_cast<double>(t.lastHitRun)},
                          true);
}

QJsonObject CliJson::formula(const FormulaRecord& record)
{
    QJsonObject object = statistics(record.statistics);
    object.insert(QStringLiteral("idx"), record.idx);
    object.insert(QStringLiteral("gongshiCN"), record.chinese);
    object.insert(QStringLiteral("gongshi"), record.code);
    object.insert(QStringLiteral("bolKill"), record.kill);
    return object;
}
