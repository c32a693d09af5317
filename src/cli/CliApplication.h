#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class CliCommandTable;
class QCommandLineParser;
struct CliCommand;

// Reads the command line and runs one command of the table. Each command word
// ("draw", then "add") and each command has its own QCommandLineParser; the
// global options --data-dir, --lottery and --json are known to all of them, so
// they may stand before or after the command. Exit status: 0 done, 1 failed,
// 2 bad input (unknown option, missing value, wrong arguments, bad number).
class CliApplication {
public:
    explicit CliApplication(const CliCommandTable& table);

    // `arguments` without the program name.
    int run(const QStringList& arguments);

    static QString version();

private:
    struct Globals {
        std::optional<QString> dataDirectory;
        std::optional<int> lottery;
        bool json = false;
    };

    int dispatch(const QStringList& arguments);
    int runCommand(const CliCommand& command, const QStringList& arguments, Globals& globals);
    void parse(QCommandLineParser& parser, const QStringList& arguments, const QStringList& words) const;
    static void readGlobals(const QCommandLineParser& parser, Globals& globals);
    static QList<QCommandLineOption> globalOptions(bool withVersion);

    const CliCommandTable& m_table;
};
