#include "QtTestApplication.h"

#include <QCoreApplication>

void ensureQtApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "velmora_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}
