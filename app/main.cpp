#include "app/about.h"
#include "app/frmmain.h"
#include "app/icons.h"
#include "app/translation.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("QM738"));
    QCoreApplication::setApplicationName(QStringLiteral("QM738"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QM738_VERSION));
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
    return app.exec();
}
