#include "rig.h"
#include "core/link/serialtransport.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QtTest>

#include "../testregistry.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Serial devices that answer "K" with the given reply.
void Answer(TRig &rig, const QMap<QString, QByteArray> &identity)
{
    rig.serial.responder = [identity](const QString &device, const TFrame &f) {
        if (f[1] == 'K')
            return identity.value(device);
        if (f[1] == 'A' && identity.value(device) == MakeIdentityReply(32))
            return MakeLiveReply();
        return QByteArray();
    };
}
} // namespace

class TestDiscovery : public QObject {
    Q_OBJECT
private slots:
    // ---- port list ----
    void extraPortsFollowTheSystemPorts()
    {
        qputenv("QM738_EXTRA_PORTS", "/tmp/meterA::/tmp/meterB");
        const QStringList ports = ListSerialPorts();
        qunsetenv("QM738_EXTRA_PORTS");
        QVERIFY(ports.size() >= 2);
        QCOMPARE(ports.mid(ports.size() - 2), QStringList({"/tmp/meterA", "/tmp/meterB"}));
    }
    void fillPortListSelectsFirst()
    {
        TRig rig;
        rig.discovery.FillPortList({"ttyS0", "ttyUSB0"});
        QCOMPARE(rig.view.ports, QStringList({"ttyS0", "ttyUSB0"}));
        QCOMPARE(rig.view.selected, 0);
        QCOMPARE(rig.serial.DeviceName(), QStringLiteral("ttyS0"));
        QVERIFY(!rig.serial.IsOpen());
    }
    void systemLocation()
    {
        QCOMPARE(SerialSystemLocation("ttyUSB0"), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(SerialSystemLocation("/tmp/pty-meter"), QStringLiteral("/tmp/pty-meter"));
    }

    // ---- probe ----
    void probePort_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("left"); // bytes left waiting
        QTest::newRow("32 bytes") << MakeIdentityReply(32) << true << 0;
        QTest::newRow("31 bytes") << MakeIdentityReply(31) << false << 0;
        QTest::newRow("70 bytes") << MakeIdentityReply(70) << true << 6;
        QTest::newRow("other model") << MakeIdentityReply(40, "737") << false << 0;
    }
    void probePort()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, ok);
        QFETCH(int, left);
        TRig rig;
        rig.serial.openable << "ttyS0";
        rig.serial.SetDeviceName("ttyS0");
        rig.serial.Open();
        Answer(rig, {{"ttyS0", reply}});
        QCOMPARE(rig.discovery.ProbePort(), ok);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.serial.frames.last().data()), 7),
                 QByteArray::fromHex("024b0000000003"));
        QCOMPARE(rig.serial.waiting.size(), left);
        QVERIFY(rig.serial.largestRead <= 64);
    }
    void probeSilentPortTimesOut()
    {
        TRig rig;
        rig.serial.openable << "ttyS0";
        rig.serial.SetDeviceName("ttyS0");
        rig.serial.Open();
        QElapsedTimer t;
        t.start();
        QVERIFY(!rig.discovery.ProbePort());
        QVERIFY(t.elapsed() >= 500 && t.elapsed() < 800);
    }
    void probeFailedReadDoesNotReuseOldIdentity()
    {
        TRig rig;
        rig.serial.openable << "ttyS0";
        rig.serial.SetDeviceName("ttyS0");
        rig.serial.Open();
        Answer(rig, {{"ttyS0", MakeIdentityReply(32)}});
        QVERIFY(rig.discovery.ProbePort());
        rig.serial.failRead = true;
        QVERIFY(!rig.discovery.ProbePort());
    }

    // ---- search ----
    void meterOnThirdPort()
    {
        TRig rig;
        rig.discovery.FillPortList({"ttyS0", "ttyS1", "ttyUSB0", "ttyUSB1"});
        rig.serial.openable = rig.view.ports;
        Answer(rig, {{"ttyUSB0", MakeIdentityReply(32)}});
        QElapsedTimer t;
        t.start();
        QVERIFY(rig.discovery.SearchPorts());
        QVERIFY(t.elapsed() >= 2 * 500 + 6 * 100);
        QCOMPARE(rig.discovery.FoundPortIndex, 2);
        QCOMPARE(rig.serial.opened, QStringList({"ttyS0", "ttyS1", "ttyUSB0"}));
        QCOMPARE(rig.serial.closes, 2);
        QVERIFY(rig.serial.IsOpen());
        QCOMPARE(rig.serial.DeviceName(), QStringLiteral("ttyUSB0"));
        QCOMPARE(rig.view.selected, 2);
        QCOMPARE(rig.view.progressTexts.last(), QStringLiteral("Searching on /dev/ttyUSB0"));
        QCOMPARE(rig.view.progressShown, 1);
        QVERIFY(!rig.view.progressOpen);
        QVERIFY(rig.view.enabledState.value(TLinkCommand::BtnRun));
        QVERIFY(!rig.view.enabledState.value(TLinkCommand::BtnStop, true));
    }
    void otherIdentityAndMissingPortsSkipped()
    {
        TRig rig;
        rig.discovery.FillPortList({"ttyS0", "ttyS9", "/tmp/other"});
        rig.serial.openable = QStringList{"ttyS0", "/tmp/other"};
        Answer(rig, {{"ttyS0", MakeIdentityReply(64, "123")}});
        QVERIFY(!rig.discovery.SearchPorts());
        QCOMPARE(rig.serial.opened, QStringList({"ttyS0", "/tmp/other"})); // each tried once
        QVERIFY(!rig.serial.IsOpen());
        QCOMPARE(rig.view.progressTexts, QStringList({"Searching on /dev/ttyS0", "Searching on /dev/ttyS9",
                                                      "Searching on /tmp/other"}));
        QCOMPARE(rig.discovery.FoundPortIndex, -1);
    }
    void emptyListSearchesNothing()
    {
        TRig rig;
        QVERIFY(!rig.discovery.SearchPorts());
        QCOMPARE(rig.view.progressShown, 1);
        QVERIFY(!rig.view.progressOpen);
        QVERIFY(rig.serial.opened.isEmpty());
    }
    void searchButtonConnects()
    {
        TRig rig;
        rig.discovery.FillPortList({"ttyS0", "ttyUSB0"});
        rig.serial.openable = rig.view.ports;
        Answer(rig, {{"ttyUSB0", MakeIdentityReply(32)}});
        rig.state.UsbLink = true;
        rig.discovery.BitBtn1Click();
        QVERIFY(rig.state.Connected && rig.state.SerialLink && !rig.state.UsbLink);
        QCOMPARE(rig.view.status.value(1), QStringLiteral("On Connection"));
        QVERIFY(!rig.view.noConnectionVisible);
        QCOMPARE(rig.timerSwitches, QList<bool>({false, true}));
        // The next tick polls the found port.
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.decodes, 1);
        QCOMPARE(rig.usb.calls.size(), 0);
    }
    void searchButtonFindsNothing()
    {
        TRig rig;
        rig.discovery.FillPortList({"ttyS0"});
        rig.state.Connected = rig.state.UsbLink = true;
        rig.discovery.BitBtn1Click();
        QVERIFY(!rig.state.Connected && !rig.state.UsbLink && !rig.state.SerialLink);
        QVERIFY(rig.view.status.isEmpty()); // no connection routine runs
        QCOMPARE(rig.timerSwitches, QList<bool>({false, true}));
    }

    // ---- port choice ----
    void choosingMeterPortConnects()
    {
        TRig rig;
        rig.serial.openable << "ttyACM0";
        Answer(rig, {{"ttyACM0", MakeIdentityReply(32)}});
        rig.discovery.ComboBoxDeviceNameChange("ttyACM0");
        QVERIFY(rig.state.Connected && rig.state.SerialLink);
        QCOMPARE(rig.view.status.value(1), QStringLiteral("On Connection"));
        QCOMPARE(rig.timerSwitches, QList<bool>({false, true}));
    }
    void choosingSilentPortKeepsItOpen()
    {
        TRig rig;
        rig.serial.openable << "ttyS0";
        rig.state.Connected = rig.state.UsbLink = true;
        rig.discovery.ComboBoxDeviceNameChange("ttyS0");
        QVERIFY(!rig.state.Connected && !rig.state.UsbLink && !rig.state.SerialLink);
        QCOMPARE(rig.view.status.value(1), QStringLiteral("No Connection"));
        QVERIFY(rig.serial.IsOpen());
    }
    void choosingMissingPort()
    {
        TRig rig;
        rig.discovery.ComboBoxDeviceNameChange("ttyNOPE");
        QVERIFY(!rig.state.Connected);
        QCOMPARE(rig.view.status.value(1), QStringLiteral("No Connection"));
        QVERIFY(rig.serial.frames.isEmpty());
    }
    void choiceWaitsWhilePollBusy()
    {
        TRig rig;
        rig.state.PollBusy = true;
        QTimer::singleShot(50, [&rig] {
            QVERIFY(rig.timerSwitches.isEmpty());
            rig.state.PollBusy = false;
        });
        rig.discovery.ComboBoxDeviceNameChange("ttyS0");
        QCOMPARE(rig.timerSwitches, QList<bool>({false, true}));
    }

    // ---- disconnect ----
    void disconnectKeepsStatus()
    {
        TRig rig;
        rig.serial.openable << "ttyACM0";
        Answer(rig, {{"ttyACM0", MakeIdentityReply(32)}});
        rig.discovery.ComboBoxDeviceNameChange("ttyACM0");
        rig.view.linkIconVisible = true;
        rig.reading.blinkRecFull = rig.reading.blinkMaxMinAvg = true;
        rig.timerSwitches.clear();
        rig.discovery.BitBtn2Click();
        QVERIFY(!rig.state.Connected && !rig.state.SerialLink && !rig.state.UsbLink);
        QVERIFY(!rig.serial.IsOpen());
        QVERIFY(!rig.reading.blinkRecFull && !rig.reading.blinkMaxMinAvg);
        QVERIFY(rig.view.noConnectionVisible);
        QVERIFY(!rig.view.linkIconVisible);
        QCOMPARE(rig.view.status.value(1), QStringLiteral("On Connection"));
        QVERIFY(rig.view.enabledState.value(TLinkCommand::BtnDataLogger));
        QCOMPARE(rig.timerSwitches, QList<bool>({false, true}));
    }
    void disconnectWhileUsbProbesAgain()
    {
        TRig rig;
        rig.UsbMeter();
        rig.supervisor.MainTimerTimer();
        QVERIFY(rig.state.UsbLink);
        rig.discovery.BitBtn2Click();
        QVERIFY(!rig.state.Connected && !rig.state.UsbLink);
        rig.usb.calls.clear();
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.usb.calls.first(), QStringLiteral("open"));
        QCOMPARE(int(rig.usb.frames.last()[1]), int('K'));
    }

    // ---- a real pseudo-terminal behind the serial transport ----
    void serialTransportOverPty()
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        const QString slave = QString::fromLocal8Bit(ptsname(master));
        termios tio{};
        tcgetattr(master, &tio);
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);

        TAppState state;
        TLinkBuffers buffers;
        TSerialTransport serial;
        TMeterLink link(state, buffers);
        link.SetSerialTransport(&serial);
        QVERIFY(serial.SetDeviceName(slave));
        QVERIFY(serial.Open());
        state.Connected = state.SerialLink = true;

        // The meter side answers once the request has arrived.
        QByteArray received;
        const QByteArray reply = MakeLiveReply(0x33) + QByteArray(5, 'x');
        QSocketNotifier notifier(master, QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
            char buf[64];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                received += QByteArray(buf, int(n));
        });
        // Nothing runs the event loop inside the exchange, so the reply is
        // written up front: it waits in the system's buffer until counted.
        QCOMPARE(::write(master, reply.constData(), size_t(reply.size())), ssize_t(reply.size()));
        QVERIFY(link.ExchangeLive());
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(buffers.Reply), 64), reply.left(64));
        QTRY_COMPARE(received, QByteArray::fromHex("02410000000003"));
        QCOMPARE(serial.BytesWaiting(), 0); // the extra five bytes were taken too

        // Purge drops what arrived.
        QCOMPARE(::write(master, "junk", 4), ssize_t(4));
        QTRY_COMPARE(serial.BytesWaiting(), 4);
        QVERIFY(serial.Purge());
        QCOMPARE(serial.BytesWaiting(), 0);
        serial.Close();
        QVERIFY(!serial.IsOpen());
        QVERIFY(!link.ExchangeLive());
        ::close(master);
    }
};

QM738_REGISTER_TEST(TestDiscovery)

#include "tst_discovery.moc"
