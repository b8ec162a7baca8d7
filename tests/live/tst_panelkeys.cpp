// The front panel's keys over the real meter link: the frames that reach a
// USB meter (the simulated one), the pause after an unacknowledged key, and
// silence on the serial port while the meter is connected over it.

#include "core/base/appstate.h"
#include "core/link/meterlink.h"
#include "core/link/transport.h"
#include "gui/live/panel.h"
#include "sim/simusbbackend.h"
#include "testlist.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A serial port that only counts what the program does with it.
class TRecordingSerial : public IMeterTransport {
public:
    bool SetDeviceName(const QString &name) override { Name = name; return true; }
    QString DeviceName() const override { return Name; }
    QString SystemLocation() const override { return Name; }
    bool Open() override { OpenFlag = true; return true; }
    void Close() override { OpenFlag = false; }
    bool IsOpen() const override { return OpenFlag; }
    void SetTimeouts(int, int) override {}
    bool Write(const uint8_t *, int count) override { Written += count; return true; }
    int BytesWaiting() override { ++Polled; return 0; }
    int Read(uint8_t *, int) override { ++Polled; return 0; }
    bool Purge() override { return true; }

    QString Name = QStringLiteral("rfcomm0");
    bool OpenFlag = true;
    int Written = 0;
    int Polled = 0;
};

// A panel wired to a meter link over the simulated USB meter, as the main
// window wires it.
struct TRig {
    TAppState State;
    TLinkBuffers Buffers;
    TSimUsbBackend Usb;
    TRecordingSerial Serial;
    TMeterLink Link{State, Buffers};
    QTimer MainTimer;
    TLcdBitmaps Large, Small;
    TPanelBlink Blink;
    bool TimerActiveAtSend = true;
    std::unique_ptr<TfrmPanel> Panel;

    TRig()
    {
        Link.SetUsbBackend(&Usb);
        Link.SetSerialTransport(&Serial);
        MainTimer.setInterval(500);
        MainTimer.start();
        LoadLcdBitmaps(Large, Small);
        TPanelHost host;
        host.State = &State;
        host.MainTimer = &MainTimer;
        host.LcdBitmaps = &Large;
        host.LcdSmallBitmaps = &Small;
        host.Blink = &Blink;
        host.SendKeyCommand = [this](const uint8_t *frame) {
            TimerActiveAtSend = MainTimer.isActive();
            return Link.SendKeyCommand(frame);
        };
        host.WaitWithMessages = [](int ms) { TMeterLink::WaitWithMessages(ms); };
        host.PanelFrame = Buffers.PanelFrame.bytes;
        Panel = std::make_unique<TfrmPanel>(host);
        Panel->setAttribute(Qt::WA_DeleteOnClose, false);
        Panel->show();
    }
    QByteArray LastFrame() const
    {
        if (Usb.Frames().isEmpty())
            return QByteArray();
        const auto &f = Usb.Frames().last();
        return QByteArray(reinterpret_cast<const char *>(f.data()), 7);
    }
};

} // namespace

class TestPanelKeys : public QObject {
    Q_OBJECT
private slots:
    void keyReachesTheMeter_data();
    void keyReachesTheMeter();
    void doubleClickCancelsMaxMinOnTheMeter();
    void unacknowledgedKeyWaits300ms();
    void keyOverSerialConnectionWritesNothingToThePort();
};

void TestPanelKeys::keyReachesTheMeter_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("HOLD") << "btnHOLD" << QByteArray::fromHex("02480000000003");
    QTest::newRow("C/F") << "btnCF" << QByteArray::fromHex("02430000000003");
    QTest::newRow("REC") << "btnRec" << QByteArray::fromHex("02450000000003");
    QTest::newRow("RECALL") << "btnRecall" << QByteArray::fromHex("02520000000003");
    QTest::newRow("MAX/MIN") << "btnMMA" << QByteArray::fromHex("024d0000000003");
    QTest::newRow("backlight") << "btnBackLight" << QByteArray::fromHex("02420000000003");
    QTest::newRow("MEM") << "btnMem" << QByteArray::fromHex("026d0000000003");
}

void TestPanelKeys::keyReachesTheMeter()
{
    QFETCH(QString, key);
    QFETCH(QByteArray, frame);
    TRig rig;
    // The main buffer's parameter bytes do not leak into the panel frame.
    rig.Buffers.MainUsbFrame.ComposeCounted('A', 0x55);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(rig.Panel->findChild<TKeyArea *>(key), Qt::LeftButton);
    QCOMPARE(rig.Usb.Frames().size(), 1);
    QCOMPARE(rig.LastFrame(), frame);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.Buffers.PanelFrame.bytes), 7), frame);
    QVERIFY(!rig.TimerActiveAtSend);
    QVERIFY(rig.MainTimer.isActive());
    QVERIFY(clock.elapsed() < 250); // acknowledged: no pause
    if (key == QLatin1String("btnHOLD"))
        QVERIFY(rig.Usb.Meter().Hold());
    if (key == QLatin1String("btnCF"))
        QVERIFY(rig.Usb.Meter().UnitCode() != 1);
}

void TestPanelKeys::doubleClickCancelsMaxMinOnTheMeter()
{
    TRig rig;
    TKeyArea *mma = rig.Panel->btnMMA;
    QTest::mouseClick(mma, Qt::LeftButton);
    QCOMPARE(rig.Usb.Meter().MaxMinMode() == TSimMaxMin::Off, false);
    QTest::mousePress(mma, Qt::LeftButton);
    QTest::mouseDClick(mma, Qt::LeftButton);
    QTest::mouseRelease(mma, Qt::LeftButton);
    QCOMPARE(rig.Usb.Frames().size(), 2);
    QCOMPARE(rig.Usb.Frames()[0][1], uint8_t('M'));
    QCOMPARE(rig.Usb.Frames()[1][1], uint8_t('N'));
    QVERIFY(rig.Usb.Meter().MaxMinMode() == TSimMaxMin::Off);
}

void TestPanelKeys::unacknowledgedKeyWaits300ms()
{
    TRig rig;
    rig.Usb.Meter().SetPresent(false); // no USB meter plugged in
    QElapsedTimer clock;
    clock.start();
    rig.Panel->btnRecClick();
    const qint64 spent = clock.elapsed();
    QVERIFY2(spent >= 300 && spent < 1500, qPrintable(QString::number(spent)));
    QVERIFY(!rig.TimerActiveAtSend);
    QVERIFY(rig.MainTimer.isActive());
}

void TestPanelKeys::keyOverSerialConnectionWritesNothingToThePort()
{
    TRig rig;
    rig.Usb.Meter().SetPresent(false);
    rig.State.Connected = rig.State.SerialLink = true;
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(rig.Panel->btnHOLD, Qt::LeftButton);
    QVERIFY(clock.elapsed() >= 300);
    QCOMPARE(rig.Serial.Written, 0);
    QCOMPARE(rig.Serial.Polled, 0);
    QVERIFY(rig.Usb.Frames().isEmpty() || !rig.Usb.Meter().Hold());
    QVERIFY(!rig.TimerActiveAtSend);
    QVERIFY(rig.MainTimer.isActive());
    QVERIFY(rig.State.Connected && rig.State.SerialLink); // the link is left alone
}

static TRegisterTest<TestPanelKeys> registerPanelKeys;
#include "tst_panelkeys.moc"
