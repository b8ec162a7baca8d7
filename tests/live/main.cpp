// Runs every test class of the live folder in one executable.
#include <QApplication>
#include <QStandardPaths>
#include <QTest>

#include "testlist.h"

int main(int argc, char *argv[])
{
    // Widgets (the front panel) need the full application object.
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    return RunRegisteredTests(argc, argv);
}
