#include "gui/base/helpwindow.h"

#include "gui/base/dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("QM738"));
    resize(780, 640);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    auto *bar = new QHBoxLayout;
    bar->setSpacing(2);
    auto tool = [this, bar](const char *name, QStyle::StandardPixmap icon) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        bar->addWidget(b);
        return b;
    };
    btnBack = tool("btnBack", QStyle::SP_ArrowBack);
    btnForward = tool("btnForward", QStyle::SP_ArrowForward);
    btnHome = tool("btnHome", QStyle::SP_FileDialogContentsView);
    bar->addStretch(1);
    layout->addLayout(bar);

    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    // Links are followed here: pages and anchors in this window, anything
    // else (a web address, mail) by the desktop.
    Browser->setOpenLinks(false);
    Browser->setOpenExternalLinks(false);
    layout->addWidget(Browser, 1);

    btnBack->setEnabled(false);
    btnForward->setEnabled(false);
    connect(Browser, &QTextBrowser::anchorClicked, this, &THelpWindow::FollowLink);
    connect(Browser, &QTextBrowser::backwardAvailable, btnBack, &QWidget::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, btnForward, &QWidget::setEnabled);
    connect(btnBack, &QToolButton::clicked, Browser, &QTextBrowser::backward);
    connect(btnForward, &QToolButton::clicked, Browser, &QTextBrowser::forward);
    connect(btnHome, &QToolButton::clicked, Browser, &QTextBrowser::home);
    connect(Browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = Browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("QM738") : title);
    });
}

bool THelpWindow::OpenPage(const QString &path, int language)
{
    const QFileInfo page(path);
    if (!page.isFile() || !page.isReadable())
        return false;
    const bool english = language == 1;
    btnBack->setText(english ? QStringLiteral("Back") : QStringLiteral("Précédent"));
    btnForward->setText(english ? QStringLiteral("Forward") : QStringLiteral("Suivant"));
    btnHome->setText(english ? QStringLiteral("Contents") : QStringLiteral("Sommaire"));

    QUrl url = QUrl::fromLocalFile(page.absoluteFilePath());
    // The page holds both languages, French first.
    if (english)
        url.setFragment(QStringLiteral("en"));
    if (m_home != page.absoluteFilePath()) {
        m_home = page.absoluteFilePath();
        Browser->clearHistory();
    }
    Browser->setSource(url);
    return !Browser->document()->isEmpty();
}

QString THelpWindow::MissingPageText(const QString &path, int language)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (language == 1)
        return QStringLiteral("The help page cannot be found:\n%1").arg(shown);
    return QStringLiteral("La page d'aide est introuvable :\n%1").arg(shown);
}

void THelpWindow::FollowLink(const QUrl &link)
{
    const QUrl url = Browser->source().resolved(link);
    if (url.isLocalFile() || url.scheme() == QLatin1String("qrc")) {
        if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isFile())
            return;
        Browser->setSource(url);
    } else {
        Dialogs::OpenUrl(url);
    }
}
