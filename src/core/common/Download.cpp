#include "common/Download.h"

#include "common/UserError.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {
QString sizeText(qint64 bytes) { return QStringLiteral("%1 MiB").arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 1); }
} // namespace

Download::Download(QUrl url, Limits limits, QObject* parent)
    : QObject(parent),
      m_url(std::move(url)),
      m_limits(limits),
      m_manager(new QNetworkAccessManager(this))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { stop(QStringLiteral("等待 %1 秒后仍未下载完成，已放弃。").arg(m_limits.timeoutMs / 1000.0)); });
}

Download::~Download()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

QString Download::urlProblem(const QUrl& url)
{
    if (url.isEmpty() || !url.isValid())
        return QStringLiteral("地址“%1”无效。").arg(url.toString());
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https" && scheme != u"file")
        return QStringLiteral("地址“%1”不受支持：只能使用 http、https 或 file 地址。").arg(url.toString());
    return {};
}

void Download::start()
{
    if (m_reply || m_finished)
        return;
    const QString problem = urlProblem(m_url);
    if (!problem.isEmpty()) {
        m_error = problem;
        finish();
        return;
    }
    QNetworkRequest request(m_url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &Download::checkAnnouncedSize);
    connect(m_reply, &QNetworkReply::readyRead, this, &Download::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &Download::replyFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this,
            [this](qint64 received, qint64 total) { emit progress(received, total > 0 ? total : -1); });
    m_deadline.start(m_limits.timeoutMs);
}

void Download::cancel()
{
    if (m_finished)
        return;
    m_cancelled = true;
    stop(QStringLiteral("下载已取消。"));
}

void Download::checkAnnouncedSize()
{
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > m_limits.maxBytes)
        stop(QStringLiteral("页面有 %1，超过了 %2 的上限，没有下载。")
                 .arg(sizeText(length.toLongLong()), sizeText(m_limits.maxBytes)));
}

void Download::readAvailable()
{
    if (!m_reply)
        return;
    m_data += m_reply->readAll();
    if (m_data.size() > m_limits.maxBytes)
        stop(QStringLiteral("页面超过了 %1 的上限，没有下载。").arg(sizeText(m_limits.maxBytes)));
}

// Ends the transfer with a reason; the reply's own finished() then completes it.
void Download::stop(const QString& reason)
{
    if (m_finished)
        return;
    if (m_error.isEmpty())
        m_error = reason;
    m_data.clear();
    QNetworkReply* reply = m_reply;
    if (!reply) {
        finish();
        return;
    }
    reply->abort(); // emits the reply's finished(), which completes the download
    if (m_reply == reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->deleteLater();
        finish();
    }
}

void Download::replyFinished()
{
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    if (m_error.isEmpty()) {
        m_data += reply->readAll();
        m_contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();
        if (reply->error() != QNetworkReply::NoError)
            m_error = failureText(m_url, reply->error(), reply->errorString());
        else if (m_data.size() > m_limits.maxBytes)
            m_error = QStringLiteral("页面超过了 %1 的上限，没有下载。").arg(sizeText(m_limits.maxBytes));
    }
    if (!m_error.isEmpty())
        m_data.clear();
    finish();
}

void Download::finish()
{
    m_deadline.stop();
    m_finished = true;
    emit finished();
}

QString Download::failureText(const QUrl& url, int networkError, const QString& qtText)
{
    QString cause;
    switch (static_cast<QNetworkReply::NetworkError>(networkError)) {
    case QNetworkReply::ConnectionRefusedError: cause = QStringLiteral("服务器拒绝连接"); break;
    case QNetworkReply::RemoteHostClosedError: cause = QStringLiteral("服务器提前关闭了连接"); break;
    case QNetworkReply::HostNotFoundError: cause = QStringLiteral("找不到服务器，请检查网络连接和网址"); break;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: cause = QStringLiteral("连接超时"); break;
    case QNetworkReply::SslHandshakeFailedError: cause = QStringLiteral("安全连接（SSL）建立失败"); break;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError: cause = QStringLiteral("网络不可用"); break;
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::UnknownProxyError: cause = QStringLiteral("代理服务器出错"); break;
    case QNetworkReply::ContentNotFoundError: cause = QStringLiteral("服务器上没有这个页面（404）"); break;
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::AuthenticationRequiredError: cause = QStringLiteral("服务器拒绝访问"); break;
    case QNetworkReply::InternalServerError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError: cause = QStringLiteral("服务器出错，请稍后再试"); break;
    case QNetworkReply::ProtocolUnknownError: cause = QStringLiteral("不受支持的网址"); break;
    default: cause = QStringLiteral("下载出错"); break;
    }
    return QStringLiteral("无法下载 %1：%2。\n详细信息：%3").arg(url.toString(), cause, qtText);
}

QByteArray Download::fetch(const QUrl& url, Limits limits, QString* contentType)
{
    Download download(url, limits);
    QEventLoop loop;
    connect(&download, &Download::finished, &loop, &QEventLoop::quit);
    download.start();
    if (!download.isFinished())
        loop.exec();
    if (!download.succeeded())
        throw UserError(QStringLiteral("下载失败"), download.errorMessage(), false);
    if (contentType)
        *contentType = download.contentType();
    return download.data();
}
