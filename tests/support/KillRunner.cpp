#include "support/KillRunner.h"

#include "history/LotteryFolders.h"
#include "history/SqliteDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <algorithm>

namespace {

const QString kFile = QStringLiteral("formula.mdb");

} // namespace

KillRunner::KillRunner(QString prepared, QStringList args, std::uint64_t seed)
    : m_prepared(std::move(prepared)),
      m_args(std::move(args)),
      m_random(seed),
      m_old(contentsOf(QDir(m_prepared).filePath(kFile)))
{}

KillRunner::Contents KillRunner::contentsOf(const QString& databasePath)
{
    SqliteDatabase db(databasePath);
    Contents contents;
    QStringList tables;
    SqliteStatement names = db.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
    while (names.next())
        tables << names.text(0);
    for (const QString& table : tables) {
        QList<QByteArray> rows;
        SqliteStatement all = db.prepare(QStringLiteral("SELECT * FROM \"%1\"").arg(table));
        while (all.next()) {
            QByteArray row;
            for (int c = 0; c < all.columnCount(); ++c)
                row += all.value(c).toString().toUtf8() + '\x1f';
            rows << row;
        }
        std::sort(rows.begin(), rows.end());
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (const QByteArray& row : rows)
            hash.addData(QByteArray(row + '\x1e'));
        contents.insert(table, hash.result());
    }
    return contents;
}

QString KillRunner::integrityOf(const QString& databasePath)
{
    return SqliteDatabase(databasePath).scalar(QStringLiteral("PRAGMA integrity_check")).toString();
}

KillRunner::Run KillRunner::start(std::chrono::microseconds killAfter)
{
    Run run;
    const QString dataDirectory = QDir(m_scratch.path()).filePath(QStringLiteral("run%1").arg(++m_runs));
    run.folder = LotteryFolders::folder(dataDirectory, LotteryTable::entry(0));
    QDir().mkpath(run.folder);
    QFile::copy(QDir(m_prepared).filePath(kFile), QDir(run.folder).filePath(kFile));
    const QString journal = QDir(run.folder).filePath(kFile + QStringLiteral("-journal"));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(dataDirectory).filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("VELMORA_NO_OPEN"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.start(QStringLiteral(VELMORA_CLI_PATH), QStringList{QStringLiteral("--data-dir"), dataDirectory} + m_args);
    child.waitForStarted();
    QElapsedTimer clock;
    clock.start();
    const auto running = [&child] { return !child.waitForFinished(0) && child.state() == QProcess::Running; };
    // Wait for the first write (bounded), then for the chosen moment.
    qint64 writeStarted = -1;
    while (running() && clock.elapsed() < 20000) {
        if (QFile::exists(journal)) {
            writeStarted = clock.nsecsElapsed() / 1000;
            break;
        }
        QThread::usleep(50);
    }
    if (killAfter.count() < 0) {
        child.waitForFinished(120000);
        if (writeStarted >= 0)
            m_writeSpan = std::chrono::microseconds(clock.nsecsElapsed() / 1000 - writeStarted);
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            m_error = QString::fromUtf8(child.readAllStandardError());
        return run;
    }
    const qint64 deadline = clock.nsecsElapsed() / 1000 + killAfter.count();
    while (running() && clock.nsecsElapsed() / 1000 < deadline)
        QThread::usleep(20);
    if (running()) {
        run.whileWriting = QFile::exists(journal);
        child.kill();
        run.killed = true;
    }
    child.waitForFinished(30000);
    return run;
}

bool KillRunner::calibrate()
{
    const Run run = start(std::chrono::microseconds(-1));
    if (!m_error.isEmpty())
        return false;
    m_new = contentsOf(QDir(run.folder).filePath(kFile));
    if (m_new == m_old) {
        m_error = QStringLiteral("the command changed nothing");
        return false;
    }
    return true;
}

bool KillRunner::killOnce()
{
    // Anywhere in the write, a little past its calibrated end included.
    const auto span = std::max<std::int64_t>(m_writeSpan.count(), 1000);
    std::uniform_int_distribution<std::int64_t> moment(0, span + span / 5);
    const Run run = start(std::chrono::microseconds(moment(m_random)));
    m_killed += run.killed ? 1 : 0;
    m_killedWhileWriting += run.whileWriting ? 1 : 0;
    const QString path = QDir(run.folder).filePath(kFile);
    const QString integrity = integrityOf(path);
    if (integrity != QStringLiteral("ok")) {
        m_error = QStringLiteral("integrity_check: %1").arg(integrity);
        return false;
    }
    const Contents now = contentsOf(path);
    bool allOld = true;
    bool allNew = true;
    for (auto table = now.cbegin(); table != now.cend(); ++table) {
        const bool isOld = m_old.value(table.key()) == table.value();
        const bool isNew = m_new.value(table.key()) == table.value();
        if (!isOld && !isNew) {
            m_error = QStringLiteral("table %1 holds neither the old nor the new content").arg(table.key());
            return false;
        }
        allOld = allOld && isOld;
        allNew = allNew && isNew;
    }
    if (!allOld && !allNew) {
        m_error = QStringLiteral("some tables hold the old content, others the new");
        return false;
    }
    (allNew ? m_leftNew : m_leftOld) += 1;
    QDir(QFileInfo(run.folder).path()).removeRecursively();
    return true;
}
