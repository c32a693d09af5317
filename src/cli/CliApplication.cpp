#include "CliApplication.h"

#include "CliCommandTable.h"
#include "CliContext.h"
#include "CliHelp.h"
#include "CliNumber.h"
#include "CliOptions.h"
#include "common/DataDirectory.h"
#include "common/LotteryTable.h"
#include "common/UserError.h"
#include "formula/FormulaError.h"

#include <QCommandLineParser>
#include <cstdio>
#include <exception>

namespace {

const QString kProgram = QStringLiteral("velmora-cli");

void print(std::FILE* stream, const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.endsWith('\n'))
        bytes += '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

QString helpHint(const QStringList& words)
{
    const QString command = words.isEmpty() ? kProgram : QString(kProgram + u' ' + words.join(u' '));
    return QStringLiteral("(see \"%1 --help\")").arg(command);
}

} // namespace

CliApplication::CliApplication(const CliCommandTable& table) : m_table(table) {}

QString CliApplication::version() { return QStringLiteral(VELMORA_VERSION); }

QList<QCommandLineOption> CliApplication::globalOptions(bool withVersion)
{
    QList<QCommandLineOption> options{
        QCommandLineOption(QStringLiteral("data-dir"),
                           QStringLiteral("data directory (each lottery's formula.mdb is in a folder of its own "
                                          "there); default: VELMORA_DATA_DIR, else the user's data folder"),
                           QStringLiteral("DIR")),
        QCommandLineOption(QStringLiteral("lottery"),
                           QStringLiteral("the lottery of this run, 0..27; default: the stored choice"),
                           QStringLiteral("0..27")),
        QCommandLineOption(QStringLiteral("json"), QStringLiteral("print one JSON document on stdout")),
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("show this help"))};
    if (withVersion)
        options.append(QCommandLineOption(QStringLiteral("version"), QStringLiteral("print the version")));
    return options;
}

int CliApplication::run(const QStringList& arguments)
{
    try {
        return dispatch(arguments);
    } catch (const FormulaError& e) {
        // The user's message stays the one the windows show; the detail says where.
        print(stderr, e.title() + QStringLiteral(": ") + e.message() + u'\n' + e.detail());
        return 2;
    } catch (const UserError& e) {
        print(stderr, e.title() + QStringLiteral(": ") + e.message());
        return e.isBadInput() ? 2 : 1;
    } catch (const std::exception& e) {
        print(stderr, QString::fromUtf8(e.what()));
        return 1;
    }
}

// Walks down the command words ("draw", then "add") with one parser per level,
// each stopping at its first positional, then hands the rest to the command.
int CliApplication::dispatch(const QStringList& arguments)
{
    Globals globals;
    QStringList words;
    QStringList rest = arguments;
    for (QStringList next = m_table.nextWords(words); !next.isEmpty(); next = m_table.nextWords(words)) {
        QCommandLineParser parser;
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
        parser.addOptions(globalOptions(words.isEmpty()));
        parse(parser, rest, words);
        readGlobals(parser, globals);
        if (parser.isSet(QStringLiteral("help"))) {
            print(stdout, CliHelp::overview(m_table, words, globalOptions(words.isEmpty())));
            return 0;
        }
        if (words.isEmpty() && parser.isSet(QStringLiteral("version"))) {
            print(stdout, kProgram + u' ' + version());
            return 0;
        }
        const QStringList positionals = parser.positionalArguments();
        if (positionals.isEmpty()) {
            print(stderr, QStringLiteral("参数错误: a command is needed\n") +
                              CliHelp::overview(m_table, words, globalOptions(words.isEmpty())));
            return 2;
        }
        if (!next.contains(positionals.first()))
            throw CliOptions::badInput(
                QStringLiteral("unknown command: %1 %2")
                    .arg(QStringList(words + QStringList{positionals.first()}).join(u' '), helpHint(words)));
        words << positionals.first();
        rest = positionals.mid(1);
    }
    return runCommand(*m_table.find(words), rest, globals);
}

int CliApplication::runCommand(const CliCommand& command, const QStringList& arguments, Globals& globals)
{
    QCommandLineParser parser;
    parser.addOptions(globalOptions(false));
    parser.addOptions(command.options);
    parse(parser, arguments, command.words);
    readGlobals(parser, globals);
    if (parser.isSet(QStringLiteral("help"))) {
        print(stdout, CliHelp::command(command, globalOptions(false)));
        return 0;
    }
    const CliOptions options = CliOptions::read(parser, command.options);
    const auto count = options.positionals().size();
    if (count < command.minPositionals || (command.maxPositionals >= 0 && count > command.maxPositionals)) {
        QStringList names;
        for (const CliPositional& positional : command.positionals)
            names << positional.name;
        const QString expected = names.isEmpty() ? QStringLiteral("no arguments") : names.join(u' ');
        throw CliOptions::badInput(QStringLiteral("%1 takes %2, got %3 %4")
                                       .arg(command.name(), expected)
                                       .arg(count)
                                       .arg(helpHint(command.words)));
    }
    CliContext context(DataDirectory::resolve(globals.dataDirectory.value_or(QString())), globals.lottery,
                       globals.json);
    return command.run(context, options);
}

void CliApplication::parse(QCommandLineParser& parser, const QStringList& arguments, const QStringList& words) const
{
    if (!parser.parse(QStringList{kProgram} + arguments))
        throw CliOptions::badInput(QStringLiteral("%1 %2").arg(parser.errorText(), helpHint(words)));
}

void CliApplication::readGlobals(const QCommandLineParser& parser, Globals& globals)
{
    if (parser.isSet(QStringLiteral("data-dir"))) {
        // An empty --data-dir never falls back to the default folder.
        const QString folder = parser.value(QStringLiteral("data-dir"));
        if (folder.trimmed().isEmpty())
            throw CliOptions::badInput(QStringLiteral("--data-dir needs a folder"));
        globals.dataDirectory = folder;
    }
    if (parser.isSet(QStringLiteral("lottery"))) {
        const QString given = parser.value(QStringLiteral("lottery"));
        const auto index = CliNumber::integer(given, 0, LotteryTable::kCount - 1);
        if (!index)
            throw CliOptions::badInput(
                QStringLiteral("--lottery needs 0..%1, got \"%2\"").arg(LotteryTable::kCount - 1).arg(given));
        globals.lottery = static_cast<int>(*index);
    }
    globals.json = globals.json || parser.isSet(QStringLiteral("json"));
}
