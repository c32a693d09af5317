#include "formula/FormulaKind.h"

#include "common/UserError.h"
#include "formula/FormulaError.h"
#include "formula/FormulaStatistics.h"
#include "history/AttributeCatalog.h"

namespace {

const QString kTablePrefix = QStringLiteral("Gongshi");

QString playWord(bool group) { return group ? QStringLiteral("组选") : QStringLiteral("直选"); }

} // namespace

FormulaKind::FormulaKind(int position, bool group) : m_position(position), m_group(group)
{
    if (position < 1 || position > kPositions)
        throw UserError(QStringLiteral("公式表"),
                        QStringLiteral("公式位置必须在1到%1之间（收到 %2）").arg(kPositions).arg(position));
}

QString FormulaKind::tableName() const { return kTablePrefix + QString::number(m_position) + (m_group ? u'G' : u'D'); }

std::optional<FormulaKind> FormulaKind::fromTableName(QStringView name)
{
    for (const FormulaKind& kind : all())
        if (name.compare(kind.tableName(), Qt::CaseInsensitive) == 0)
            return kind;
    return std::nullopt;
}

FormulaKind FormulaKind::ofTable(const QString& name)
{
    const std::optional<FormulaKind> kind = fromTableName(name);
    if (!kind)
        throw UserError(QStringLiteral("公式表"),
                        QStringLiteral("没有名为 %1 的公式表（应为 Gongshi1D .. Gongshi5G）").arg(name));
    return *kind;
}

const std::array<FormulaKind, FormulaKind::kCount>& FormulaKind::all()
{
    static const std::array<FormulaKind, kCount> kinds = [] {
        std::array<FormulaKind, kCount> list;
        for (int i = 0; i < kCount; ++i)
            list[static_cast<size_t>(i)] = FormulaKind(i / 2 + 1, i % 2 == 1);
        return list;
    }();
    return kinds;
}

QStringList FormulaKind::tableNames()
{
    QStringList names;
    for (const FormulaKind& kind : all())
        names << kind.tableName();
    return names;
}

QString FormulaKind::label() const
{
    return AttributeCatalog::positionWords().value(m_position - 1) + playWord(m_group);
}

FormulaKind FormulaKind::fromWords(const QString& positionWord, const QString& play)
{
    const int index = static_cast<int>(AttributeCatalog::positionWords().indexOf(positionWord));
    if (index < 0)
        throw FormulaError(QStringLiteral("目标位置无法识别：%1").arg(positionWord));
    if (play != playWord(false) && play != playWord(true))
        throw FormulaError(QStringLiteral("目标玩法无法识别：%1").arg(play));
    return FormulaKind(index + 1, play == playWord(true));
}

FormulaKind FormulaKind::fromSearchIndex(int index)
{
    if (index < 1 || index > kCount)
        throw UserError(QStringLiteral("公式搜索"), QStringLiteral("公式种类必须在1到10之间"), false);
    return FormulaKind((index - 1) % kPositions + 1, index > kPositions);
}

ScoringRule FormulaKind::rule(int range, bool kill) const { return ScoringRule{range, *this, kill}; }
