#include "common/Download.h"
#include "common/UserError.h"
#include "support/LocalHttpServer.h"
#include "support/QtTestApplication.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString failureOf(const QUrl& url, Download::Limits limits = {})
{
    try {
        Download::fetch(url, limits);
    } catch (const UserError& e) {
        EXPECT_FALSE(e.isBadInput());
        return e.message();
    }
    return {};
}

} // namespace

TEST(Download, readsHttpAndFileUrlsAndRefusesTheRest)
{
    ensureQtApplication();
    LocalHttpServer server;
    server.serve(QStringLiteral("/page"), "<p>26120801</p>");
    EXPECT_EQ(Download::fetch(QUrl(server.url(QStringLiteral("/page?n=84")))), QByteArray("<p>26120801</p>"));
    EXPECT_EQ(server.lastRequest(), QStringLiteral("/page?n=84"));

    const QUrl sample = QUrl::fromLocalFile(QStringLiteral(VELMORA_TEST_DATA_DIR "/results-page-gd11x5.html"));
    EXPECT_TRUE(Download::fetch(sample).contains("26120805"));

    // The cause in Chinese first, Qt's own text after it.
    const QString missing = failureOf(QUrl(server.url(QStringLiteral("/missing"))));
    EXPECT_TRUE(missing.contains(QStringLiteral("无法下载"))) << missing.toStdString();
    EXPECT_TRUE(missing.contains(QStringLiteral("服务器上没有这个页面（404）。\n详细信息："))) << missing.toStdString();
    EXPECT_TRUE(
        failureOf(QUrl::fromLocalFile(QStringLiteral("/nonexistent/page.html"))).contains(QStringLiteral("无法下载")));
    EXPECT_TRUE(failureOf(QUrl(QStringLiteral("ftp://127.0.0.1/page"))).contains(QStringLiteral("不受支持")));
    EXPECT_TRUE(failureOf(QUrl()).contains(QStringLiteral("无效")));
}

TEST(Download, timeOutSizeCapAndCancelEndTheTransferWithAReason)
{
    ensureQtApplication();
    LocalHttpServer server;
    server.hang(QStringLiteral("/silent"));
    const QByteArray big(11 * 1024 * 1024, 'x');
    server.serve(QStringLiteral("/announced"), big);
    server.serve(QStringLiteral("/streamed"), big, false);
    server.serve(QStringLiteral("/small"), QByteArray(2000, 'y'), false);

    EXPECT_TRUE(failureOf(QUrl(server.url(QStringLiteral("/silent"))), {300, 1024}).contains(QStringLiteral("放弃")));
    // The default cap is 10 MiB, whether the size is announced or only seen while reading.
    EXPECT_TRUE(failureOf(QUrl(server.url(QStringLiteral("/announced")))).contains(QStringLiteral("上限")));
    EXPECT_TRUE(failureOf(QUrl(server.url(QStringLiteral("/streamed")))).contains(QStringLiteral("上限")));
    EXPECT_TRUE(failureOf(QUrl(server.url(QStringLiteral("/small"))), {5000, 1999}).contains(QStringLiteral("上限")));
    EXPECT_EQ(Download::fetch(QUrl(server.url(QStringLiteral("/small"))), {5000, 2000}).size(), 2000);

    Download download(QUrl(server.url(QStringLiteral("/silent"))));
    QEventLoop loop;
    QObject::connect(&download, &Download::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(100, &download, &Download::cancel);
    download.start();
    loop.exec();
    EXPECT_TRUE(download.cancelled());
    EXPECT_FALSE(download.succeeded());
    EXPECT_TRUE(download.data().isEmpty());
}
