#include "gui/base/about.h"
#include "app/commandline.h"
#include "app/frmmain.h"
#include "gui/base/icons.h"
#include "core/base/singleinstance.h"
#include "core/base/translation.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/documents.h"

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    CommandLine::AnswerTextRequests(argc, argv);
    // A file that reaches its size limit fails its write (EFBIG), which the
    // journal and the file writers report, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // One running program per user (it alone can drive the meter): a later
    // start hands its files to the running one and ends. Asked before
    // anything needs a display, so a start without one (over SSH, from a
    // service) hands its files over too instead of failing.
    QStringList files;
    TSingleInstance instance(TSingleInstance::DefaultSocketPath());
    TSingleInstance::TStart start = TSingleInstance::TStart::Alone;
    {
        QCoreApplication probe(argc, argv);
        files = CommandLine::Files(probe);
        start = instance.Start(files);
        if (start == TSingleInstance::TStart::HandedOver) {
            // The running program's messages go to its own terminal, if any: say it here too.
            for (const QString &file : files)
                if (!QFileInfo(file).isFile())
                    std::fprintf(stderr, "qm738: cannot open %s: no such file\n", qPrintable(file));
            return 0;
        }
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("QM738"));
    QCoreApplication::setApplicationName(QStringLiteral("QM738"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QM738_VERSION));
    if (start == TSingleInstance::TStart::Alone)
        std::fprintf(stderr, "qm738: %s; starting on its own\n", qPrintable(instance.ErrorString()));
    QApplication::setWindowIcon(QIcon(MeterEmblem(QSize(64, 64))));
    // The dialogs Qt draws speak the program's language.
    InstallQtTranslations(TsiLangDispatcher::Instance()->ActiveLanguage());

    // The about box is the splash window until the main window has been shown.
    frmAbout = new TfrmAbout;
    frmAbout->BitBtn1->hide();
    frmAbout->ShowAndPaint();

    TfrmMain mainWindow;
    // Without a window manager (a bare X server) maximising does nothing, so
    // the window is also given the screen's whole area.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        mainWindow.setGeometry(screen->availableGeometry());
    mainWindow.showMaximized();
    const auto openFiles = [](const QStringList &names) {
        for (const QString &file : names)
            if (!OpenFileFromOutside(file))
                std::fprintf(stderr, "qm738: cannot open %s: no such file, or not a file the program opens\n",
                             qPrintable(file));
    };
    // Files named on the command line open once the main window is up.
    QTimer::singleShot(0, &mainWindow, [files, openFiles] { openFiles(files); });
    // Those of a later start bring the window to the front first.
    QObject::connect(
        &instance, &TSingleInstance::FilesReceived, &mainWindow,
        [&mainWindow, openFiles](const QStringList &names) {
            mainWindow.setWindowState(mainWindow.windowState() & ~Qt::WindowMinimized);
            mainWindow.raise();
            mainWindow.activateWindow();
            openFiles(names);
        },
        Qt::QueuedConnection);
    if (start == TSingleInstance::TStart::First && !instance.Serve())
        std::fprintf(stderr, "qm738: later starts cannot reach this one: %s\n", qPrintable(instance.ErrorString()));
    return app.exec();
}
