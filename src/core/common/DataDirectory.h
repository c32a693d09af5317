#pragma once

#include <QString>

// Where formula.mdb, exports and reports live: --data-dir, else VELMORA_DATA_DIR,
// else the user's application data folder. The folder is created when missing.
class DataDirectory {
public:
    static QString resolve(const QString& commandLineChoice = QString());
};
