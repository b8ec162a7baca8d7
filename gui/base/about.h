#pragma once
// The about box: the program's title and version. It also serves as the
// splash window at start-up and as the progress window of the port search.

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *parent = nullptr);

    QLabel *Label3 = nullptr;      // title line; the port search writes its progress here
    QLabel *Label1 = nullptr;      // "Version:"
    QLabel *lblVersion = nullptr;  // the version compiled in
    QPushButton *BitBtn1 = nullptr; // OK

    // The version string compiled into the program.
    static QString VersionString();
    // Shows without being modal and paints at once (splash, search progress).
    void ShowAndPaint();

public slots:
    void BitBtn1Click();
};

#include <QPointer>
// The about box shown as splash at start-up and as progress window of the
// port search; null when none is open.
extern QPointer<TfrmAbout> frmAbout;
