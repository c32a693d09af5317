#include "CliCommandTable.h"

#include "CliCommandGroups.h"

namespace {

bool startsWith(const QStringList& words, const QStringList& prefix)
{
    return words.size() >= prefix.size() && words.mid(0, prefix.size()) == prefix;
}

std::vector<CliCommand> allCommands()
{
    std::vector<CliCommand> all;
    for (auto group : {drawCommands, drawTransferCommands, formulaCommands, formulaFileCommands, analysisCommands,
                       backTestCommands, searchCommands, trendCommands, settingsCommands})
        for (CliCommand& command : group())
            all.push_back(std::move(command));
    return all;
}

} // namespace

CliCommandTable::CliCommandTable() : m_commands(allCommands()) {}

CliCommandTable::CliCommandTable(std::vector<CliCommand> commands) : m_commands(std::move(commands)) {}

const CliCommand* CliCommandTable::find(const QStringList& words) const
{
    for (const CliCommand& command : m_commands)
        if (command.words == words)
            return &command;
    return nullptr;
}

QStringList CliCommandTable::nextWords(const QStringList& prefix) const
{
    QStringList words;
    for (const CliCommand& command : m_commands)
        if (command.words.size() > prefix.size() && startsWith(command.words, prefix) &&
            !words.contains(command.words.at(prefix.size())))
            words << command.words.at(prefix.size());
    return words;
}

std::vector<const CliCommand*> CliCommandTable::below(const QStringList& prefix) const
{
    std::vector<const CliCommand*> found;
    for (const CliCommand& command : m_commands)
        if (startsWith(command.words, prefix))
            found.push_back(&command);
    return found;
}
