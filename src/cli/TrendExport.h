#pragma once

#include <QCommandLineOption>
#include <QList>

class CliContext;
class CliOptions;

// export xlsx --trend FILE: the trend chart and omission table of the view and
// range the trend command's options choose, as a spreadsheet.
namespace TrendExport {
QList<QCommandLineOption> options(); // --trend FILE, --view, --position and the range options
int run(CliContext& context, const CliOptions& options);
} // namespace TrendExport
