#pragma once

#include <QStringList>

// A dozen sample formulas in the Chinese form, spread over a few tables (kill
// and keep, direct and group), for a newcomer's first demo database.
class DemoFormulas {
public:
    static QStringList lines();
};
