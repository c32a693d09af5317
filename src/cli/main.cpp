// velmora-cli: the command-line face of the engine.
//   velmora-cli [--data-dir DIR] [--lottery 0..27] [--json] COMMAND [options] [arguments]
#include "CliApplication.h"
#include "CliCommandTable.h"
#include "common/QtTranslation.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationVersion(CliApplication::version());
    QtTranslation::install(app); // Qt's network errors in Chinese after "详细信息："
    const CliCommandTable table;
    return CliApplication(table).run(QCoreApplication::arguments().mid(1));
}
