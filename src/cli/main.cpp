// velmora-cli: the command-line face of the engine. Global options come before
// the command word: velmora-cli [--data-dir DIR] [--lottery 0..27] [--json] COMMAND ...
#include "CliContext.h"
#include "common/DataDirectory.h"
#include "common/UserError.h"
#include "formula/FormulaError.h"

#include <QCoreApplication>
#include <cstdio>
#include <exception>

namespace {

void printError(const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

int usage()
{
    QString text =
        QStringLiteral("usage: velmora-cli [--data-dir DIR] [--lottery 0..27] [--json] COMMAND ...\ncommands:\n");
    for (const QString& line : CliCommandRegistry::usageLines())
        text += QStringLiteral("  ") + line + u'\n';
    printError(text.trimmed());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));

    QStringList args = app.arguments().mid(1);
    QString dataDir;
    std::optional<int> lottery;
    bool json = false;
    // Global options may stand anywhere; --json is also accepted after the command.
    QStringList rest;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--data-dir" && i + 1 < args.size()) {
            dataDir = args[++i];
        } else if (a == u"--lottery" && i + 1 < args.size()) {
            bool ok = false;
            const int index = args[++i].toInt(&ok);
            if (!ok || !LotteryTable::isValidIndex(index)) {
                printError(QStringLiteral("--lottery needs 0..27"));
                return 2;
            }
            lottery = index;
        } else if (a == u"--json") {
            json = true;
        } else if (a == u"--help" || a == u"-h") {
            return usage();
        } else {
            rest << a;
        }
    }
    if (rest.isEmpty())
        return usage();
    const CliCommandRegistry::Handler* handler = CliCommandRegistry::find(rest.first());
    if (!handler) {
        printError(QStringLiteral("unknown command: %1").arg(rest.first()));
        return usage();
    }
    try {
        CliContext context(DataDirectory::resolve(dataDir), lottery, json);
        return (*handler)(context, rest.mid(1));
    } catch (const FormulaError& e) {
        // The user's message stays the one the windows show; the detail says where.
        printError(e.title() + QStringLiteral(": ") + e.message() + u'\n' + e.detail());
        return 2;
    } catch (const UserError& e) {
        printError(e.title() + QStringLiteral(": ") + e.message());
        return e.isBadInput() ? 2 : 1;
    } catch (const std::exception& e) {
        printError(QString::fromUtf8(e.what()));
        return 1;
    }
}
