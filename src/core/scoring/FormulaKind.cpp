#include "scoring/FormulaKind.h"

#include "common/UserError.h"
#include "history/AttributeCatalog.h"
#include "history/DatabaseSchema.h"
#include "scoring/FormulaStatistics.h"

FormulaKind::FormulaKind(int position, bool group) : m_position(position), m_group(group)
{
    if (position < 1 || position > kPositions)
        throw UserError(QStringLiteral("公式表"),
                        QStringLiteral("公式位置必须在1到%1之间（收到 %2）").arg(kPositions).arg(position));
}

QString FormulaKind::tableName() const { return DatabaseSchema::formulaTableName(m_position, m_group); }

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

QStringList FormulaKind::tableNames() { return DatabaseSchema::formulaTableNames(); }

QString FormulaKind::label() const
{
    return AttributeCatalog::positionWords().value(m_position - 1) + playWord(m_group);
}

QString FormulaKind::playWord(bool group) { return group ? QStringLiteral("组选") : QStringLiteral("直选"); }

FormulaKind FormulaKind::fromSearchIndex(int index)
{
    if (index < 1 || index > kCount)
        throw UserError(QStringLiteral("公式搜索"), QStringLiteral("公式种类必须在1到10之间"), false);
    return FormulaKind((index - 1) % kPositions + 1, index > kPositions);
}

ScoringRule FormulaKind::rule(int range, bool kill) const { return ScoringRule{range, *this, kill}; }
