#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <random>

// Runs velmora-cli on a copy of a prepared database and kills it (SIGKILL) at
// random moments, as a crash or a power cut would, then looks at what it left.
//
// A calibration run goes to the end: it gives the new content and how long the
// command writes (from the moment its rollback journal appears until it ends).
// Each killed run starts from a fresh copy, waits for the journal and kills the
// command a random time into that span, so most kills land inside a write.
class KillRunner {
public:
    // Every table's rows, sorted, as one digest per table (rowids may change).
    using Contents = QMap<QString, QByteArray>;

    // `prepared`: the folder holding the starting formula.mdb; `args`: what the
    // command gets after --data-dir (a lottery-0 run).
    KillRunner(QString prepared, QStringList args, std::uint64_t seed);

    // Runs the command once to its end; false (with the command's stderr in
    // `error`) when it failed.
    bool calibrate();
    // One killed run; returns false when the file is damaged or a table holds
    // neither the old nor the new content (`error` says which).
    bool killOnce();

    int killed() const { return m_killed; } // still running when the kill came
    int killedWhileWriting() const { return m_killedWhileWriting; } // ... with its journal present
    int leftOld() const { return m_leftOld; }
    int leftNew() const { return m_leftNew; }
    std::chrono::microseconds writeSpan() const { return m_writeSpan; }
    QString error() const { return m_error; }

    static Contents contentsOf(const QString& databasePath);
    static QString integrityOf(const QString& databasePath);

private:
    struct Run {
        QString folder;
        bool killed = false;
        bool whileWriting = false;
    };
    Run start(std::chrono::microseconds killAfter);

    QString m_prepared;
    QStringList m_args;
    std::mt19937_64 m_random;
    Contents m_old;
    Contents m_new;
    std::chrono::microseconds m_writeSpan{0};
    int m_runs = 0;
    int m_killed = 0;
    int m_killedWhileWriting = 0;
    int m_leftOld = 0;
    int m_leftNew = 0;
    QString m_error;
    QTemporaryDir m_scratch;
};
