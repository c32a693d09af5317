#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QThread>

class QObject;
class QTcpSocket;

// A small HTTP server on 127.0.0.1 with a port the system picks. It answers from
// its own thread, so a test may block (or wait for a child process) while it
// serves. Each path gets a fixed answer; unknown paths get 404.
class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:PORT" + pathAndQuery
    QString url(const QString& pathAndQuery) const;

    // Answers GET `path` (query ignored) with `body`; without a Content-Length
    // when `announceLength` is false (the body ends when the connection closes).
    void serve(const QString& path, const QByteArray& body, bool announceLength = true);
    // The same with its own Content-Type header (empty: none at all).
    void serveTyped(const QString& path, const QByteArray& body, const QByteArray& contentType);
    // Accepts requests for `path` and never answers them.
    void hang(const QString& path);
    // The path and query of the last request received, e.g. "/gd11x5?n=672".
    QString lastRequest() const;

private:
    struct Answer {
        QByteArray body;
        bool announceLength = true;
        bool hang = false;
        QByteArray contentType = "text/html; charset=utf-8";
    };
    void answer(QTcpSocket* socket);

    QThread m_thread;
    QObject* m_context = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QHash<QString, Answer> m_answers;
    QString m_lastRequest;
};
