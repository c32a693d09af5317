#pragma once

#include "history/DrawStore.h"

#include <QByteArray>
#include <vector>

// A results page as the lottery's site serves it: one table row per draw, the
// issue in one cell and its five numbers, two digits each, in the next.
QByteArray resultsPageOf(const std::vector<StoredDraw>& draws);
