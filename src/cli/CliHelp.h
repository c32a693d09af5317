#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

class CliCommandTable;
struct CliCommand;

// The texts of --help: the command list (all of it, or below a word such as
// "draw") and one command's own options and positionals.
class CliHelp {
public:
    static QString overview(const CliCommandTable& table, const QStringList& prefix,
                            const QList<QCommandLineOption>& globals);
    static QString command(const CliCommand& command, const QList<QCommandLineOption>& globals);
};
