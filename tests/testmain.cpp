#include "testregistry.h"

#ifdef QM738_TEST_GUILESS
#include <QCoreApplication>
using TTestApplication = QCoreApplication; // the core's tests need no display
#else
#include <QApplication>
using TTestApplication = QApplication;
#endif
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

int TestRegistry::RunAll(int argc, char **argv)
{
    // A private home: documents, settings and data all live in a temporary folder.
    static QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());
    qputenv("XDG_STATE_HOME", (home.path() + "/.local/state").toLocal8Bit());
    QDir(home.path()).mkpath(QStringLiteral("Documents"));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    TTestApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("QM738"));
    QCoreApplication::setApplicationName(QStringLiteral("QM738"));
    QStandardPaths::setTestModeEnabled(true);

    // "-class Name" picks one class; the other arguments go to Qt Test.
    QStringList args = app.arguments();
    QString only;
    const int at = args.indexOf(QStringLiteral("-class"));
    if (at >= 0 && at + 1 < args.size()) {
        only = args.at(at + 1);
        args.remove(at, 2);
    }
    int failed = 0;
    for (const auto &entry : All()) {
        if (!only.isEmpty() && only != QLatin1String(entry.first))
            continue;
        std::unique_ptr<QObject> test(entry.second());
        if (QTest::qExec(test.get(), args) != 0)
            ++failed;
    }
    return failed;
}

int main(int argc, char **argv)
{
    return TestRegistry::RunAll(argc, argv);
}
