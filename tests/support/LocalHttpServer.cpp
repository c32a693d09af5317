#include "LocalHttpServer.h"

#include "QtTestApplication.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>

LocalHttpServer::LocalHttpServer()
{
    ensureQtApplication(); // the server thread runs an event loop
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            auto* server = new QTcpServer(m_context);
            server->listen(QHostAddress::LocalHost, 0);
            m_port = server->serverPort();
            QObject::connect(server, &QTcpServer::newConnection, server, [this, server] {
                while (QTcpSocket* socket = server->nextPendingConnection()) {
                    socket->setParent(m_context);
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
                    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                }
            });
        },
        Qt::BlockingQueuedConnection);
}

LocalHttpServer::~LocalHttpServer()
{
    QMetaObject::invokeMethod(
        m_context, [this] { delete m_context; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QString LocalHttpServer::url(const QString& pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port) + pathAndQuery;
}

void LocalHttpServer::serve(const QString& path, const QByteArray& body, bool announceLength)
{
    const QMutexLocker lock(&m_mutex);
    m_answers.insert(path, Answer{body, announceLength, false});
}

void LocalHttpServer::serveTyped(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    const QMutexLocker lock(&m_mutex);
    m_answers.insert(path, Answer{body, true, false, contentType});
}

void LocalHttpServer::hang(const QString& path)
{
    const QMutexLocker lock(&m_mutex);
    m_answers.insert(path, Answer{{}, true, true});
}

QString LocalHttpServer::lastRequest() const
{
    const QMutexLocker lock(&m_mutex);
    return m_lastRequest;
}

void LocalHttpServer::answer(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    const QByteArray target = request.left(request.indexOf("\r\n")).split(' ').value(1);
    const QString pathAndQuery = QString::fromUtf8(target);
    const QString path = pathAndQuery.section(u'?', 0, 0);
    Answer found;
    bool known = false;
    {
        const QMutexLocker lock(&m_mutex);
        m_lastRequest = pathAndQuery;
        known = m_answers.contains(path);
        if (known)
            found = m_answers.value(path);
    }
    if (known && found.hang)
        return;
    QByteArray head = known ? QByteArray("HTTP/1.1 200 OK\r\n") : QByteArray("HTTP/1.1 404 Not Found\r\n");
    const QByteArray body = known ? found.body : QByteArray("not here");
    const QByteArray contentType = known ? found.contentType : QByteArray("text/plain");
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    head += "Connection: close\r\n";
    if (!known || found.announceLength)
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    socket->write(head + "\r\n");
    socket->write(body);
    socket->disconnectFromHost();
}
