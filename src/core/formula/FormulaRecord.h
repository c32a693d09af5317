#pragma once

#include "scoring/FormulaStatistics.h"

#include <QString>

// One stored row of a formula table (Gongshi1D .. Gongshi5G).
struct FormulaRecord {
    int idx = 0;
    QString code; // gongshi
    QString chinese; // gongshiCN
    bool kill = true; // bolKill
    FormulaStatistics statistics; // as last stored (sglGsRate .. intGsTrueLst)
};
