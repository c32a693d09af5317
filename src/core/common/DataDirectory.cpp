#include "common/DataDirectory.h"

#include <QDir>
#include <QStandardPaths>

QString DataDirectory::resolve(const QString& commandLineChoice)
{
    QString dir = commandLineChoice;
    if (dir.isEmpty())
        dir = qEnvironmentVariable("VELMORA_DATA_DIR");
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        dir += QStringLiteral("/Velmora");
    }
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}
