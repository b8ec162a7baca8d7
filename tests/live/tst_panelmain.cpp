// The front panel inside the main window: created at start-up, closed and
// re-created from the View menu, translated, blinking from MaxMinTimer.

#include "app/frmmain.h"
#include "app/linkhost.h"
#include "gui/live/panel.h"
#include "testlist.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestPanelInMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings(QStringLiteral("QM738"), QStringLiteral("QM738")).clear(); }
    void cleanupTestCase() { init(); }

    void startUpCreatesPanelAtTopLeft();
    void closingClearsReferenceAndMenuCheck();
    void controlPanelRecreatesOrRestores();
    void panelIsTranslated();
    void activatingPanelDisablesOutputToGraph();
    void blinkTimerBlinksLinkSymbolOnSerialLink();
    void keyFromMainWindowRestartsMainTimer();
    void blinkingStopsInItsPhaseWhenMeterGoes_data();
    void blinkingStopsInItsPhaseWhenMeterGoes();
};

void TestPanelInMainWindow::startUpCreatesPanelAtTopLeft()
{
    TfrmMain w;
    w.show();
    QVERIFY(w.IsStarted());
    TfrmPanel *panel = w.Panel();
    QVERIFY(panel);
    QCOMPARE(panel->objectName(), QStringLiteral("frmPanel"));
    QCOMPARE(panel->parentWidget()->pos(), QPoint(0, 0));
    QVERIFY(w.ControlPanel1->isChecked());
    QCOMPARE(w.LcdBitmaps.size(), 25);
    QCOMPARE(w.LcdSmallBitmaps.size(), 25);
    // The first showing: no connection yet, no link symbol.
    QVERIFY(panel->lblNoConnection->isVisible());
    QVERIFY(!panel->ingBlutoothLink->isVisible());
}

void TestPanelInMainWindow::closingClearsReferenceAndMenuCheck()
{
    TfrmMain w;
    w.show();
    QPointer<TfrmPanel> panel = w.Panel();
    QVERIFY(panel);
    QTest::mouseClick(panel->btnClose, Qt::LeftButton);
    QVERIFY(!w.PanelWindow);
    QVERIFY(!w.ControlPanel1->isChecked());
    QTRY_VERIFY(panel.isNull());
    // With the panel closed the blink tick has nothing to touch.
    w.MaxMinTimerTimer();
}

void TestPanelInMainWindow::controlPanelRecreatesOrRestores()
{
    TfrmMain w;
    w.show();
    w.Panel()->btnCloseClick();
    QTRY_VERIFY(w.MdiArea->subWindowList().size() == 0 || !w.PanelWindow);
    // Made again while a USB meter is connected: no link symbol, no "No Connection".
    w.State.Connected = true;
    w.State.UsbLink = true;
    w.ControlPanel1Click();
    TfrmPanel *panel = w.Panel();
    QVERIFY(panel);
    QVERIFY(w.ControlPanel1->isChecked());
    QCOMPARE(panel->parentWidget()->pos(), QPoint(0, 0));
    QVERIFY(!panel->ingBlutoothLink->isVisible());
    QVERIFY(!panel->lblNoConnection->isVisible());
    w.State.Connected = false;
    // Minimised, the same item restores it rather than making another.
    panel->parentWidget()->showMinimized();
    w.ControlPanel1Click();
    QCOMPARE(w.Panel(), panel);
    QVERIFY(!panel->parentWidget()->isMinimized());
    int panels = 0;
    for (QMdiSubWindow *sw : w.MdiArea->subWindowList())
        panels += qobject_cast<TfrmPanel *>(sw->widget()) != nullptr;
    QCOMPARE(panels, 1);
}

void TestPanelInMainWindow::panelIsTranslated()
{
    TfrmMain w;
    w.show();
    TfrmPanel *panel = w.Panel();
    QCOMPARE(panel->lblNoConnection->text(), QStringLiteral("Pas de connexion"));
    QCOMPARE(panel->btnClose->toolTip(), QStringLiteral("Fermer le panneau de contrôle"));
    QCOMPARE(panel->btnMMA->toolTip(),
             QStringLiteral("clic simple pour changer le mode MAX / MIN, double clic pour annuler."));
    QCOMPARE(panel->windowTitle(), QStringLiteral("PANEL"));
}

void TestPanelInMainWindow::activatingPanelDisablesOutputToGraph()
{
    TfrmMain w;
    w.show();
    auto *other = w.MdiArea->addSubWindow(new QWidget);
    other->show();
    w.MdiArea->setActiveSubWindow(other);
    w.btnOutputToGraph->setEnabled(true);
    w.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(w.Panel()->parentWidget()));
    QVERIFY(!w.btnOutputToGraph->isEnabled());
}

void TestPanelInMainWindow::blinkTimerBlinksLinkSymbolOnSerialLink()
{
    TfrmMain w;
    w.show();
    QCOMPARE(w.MaxMinTimer->interval(), 500);
    QVERIFY(w.MaxMinTimer->isActive());
    w.State.SerialLink = true;
    const bool before = w.PanelBlink.Phase;
    w.MaxMinTimerTimer();
    QCOMPARE(w.PanelBlink.Phase, !before);
    QCOMPARE(w.Panel()->ingBlutoothLink->isVisible(), w.PanelBlink.Phase);
    w.MaxMinTimerTimer();
    QCOMPARE(w.Panel()->ingBlutoothLink->isVisible(), w.PanelBlink.Phase);
}

void TestPanelInMainWindow::keyFromMainWindowRestartsMainTimer()
{
    TfrmMain w;
    w.show();
    QVERIFY(w.MainTimer->isActive());
    w.Panel()->btnHOLDClick();
    QVERIFY(w.MainTimer->isActive());
    QCOMPARE(w.MainTimer->interval(), 500);
}

void TestPanelInMainWindow::blinkingStopsInItsPhaseWhenMeterGoes_data()
{
    QTest::addColumn<bool>("disconnectButton");
    QTest::addColumn<int>("ticksBefore");
    QTest::newRow("connection lost, shown") << false << 1;
    QTest::newRow("connection lost, hidden") << false << 2;
    QTest::newRow("disconnect button, shown") << true << 1;
    QTest::newRow("disconnect button, hidden") << true << 2;
}

void TestPanelInMainWindow::blinkingStopsInItsPhaseWhenMeterGoes()
{
    QFETCH(bool, disconnectButton);
    QFETCH(int, ticksBefore);
    TfrmMain w;
    w.show();
    w.MainTimer->stop();
    w.MaxMinTimer->stop();
    TfrmPanel *panel = w.Panel();
    w.LiveReading.blinkRecFull = w.LiveReading.blinkMaxMinAvg = w.LiveReading.maxMinAvgBlinkControl = true;
    w.PanelBlink.Phase = false;
    for (int i = 0; i < ticksBefore; ++i)
        w.MaxMinTimerTimer();
    const bool phase = w.PanelBlink.Phase;
    if (disconnectButton)
        w.BitBtn2Click();
    else
        w.LinkHost->Supervisor.ConnectionLost();
    QVERIFY(!w.LiveReading.blinkRecFull && !w.LiveReading.blinkMaxMinAvg);
    for (int i = 0; i < 3; ++i) {
        w.MaxMinTimerTimer();
        for (QLabel *l : {panel->lblMAX, panel->lblMIN, panel->lblAVG, panel->imgREC, panel->imgFULL})
            QCOMPARE(l->isVisible(), phase);
    }
}

static TRegisterTest<TestPanelInMainWindow> registerPanelInMainWindow;
#include "tst_panelmain.moc"
