#pragma once
// The program's own help window: shows the help page with its links and
// pictures, so help works on every machine, with or without a web browser.

#include <QWidget>

class QTextBrowser;
class QToolButton;

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget *parent = nullptr);

    QTextBrowser *Browser = nullptr;
    QToolButton *btnBack = nullptr;
    QToolButton *btnForward = nullptr;
    QToolButton *btnHome = nullptr;

    // Shows the page at `path`, at its English part for language 1; false when
    // the page cannot be read (nothing changes then).
    bool OpenPage(const QString &path, int language);

    // The message shown when the help page cannot be found, in `language`.
    static QString MissingPageText(const QString &path, int language);

private:
    void FollowLink(const QUrl &link);
    QString m_home;
};
