#include "common/AppSettings.h"
#include "common/DataDirectory.h"
#include "common/QtTranslation.h"
#include "common/SettingsStore.h"
#include "common/UserError.h"
#include "gui/main/MainWindow.h"
#include "gui/main/MainWindowConnections.h"
#include "gui/main/PromptDialog.h"
#include "history/Database.h"
#include "history/LotteryFolders.h"
#include "workbench/Workbench.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    // Ties the window to its desktop entry (and so to its icon) on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.Velmora"));
    QtTranslation::install(app); // Qt's own buttons and dialogs in Chinese, like ours

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("data directory (each lottery's formula.mdb is in a folder of its own there)"),
        QStringLiteral("DIR"));
    parser.addOption(dataDir);
    // For scripts and tests: the window opens, runs for MS milliseconds and closes (status 0).
    const QCommandLineOption quitAfter(QStringLiteral("quit-after"),
                                       QStringLiteral("close the window after MS milliseconds"), QStringLiteral("MS"));
    parser.addOption(quitAfter);
    parser.process(app);
    int quitAfterMs = -1;
    if (parser.isSet(quitAfter)) {
        const QString text = parser.value(quitAfter);
        bool ok = text.size() <= 9 && !text.isEmpty();
        for (QChar c : text)
            ok = ok && c >= u'0' && c <= u'9';
        if (!ok) {
            std::fprintf(stderr,
                         "velmora: --quit-after needs a whole number of milliseconds (0..999999999), got \"%s\"\n",
                         qUtf8Printable(text));
            return 2;
        }
        quitAfterMs = text.toInt();
    }

    // The chosen lottery's database, in its folder of the data directory. A missing
    // file is created; a refused or unreadable one is reported and the window still
    // opens, with the data-dependent parts empty.
    const auto settings = SettingsStore::open();
    const QString dataDirectory = DataDirectory::resolve(parser.value(dataDir));
    const LotteryTable::Entry lottery = LotteryTable::entry(AppSettings(*settings).lotteryIndex());
    QString moved;
    std::unique_ptr<Database> database;
    try {
        moved = LotteryFolders::moveTopLevelFile(dataDirectory, lottery);
        database = LotteryFolders::open(dataDirectory, lottery);
    } catch (const UserError& error) {
        QMessageBox::warning(nullptr, error.title(), error.message());
    } catch (const std::exception& error) {
        QMessageBox::warning(nullptr, QStringLiteral("数据库错误"), QString::fromLocal8Bit(error.what()));
    }

    PromptDialog prompts;
    MainWindow window(std::move(database), *settings, prompts, [] { return QDate::currentDate(); });
    window.workbench().setDataDirectory(dataDirectory);
    prompts.setParent(&window);
    MainWindowConnections::connect(window, *settings);
    window.show();
    if (quitAfterMs >= 0)
        QTimer::singleShot(quitAfterMs, &app, &QCoreApplication::quit);
    if (!moved.isEmpty())
        prompts.inform(QStringLiteral("数据文件夹"), moved);
    return QApplication::exec();
}
