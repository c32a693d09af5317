#include "analysis/SpreadsheetFile.h"

#include "common/UserError.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

// More links in a row than this is a loop.
constexpr int kMaxLinks = 40;

} // namespace

SpreadsheetFile::SpreadsheetFile(const QString& path, QString errorTitle)
    : m_path(path),
      m_target(path),
      m_title(std::move(errorTitle))
{
    for (int links = 0; QFileInfo(m_target).isSymLink(); ++links) {
        if (links == kMaxLinks)
            fail(QStringLiteral("符号链接太多（可能是循环链接），没有写入"));
        m_target = QFileInfo(m_target).symLinkTarget();
    }
    const QFileInfo target(m_target);
    if (target.exists() && !target.isFile())
        fail(target.isDir() ? QStringLiteral("这是一个文件夹，没有改动它")
                            : QStringLiteral("这不是普通文件（是设备或管道），没有改动它"));
    m_staging = m_target + QStringLiteral(".part");
    QFile::remove(m_staging);
}

SpreadsheetFile::~SpreadsheetFile()
{
    if (!m_committed)
        QFile::remove(m_staging);
}

QByteArray SpreadsheetFile::stagingName() const { return QFile::encodeName(m_staging); }

void SpreadsheetFile::commit()
{
    // The new file keeps what the old one allowed (as QSaveFile does).
    if (QFileInfo::exists(m_target))
        QFile::setPermissions(m_staging, QFile::permissions(m_target));
    if (std::rename(stagingName().constData(), QFile::encodeName(m_target).constData()) != 0)
        fail(QStringLiteral("无法替换旧文件（是否正被其他程序打开？）"));
    m_committed = true;
}

void SpreadsheetFile::fail(const QString& why) const
{
    throw UserError(m_title, QStringLiteral("无法写入表格文件 %1：%2").arg(m_path, why), false);
}
