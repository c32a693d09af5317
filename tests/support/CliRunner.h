#pragma once

#include <QJsonDocument>
#include <QString>
#include <QStringList>
#include <initializer_list>

// Runs velmora-cli against a data directory and collects what it printed.
struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QJsonDocument json() const { return QJsonDocument::fromJson(out); }
};

class CliRunner {
public:
    CliRunner(QString program, QString dataDirectory);
    CliResult run(const QStringList& args) const;
    // Runs it under a wrapper command, the program and its arguments appended to
    // `wrapper` (a shell setting a limit, say).
    CliResult runWrapped(const QStringList& wrapper, const QStringList& args) const;

private:
    QString m_program;
    QString m_dataDirectory;
};

// Command-line words from UTF-8 literals: cliWords({"draw", "add", ...}).
QStringList cliWords(std::initializer_list<const char*> words);
