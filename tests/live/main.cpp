// Runs every test class of the live folder in one executable.
#include <QCoreApplication>
#include <QStandardPaths>
#include <QTest>

#include "testlist.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    return RunLiveTests(argc, argv);
}
