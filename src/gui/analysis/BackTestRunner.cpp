#include "gui/analysis/BackTestRunner.h"

#include "common/UserError.h"
#include "history/HistorySnapshot.h"

#include <QThread>

BackTestRunner::BackTestRunner(QObject* parent) : QObject(parent) {}

BackTestRunner::~BackTestRunner() { stop(); }

void BackTestRunner::stop()
{
    if (!m_thread)
        return;
    m_stop->store(true);
    collect();
}

void BackTestRunner::collect()
{
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}

void BackTestRunner::start(std::shared_ptr<const HistorySnapshot> history, BackTestRequest request)
{
    stop();
    auto stopFlag = std::make_shared<std::atomic<bool>>(false);
    m_stop = stopFlag;
    // Everything the worker hands back goes through queued calls bound to this
    // object: they are dropped if the runner is gone, and run on its thread.
    m_thread = QThread::create([this, stopFlag, history = std::move(history), request = std::move(request)] {
        int posted = -1;
        const int step = std::max(1, history->size() / 200);
        const auto progress = [&](int done, int total) {
            if (done - posted >= step || done == total) {
                posted = done;
                QMetaObject::invokeMethod(
                    this,
                    [this, stopFlag, done, total] {
                        if (!stopFlag->load())
                            emit progressed(done, total);
                    },
                    Qt::QueuedConnection);
            }
            return !stopFlag->load();
        };
        std::shared_ptr<const BackTestResult> result;
        QString title;
        QString message;
        try {
            if (auto replayed = BackTest::run(*history, request, progress))
                result = std::make_shared<const BackTestResult>(std::move(*replayed));
        } catch (const UserError& e) {
            title = e.title();
            message = e.message();
        } catch (const std::exception& e) {
            title = QStringLiteral("往期结果对照");
            message = QString::fromLocal8Bit(e.what());
        }
        QMetaObject::invokeMethod(
            this,
            [this, stopFlag, result, title, message] {
                if (stopFlag->load())
                    return; // stopped, or replaced by a newer run
                collect();
                if (result)
                    emit finished(result);
                else
                    emit failed(title, message);
            },
            Qt::QueuedConnection);
    });
    m_thread->start();
}
