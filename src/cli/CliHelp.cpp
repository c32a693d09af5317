#include "CliHelp.h"

#include "CliCommand.h"
#include "CliCommandTable.h"

namespace {

const QString kProgram = QStringLiteral("velmora-cli");

QString optionName(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += u' ' + option.valueName();
    return text;
}

// Two columns: names padded to one width, then the descriptions.
QString columns(const QList<QPair<QString, QString>>& rows)
{
    qsizetype width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.first.size());
    QString text;
    for (const auto& row : rows)
        text += QStringLiteral("  ") + row.first.leftJustified(width + 2) + row.second + u'\n';
    return text;
}

QString optionList(const QList<QCommandLineOption>& options)
{
    QList<QPair<QString, QString>> rows;
    for (const QCommandLineOption& option : options)
        rows.append({optionName(option), option.description()});
    return columns(rows);
}

QString globalSection(const QList<QCommandLineOption>& globals)
{
    return QStringLiteral("\nGlobal options (before or after the command):\n") + optionList(globals) +
           QStringLiteral("\nA lone -- ends the options: every word after it is an argument.\n");
}

} // namespace

QString CliHelp::overview(const CliCommandTable& table, const QStringList& prefix,
                          const QList<QCommandLineOption>& globals)
{
    const QString start = prefix.isEmpty()
                              ? QString(kProgram + QStringLiteral(" [--data-dir DIR] [--lottery 0..27] [--json]"))
                              : QString(kProgram + u' ' + prefix.join(u' '));
    QString text = QStringLiteral("Usage: %1 COMMAND [options] [arguments]\n\nCommands:\n").arg(start);
    QList<QPair<QString, QString>> rows;
    for (const CliCommand* command : table.below(prefix))
        rows.append({command->name(), command->summary});
    text += columns(rows);
    text += globalSection(globals);
    text += QStringLiteral("\n\"%1 COMMAND --help\" shows the options of one command. Exit status: 0 done, "
                           "1 failed, 2 bad input.\n")
                .arg(kProgram);
    return text;
}

QString CliHelp::command(const CliCommand& command, const QList<QCommandLineOption>& globals)
{
    QStringList usage{kProgram, command.name()};
    if (!command.options.isEmpty())
        usage << QStringLiteral("[options]");
    for (const CliPositional& positional : command.positionals)
        usage << positional.name;
    QString text = QStringLiteral("Usage: %1\n%2\n").arg(usage.join(u' '), command.summary);
    if (!command.details.isEmpty())
        text += u'\n' + command.details + u'\n';
    if (!command.positionals.isEmpty()) {
        QList<QPair<QString, QString>> rows;
        for (const CliPositional& positional : command.positionals)
            rows.append({positional.name, positional.description});
        text += QStringLiteral("\nArguments:\n") + columns(rows);
    }
    if (!command.options.isEmpty())
        text += QStringLiteral("\nOptions:\n") + optionList(command.options);
    text += globalSection(globals);
    return text;
}
