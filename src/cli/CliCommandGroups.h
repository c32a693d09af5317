#pragma once

#include "CliCommand.h"

#include <vector>

// The commands of each file, gathered by CliCommandTable.
std::vector<CliCommand> drawCommands(); // init, draw ...
std::vector<CliCommand> drawTransferCommands(); // draw fetch, import, export
std::vector<CliCommand> formulaCommands(); // formula ...
std::vector<CliCommand> formulaFileCommands(); // formula import, export, fetch; export xlsx
std::vector<CliCommand> analysisCommands(); // predict, filter
std::vector<CliCommand> backTestCommands(); // backtest
std::vector<CliCommand> searchCommands(); // search, tune
std::vector<CliCommand> trendCommands(); // trend
std::vector<CliCommand> settingsCommands(); // settings
