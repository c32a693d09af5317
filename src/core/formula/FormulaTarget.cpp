#include "formula/FormulaTarget.h"

#include "formula/FormulaError.h"
#include "history/AttributeCatalog.h"
#include "scoring/FormulaStatistics.h"

FormulaTarget FormulaTarget::fromWords(const QString& positionWord, const QString& playWord, bool killing)
{
    const int index = static_cast<int>(AttributeCatalog::positionWords().indexOf(positionWord));
    if (index < 0)
        throw FormulaError(QStringLiteral("目标位置无法识别：%1").arg(positionWord));
    if (playWord != FormulaKind::playWord(false) && playWord != FormulaKind::playWord(true))
        throw FormulaError(QStringLiteral("目标玩法无法识别：%1").arg(playWord));
    return FormulaTarget(index + 1, playWord == FormulaKind::playWord(true), killing);
}

ScoringRule FormulaTarget::rule(int range) const { return kind.rule(range, kill); }
