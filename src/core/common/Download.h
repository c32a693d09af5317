#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

struct DownloadLimits {
    int timeoutMs = 30000; // the whole transfer, from start() to the last byte
    qint64 maxBytes = qint64(10) * 1024 * 1024;
};

// One GET of an http, https or file URL into memory, with an overall time-out, a
// size cap and cancel. It runs on the event loop of the thread that owns it:
// start() returns at once and finished() is emitted exactly once, whatever the
// outcome. fetch() is the blocking form for callers without a window.
class Download : public QObject {
    Q_OBJECT
public:
    using Limits = DownloadLimits;

    explicit Download(QUrl url, Limits limits = {}, QObject* parent = nullptr);
    ~Download() override;

    void start();
    // Stops the transfer; finished() follows with cancelled() true.
    void cancel();

    QUrl url() const { return m_url; }
    bool isFinished() const { return m_finished; }
    bool succeeded() const { return m_finished && m_error.isEmpty(); }
    bool cancelled() const { return m_cancelled; }
    // Why it failed, for the user; empty after success.
    QString errorMessage() const { return m_error; }
    QByteArray data() const { return m_data; }
    // The server's Content-Type header ("text/html; charset=gbk"); empty for a
    // file or when the server sent none.
    QString contentType() const { return m_contentType; }

    // Empty when the URL can be fetched, else why not (scheme, empty URL).
    static QString urlProblem(const QUrl& url);
    // Runs an event loop until the transfer ends; raises UserError (a failure,
    // not bad input) with the reason when it did not succeed.
    // `contentType`, when given, receives contentType().
    static QByteArray fetch(const QUrl& url, Limits limits = {}, QString* contentType = nullptr);
    // The failure of a transfer for the user: the cause in Chinese (from the
    // reply's QNetworkReply::NetworkError), then Qt's own text after "详细信息：".
    static QString failureText(const QUrl& url, int networkError, const QString& qtText);

signals:
    void progress(qint64 received, qint64 total); // total is -1 while unknown
    void finished();

private:
    void readAvailable();
    void checkAnnouncedSize();
    void replyFinished();
    void stop(const QString& reason);
    void finish();

    QUrl m_url;
    Limits m_limits;
    QNetworkAccessManager* m_manager = nullptr;
    QNetworkReply* m_reply = nullptr;
    QTimer m_deadline;
    QByteArray m_data;
    QString m_contentType;
    QString m_error;
    bool m_cancelled = false;
    bool m_finished = false;
};
