#include "formula/FormulaOnlineUpdate.h"

#include "common/UserError.h"
#include "history/Database.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

QString FormulaOnlineUpdate::question()
{
    return QStringLiteral("确实要在线更新公式吗？因为11选5开奖频繁，该公式可能并不是当前最新的，因此自己搜索会更有时效"
                          "性（软件已经设置了默认"
                          "搜索的参数，也可以手动变更）。同意更新将删除软件中现有的所有公式，并可能要花费一段时间，网络"
                          "不通或者我方服务器更新不"
                          "及时可能都造成更新失败！");
}

QString FormulaOnlineUpdate::storedPath(const QString& dataDirectory)
{
    return QDir(dataDirectory).filePath(fileName());
}

void FormulaOnlineUpdate::storeDownload(const QString& dataDirectory, const QByteArray& bytes)
{
    const QString path = storedPath(dataDirectory);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw UserError(title(), QStringLiteral("无法写入 %1：%2").arg(path, file.errorString()), false);
}

FormulaImportResult FormulaOnlineUpdate::importStored(Database& db, const FormulaImportOptions& options)
{
    const QString path = storedPath(db.dataDirectory());
    if (!QFileInfo::exists(path))
        throw UserError(title(), QStringLiteral("没有以前下载的 %1，公式没有更新。").arg(fileName()), false);
    FormulaImportOptions replacing = options;
    replacing.replaceAll = true;
    return FormulaImport::importFile(db, path, replacing);
}
