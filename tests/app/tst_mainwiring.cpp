// The link wired into the main window: the poll tick, the port choice, the
// search and the disconnect act on the window's components.

#include "link/fakes.h"
#include "gui/base/about.h"
#include "gui/base/dialogs.h"
#include "app/frmmain.h"
#include "app/linkhost.h"
#include "gui/live/panel.h"
#include "sim/ptymeter.h"
#include "core/link/usbfactory.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSerialPort>
#include <QSettings>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "../testregistry.h"

class TestMainWiring : public QObject {
    Q_OBJECT
private:
    TFakeUsbBackend *usb = nullptr;

private slots:
    void init()
    {
        usb = nullptr;
        SetDemoUsbBackendFactory([this] {
            auto backend = std::make_unique<TFakeUsbBackend>();
            usb = backend.get();
            return backend;
        });
        qputenv("QM738_DEMO_METER", "usb");
    }
    void cleanup()
    {
        SetDemoUsbBackendFactory(nullptr);
        qunsetenv("QM738_DEMO_METER");
    }

    void usbMeterConnectsAndDrops()
    {
        TfrmMain w;
        QVERIFY(usb);
        const QByteArray identity = MakeIdentityReply(64);
        usb->responder = [identity](const TFrame &f) { return f[1] == 'K' ? identity : MakeLiveReply(); };
        w.MainTimerTimer();
        QVERIFY(w.State.Connected && w.State.UsbLink);
        QCOMPARE(w.StatusText(1), QStringLiteral("Connexion On"));
        QVERIFY(w.btnRun->isEnabled());
        QVERIFY(w.Run1->isEnabled());
        QVERIFY(!w.btnStop->isEnabled());
        QVERIFY(w.btnDataLogger->isEnabled());
        QVERIFY(w.DataLogger1->menuAction()->isEnabled());
        QCOMPARE(w.MainTimer->interval(), 500);

        usb->readResult = 1;
        for (int i = 0; i < 3; ++i)
            w.MainTimerTimer();
        QVERIFY(!w.State.Connected);
        QCOMPARE(w.StatusText(1), QStringLiteral("Pas de connexion"));
        QVERIFY(!w.btnRun->isEnabled());
        QVERIFY(!w.btnDataLogger->isEnabled());
        QVERIFY(!w.DataLogger1->menuAction()->isEnabled());
        QVERIFY(!w.State.PollBusy);
    }

    void demoMeterConnectsAtFirstTick()
    {
        SetDemoUsbBackendFactory(nullptr); // the program's own choice: the simulated meter
        TfrmMain w;
        w.MainTimerTimer();
        QVERIFY(w.State.Connected && w.State.UsbLink);
        w.MainTimerTimer();
        QVERIFY(w.State.Connected);
        QVERIFY(w.LiveReading.rh > 10.0f && w.LiveReading.rh < 90.0f);
    }

    void panelKeysGoOverTheLink()
    {
        TfrmMain w;
        w.FormShow();
        w.MainTimer->stop();
        TfrmPanel *panel = w.Panel();
        QVERIFY(panel);
        QByteArray ack(32, '\0');
        ack[2] = 'O';
        ack[3] = 'K';
        usb->defaultReply = ack;
        panel->btnHOLDClick();
        QVERIFY(!usb->frames.isEmpty());
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(usb->frames.last().data()), 7),
                 QByteArray::fromHex("02480000000003"));
        QCOMPARE(usb->closes, 0); // a key never closes the device
        w.MainTimer->stop();
    }

    void renderedWhenTheMeterAnswers()
    {
        TfrmMain w;
        w.FormShow();
        w.MainTimer->stop();
        const QByteArray identity = MakeIdentityReply(64);
        usb->responder = [identity](const TFrame &f) { return f[1] == 'K' ? identity : MakeLiveReply(0x00); };
        w.MainTimerTimer();
        QWidget *label = w.PanelWindow->findChild<QWidget *>(QStringLiteral("lblNoConnection"));
        QVERIFY(label);
        QVERIFY(label->isHidden());
        w.MainTimer->stop();
    }

    void serialPortChoiceSearchAndDisconnect()
    {
        TPtyMeter meter;
        QVERIFY(meter.Start());
        const QString path = meter.PortPath();
        TfrmMain w;
        usb->openResult = 1; // no USB meter

        // Choosing the meter's port connects.
        {
            const QSignalBlocker block(w.ComboBoxDeviceName);
            w.ComboBoxDeviceName->setEditText(path);
        }
        w.ComboBoxDeviceNameChange();
        QVERIFY(w.State.Connected && w.State.SerialLink);
        QVERIFY(w.Comm1->isOpen());
        QCOMPARE(SerialSystemLocation(w.Comm1->portName()), path);
        QVERIFY(w.MainTimer->isActive());
        QCOMPARE(w.StatusText(1), QStringLiteral("Connexion On"));

        // The tick polls the serial meter.
        w.MainTimerTimer();
        QVERIFY(w.State.Connected);
        QCOMPARE(w.LinkHost->Supervisor.FailedPolls(), 0);

        // Disconnect closes the port and leaves the status bar alone.
        w.BitBtn2Click();
        QVERIFY(!w.State.Connected && !w.State.SerialLink);
        QVERIFY(!w.Comm1->isOpen());
        QCOMPARE(w.StatusText(1), QStringLiteral("Connexion On"));

        // The search finds it as the second entry.
        w.LinkHost->View.SetPortList({QStringLiteral("/nonexistent/qm738-port"), path});
        w.BitBtn1Click();
        QVERIFY(w.State.Connected && w.State.SerialLink);
        QCOMPARE(w.LinkHost->Discovery.FoundPortIndex, 1);
        QCOMPARE(w.ComboBoxDeviceName->currentIndex(), 1);
        QVERIFY(w.Comm1->isOpen());
        QVERIFY(!frmAbout);
        QVERIFY(w.MainTimer->isActive());
        w.MainTimer->stop();
    }

    void closingDuringDownloadStopsItFirst()
    {
        SetDemoUsbBackendFactory(nullptr);
        qputenv("QM738_DEMO_MEMORY", "full");
        QStringList messages;
        Dialogs::SetMessageHandler([&](const Dialogs::MessageRequest &r) { messages << r.text; return int(Dialogs::Ok); });
        {
            TfrmMain w;
            w.show();
            w.MainTimerTimer();
            QVERIFY(w.State.Connected);
            // Asked to close as soon as the transfer has started: the window
            // stays until the load has ended, then closes.
            QTimer::singleShot(0, &w, [&] {
                QVERIFY(!w.close());
                QVERIFY(w.isVisible());
            });
            w.LoadData1Click();
            QVERIFY(!w.isVisible());
            QVERIFY(messages.isEmpty());
            QVERIFY(!w.State.LoggerDataUnsaved);
            QVERIFY(!w.MainTimer->isActive());
        }
        Dialogs::SetMessageHandler(nullptr);
        qunsetenv("QM738_DEMO_MEMORY");
    }
};

QM738_REGISTER_TEST(TestMainWiring)

#include "tst_mainwiring.moc"
