#include "formula/FormulaTarget.h"

#include "history/AttributeCatalog.h"

QString FormulaTarget::label() const
{
    return AttributeCatalog::positionWords().value(position - 1) +
           (group ? QStringLiteral("组选") : QStringLiteral("直选"));
}
