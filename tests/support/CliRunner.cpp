#include "CliRunner.h"

#include <QProcess>
#include <QProcessEnvironment>

CliRunner::CliRunner(QString program, QString dataDirectory)
    : m_program(std::move(program)),
      m_dataDirectory(std::move(dataDirectory))
{}

CliResult CliRunner::run(const QStringList& args) const { return runWrapped({}, args); }

CliResult CliRunner::runWrapped(const QStringList& wrapper, const QStringList& args) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMORA_TODAY"), QStringLiteral("2026-12-08"));
    env.insert(QStringLiteral("VELMORA_NO_OPEN"), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dataDirectory + QStringLiteral("/config"));
    process.setProcessEnvironment(env);
    const QStringList command = wrapper + QStringList{m_program, QStringLiteral("--data-dir"), m_dataDirectory} + args;
    process.start(command.first(), command.mid(1));
    process.waitForFinished(600000);
    CliResult result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QStringList cliWords(std::initializer_list<const char*> words)
{
    QStringList list;
    for (const char* w : words)
        list << QString::fromUtf8(w);
    return list;
}
