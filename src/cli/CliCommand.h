#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class CliContext;
class CliOptions;

// A positional argument as the help shows it: "ISSUE", "[N]", "TEXT...".
struct CliPositional {
    QString name;
    QString description;
};

// One command of velmora-cli: the words that name it ("draw", "add"), its own
// options and positionals, and what it does. Every command gets its own parser.
struct CliCommand {
    using Handler = std::function<int(CliContext&, const CliOptions&)>;

    QStringList words;
    QString summary; // one line for the command list
    QList<QCommandLineOption> options;
    QList<CliPositional> positionals;
    int minPositionals = 0;
    int maxPositionals = 0; // -1: no limit
    QString details; // more text for the command's --help, may be empty
    Handler run;

    QString name() const { return words.join(u' '); }
};
