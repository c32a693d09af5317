#pragma once

#include "CliCommand.h"

#include <vector>

// Every command of velmora-cli, in the order the overview lists them.
class CliCommandTable {
public:
    CliCommandTable();
    explicit CliCommandTable(std::vector<CliCommand> commands);

    const std::vector<CliCommand>& commands() const { return m_commands; }
    // The command named exactly by `words`, or nothing.
    const CliCommand* find(const QStringList& words) const;
    // The distinct words that follow `prefix` in longer command names ("add",
    // "list", .. after "draw"); empty when `prefix` is a whole command or unknown.
    QStringList nextWords(const QStringList& prefix) const;
    // The commands that start with `prefix`.
    std::vector<const CliCommand*> below(const QStringList& prefix) const;

private:
    std::vector<CliCommand> m_commands;
};
