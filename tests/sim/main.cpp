// Runs every test class of the simulator in one executable.
#include <QCoreApplication>
#include <QStandardPaths>

#include "live/testlist.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    return RunRegisteredTests(argc, argv);
}
