// Runs every test class of the link.

#include <QCoreApplication>
#include <QStandardPaths>

int RunFramesTests(int argc, char **argv);
int RunMeterLinkTests(int argc, char **argv);
int RunSupervisorTests(int argc, char **argv);
int RunDiscoveryTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    int failures = 0;
    failures += RunFramesTests(argc, argv);
    failures += RunMeterLinkTests(argc, argv);
    failures += RunSupervisorTests(argc, argv);
    failures += RunDiscoveryTests(argc, argv);
    return failures;
}
