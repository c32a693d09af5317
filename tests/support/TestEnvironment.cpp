#include "TestEnvironment.h"

#include "history/LotteryFolders.h"

#include <QDir>
#include <QFile>
#include <QSettings>

TestEnvironment::TestEnvironment()
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settings.path()));
}

QString TestEnvironment::path(const QString& name) const { return QDir(m_data.path()).filePath(name); }

QString TestEnvironment::lotteryFolder(int lottery) const
{
    return LotteryFolders::folder(dataDirectory(), LotteryTable::entry(lottery));
}
